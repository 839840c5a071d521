#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zol {

// zolprint.ini: line 1 the language number, line 2 the COM port number.
struct Settings
{
    qint16 language = 1;
    qint16 port = 1;
};

constexpr qint16 kDefaultPort = 1;

// The user's own settings folder that could not be made, the system's reason,
// and the file the settings went to instead.
struct SettingsFolderFailure
{
    QString folder;
    QString reason;
    QString usedInstead;
};

// The language of the system locale when it is one of the four, else English.
qint16 defaultLanguage();

// A whole number in the 16-bit range, with spaces around it allowed.
std::optional<qint16> parseSettingsNumber(const QString &line);

// Each line is taken on its own: one that is missing or not a usable number
// takes its default, so a damaged file never stops the program from starting.
Settings parseSettings(const QByteArray &bytes, qint16 fallbackLanguage);
QByteArray formatSettings(const Settings &settings);
QString formatSettingsNumber(qint16 value);

// Text that only a settings file holds: two lines, each a whole number.
bool isSettingsText(const QByteArray &bytes);

Settings readSettingsFile(const QString &path, qint16 fallbackLanguage);

enum class SettingsWritten {
    Yes,
    Failed,      // reason: the system's words
    ForeignLink, // the file is a link to something else: nothing written; reason: its target
};

// The file is replaced all or nothing. A symbolic link in its place is
// written through only when what it points to reads as a settings file
// already: a link to the user's notes, or to a system file when the program
// runs as root, must never be overwritten with two numbers.
SettingsWritten writeSettingsFile(const QString &path, const Settings &settings, QString *reason);

} // namespace zol
