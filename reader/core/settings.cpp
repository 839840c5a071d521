#include "settings.h"

#include "atomicfile.h"
#include "languages.h"
#include "regularfile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace zol {

qint16 defaultLanguage()
{
    switch (QLocale::system().language()) {
    case QLocale::Dutch:
        return kDutch;
    case QLocale::German:
        return kGerman;
    case QLocale::French:
        return kFrench;
    default:
        return kEnglish;
    }
}

std::optional<qint16> parseSettingsNumber(const QString &line)
{
    const QString text = line.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool sign = i == 0 && (c == u'-' || c == u'+') && text.size() > 1;
        if (!sign && !(c >= u'0' && c <= u'9'))
            return std::nullopt;
    }
    bool ok = false;
    const short value = text.toShort(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

namespace {

QStringList settingsLines(const QByteArray &bytes)
{
    // The user edits this file to change the language, and an editor may put
    // a byte-order mark before the number: UTF-8, or UTF-16 from an older
    // one. Without a mark, every byte is a character, as it always was.
    const std::optional<QStringConverter::Encoding> marked =
        QStringConverter::encodingForData(bytes);
    QString text = marked ? QStringDecoder(*marked).decode(bytes) : QString::fromLatin1(bytes);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text.split(u'\n');
}

// Two short lines; anything beyond a few kilobytes is not a settings file.
constexpr qint64 kMaxSettingsSize = 4096;

} // namespace

Settings parseSettings(const QByteArray &bytes, qint16 fallbackLanguage)
{
    Settings settings{fallbackLanguage, kDefaultPort};
    const QStringList lines = settingsLines(bytes);

    if (!lines.isEmpty()) {
        const std::optional<qint16> language = parseSettingsNumber(lines.at(0));
        if (language && isValidLanguage(*language))
            settings.language = *language;
    }
    if (lines.size() > 1) {
        if (const std::optional<qint16> port = parseSettingsNumber(lines.at(1)))
            settings.port = *port;
    }
    return settings;
}

bool isSettingsText(const QByteArray &bytes)
{
    QStringList lines = settingsLines(bytes);
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.size() == 2 && parseSettingsNumber(lines.at(0)) &&
           parseSettingsNumber(lines.at(1));
}

QString formatSettingsNumber(qint16 value)
{
    // The sign position is a space for a positive number, as the files that
    // older copies of the program wrote have it.
    const QString digits = QString::number(value);
    return (value < 0 ? digits : u' ' + digits) + u' ';
}

QByteArray formatSettings(const Settings &settings)
{
    return (formatSettingsNumber(settings.language) + u"\r\n"_s +
            formatSettingsNumber(settings.port) + u"\r\n"_s)
        .toLatin1();
}

Settings readSettingsFile(const QString &path, qint16 fallbackLanguage)
{
    QFile file;
    if (!openRegularFile(file, path))
        return Settings{fallbackLanguage, kDefaultPort};
    return parseSettings(file.read(kMaxSettingsSize), fallbackLanguage);
}

SettingsWritten writeSettingsFile(const QString &path, const Settings &settings, QString *reason)
{
    const QFileInfo info(path);
    QString target = path;
    if (info.isSymbolicLink()) {
        // The file that was checked is the one written, not whatever the
        // link leads to by then. A link that leads nowhere is not followed
        // either: the file it would make could be anywhere, and the link is
        // the user's to mend.
        target = info.canonicalFilePath();
        QFile file;
        const QByteArray bytes = !target.isEmpty() && openRegularFile(file, target)
                                     ? file.read(kMaxSettingsSize + 1)
                                     : QByteArray();
        if (bytes.size() > kMaxSettingsSize || !isSettingsText(bytes)) {
            if (reason)
                *reason = info.symLinkTarget();
            return SettingsWritten::ForeignLink;
        }
    }
    // A folder the user may not write in (a shared working folder) must not
    // lose the chosen port when the file itself may be written.
    return replaceFileAt(target, formatSettings(settings), reason, LockedFolder::WriteInPlace)
               ? SettingsWritten::Yes
               : SettingsWritten::Failed;
}

} // namespace zol
