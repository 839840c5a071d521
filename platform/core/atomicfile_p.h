#pragma once

#include "atomicfile.h"

// What atomicfile.cpp shares with the half for its system,
// atomicfile_posix.cpp or atomicfile_win.cpp, which CMake picks.

namespace zol::detail {

// A name beside the file, so that the rename never crosses file systems, and
// no longer than its own.
QString temporaryName(const QString &target);

// Writes bytes to a new file beside target, makes sure they are on the disk
// and only then puts it in target's place; on failure the old file is as it
// was and *reason holds the system's words. target is absolute and has no
// links left in it.
bool replaceThroughTemporary(const QString &target, const QByteArray &bytes, QString *reason,
                             LockedFolder lockedFolder);

} // namespace zol::detail
