#pragma once

#include <QByteArray>
#include <QString>

namespace zol {

// What replaceFile does when the folder cannot take the new file but the old
// one may be written.
enum class LockedFolder {
    Fail,         // all or nothing: the old file stays
    WriteInPlace, // the old regular file is overwritten, not replaced
};

// Replaces the file at path with bytes, all or nothing: a failure at any step
// (no space, no permission) leaves the old file as it was. On failure
// *reason, when given, holds the system's words for it.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason = nullptr,
                 LockedFolder lockedFolder = LockedFolder::Fail);

} // namespace zol
