#include "atomicfile_p.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <filesystem>
#include <system_error>

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
    // Never a longer name than the file's own: a folder that took that name
    // takes this one, up to the longest name the system allows. A name
    // gives up its end to the mark, character by character, so that its
    // bytes in any encoding only shrink.
    const qsizetype slash = target.lastIndexOf(u'/') + 1;
    const QString name = target.mid(slash);
    auto random = [](qsizetype count) {
        static constexpr char16_t kDigits[] = u"0123456789abcdefghijklmnopqrstuvwxyz";
        QString text;
        for (qsizetype i = 0; i < count; ++i)
            text += QChar(kDigits[QRandomGenerator::global()->bounded(36)]);
        return text;
    };
    const QString mark = u".zol"_s;
    constexpr qsizetype kRandom = 7;
    QString temporary;
    do {
        if (name.size() > mark.size() + kRandom) {
            qsizetype keep = name.size() - mark.size() - kRandom;
            if (name.at(keep - 1).isHighSurrogate())
                --keep;
            temporary = name.left(keep) + mark + random(kRandom);
        } else {
            // Hidden, as short as the name: a few tries among these are enough.
            temporary = name.size() > 1 ? u'.' + random(name.size() - 1) : random(1);
        }
    } while (temporary.compare(name, Qt::CaseInsensitive) == 0);
    return target.left(slash) + temporary;
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

bool makeFolder(const QString &folder, QString *reason)
{
    std::error_code error;
    if (folder.isEmpty())
        error = std::make_error_code(std::errc::no_such_file_or_directory);
    else
        std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), error);
    if (error && reason)
        *reason = QString::fromLocal8Bit(error.message());
    return !error;
}

} // namespace zol
