#include "atomicfile_p.h"

#include <QFileInfo>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

// QSaveFile is not used: Qt 6.4's commit() reports success when the last
// flush of its buffer failed (a full disk), replacing the old file with an
// empty one, and a failed write larger than its buffer comes back as
// "Unknown error". Here every step is checked, and the system's own words
// for the first one that failed are what the caller shows.

namespace zol {

namespace {

// Where the file really is: a link chosen as the file is written through,
// as an editor does, and stays a link.
QString finalPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

QString detail::temporaryName(const QString &target)
{
    return target + u".zol"_s +
           QString::number(QRandomGenerator::global()->generate(), 36).rightJustified(7, u'0');
}

bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason,
                 LockedFolder lockedFolder)
{
    return replaceFileAt(finalPath(path), bytes, reason, lockedFolder);
}

bool replaceFileAt(const QString &path, const QByteArray &bytes, QString *reason,
                   LockedFolder lockedFolder)
{
    QString why;
    const bool replaced = detail::replaceThroughTemporary(QFileInfo(path).absoluteFilePath(), bytes,
                                                          &why, lockedFolder);
    if (!replaced && reason)
        *reason = why;
    return replaced;
}

} // namespace zol
