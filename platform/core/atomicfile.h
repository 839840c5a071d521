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
// A symbolic link at path is written through and stays a link, as an editor
// does with a file the user chose.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason = nullptr,
                 LockedFolder lockedFolder = LockedFolder::Fail);

// The same for the file at exactly path, which the caller has resolved and
// checked: whatever is put in its place meanwhile is replaced, never
// followed.
bool replaceFileAt(const QString &path, const QByteArray &bytes, QString *reason = nullptr,
                   LockedFolder lockedFolder = LockedFolder::Fail);

// Makes folder and the folders above it that are missing. On failure (an
// empty name among them) *reason, when given, holds the system's words for it.
bool makeFolder(const QString &folder, QString *reason = nullptr);

} // namespace zol
