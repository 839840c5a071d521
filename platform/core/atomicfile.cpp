#include "atomicfile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace zol {

bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason,
                 LockedFolder lockedFolder)
{
    QSaveFile file(path);
    // Only a regular file is written in place: opening a pipe for writing
    // waits for a reader that may never come.
    file.setDirectWriteFallback(lockedFolder == LockedFolder::WriteInPlace &&
                                QFileInfo(path).isFile());
    if (!file.open(QIODevice::WriteOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace zol
