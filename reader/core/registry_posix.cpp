// The registry's stand-in where the system has none: it knows the one value
// that names a system information program, and finds that program among the
// ones the usual desktops install.
#include "registry.h"

#include "codepage.h"

#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <array>
#include <vector>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

struct Program
{
    QStringList desktops; // as XDG_CURRENT_DESKTOP names them, in lower case
    QString name;
    QStringList arguments;
    // The page asked for by the arguments exists only when this desktop
    // entry of it is installed; empty when the program has only one.
    QString entry;
};

const std::array<Program, 7> &programs()
{
    const QStringList gnome = {u"gnome"_s, u"unity"_s};
    // GNOME Settings moved its About page twice: a page of the System panel
    // since GNOME 46, a panel of its own in 44 and 45, "info-overview" before.
    static const std::array<Program, 7> table = {{
        {{u"kde"_s}, u"kinfocenter"_s, {}, {}},
        {gnome,
         u"gnome-control-center"_s,
         {u"system"_s, u"about"_s},
         u"gnome-system-panel.desktop"_s},
        {gnome, u"gnome-control-center"_s, {u"about"_s}, u"gnome-about-panel.desktop"_s},
        {gnome, u"gnome-control-center"_s, {u"info-overview"_s}, {}},
        {{u"x-cinnamon"_s}, u"cinnamon-settings"_s, {u"info"_s}, {}},
        {{u"xfce"_s}, u"xfce4-about"_s, {}, {}},
        {{}, u"hardinfo"_s, {}, {}},
    }};
    return table;
}

// The programs of the desktops the session names come first, in its order;
// another desktop's program, when it is all there is, still beats none.
std::vector<const Program *> programsInOrder()
{
    std::vector<const Program *> order;
    const auto add = [&order](const Program &program) {
        if (std::find(order.begin(), order.end(), &program) == order.end())
            order.push_back(&program);
    };
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':', Qt::SkipEmptyParts);
    for (const QString &desktop : desktops) {
        for (const Program &program : programs()) {
            if (program.desktops.contains(desktop))
                add(program);
        }
    }
    for (const Program &program : programs())
        add(program);
    return order;
}

// The launcher takes a text that names an existing file as that file, and
// any other text as a command line split as a shell would, so a path with
// spaces is quoted only when arguments follow it.
QString commandLine(const QString &path, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return path;
    QString program = path;
    if (program.contains(u' ') || program.contains(u'\t') || program.contains(u'"'))
        program = u'"' + program.replace(u"\""_s, u"\"\"\""_s) + u'"';
    return program + u' ' + arguments.join(u' ');
}

// Empty when the desktop has none of the programs.
QString systemInformationCommand()
{
    for (const Program *program : programsInOrder()) {
        const QString path = QStandardPaths::findExecutable(program->name);
        if (path.isEmpty())
            continue;
        if (!program->entry.isEmpty() &&
            QStandardPaths::locate(QStandardPaths::ApplicationsLocation, program->entry).isEmpty())
            continue;
        const QString command = commandLine(path, program->arguments);
        // The value travels in the ANSI code page, as the system's does: a
        // path it cannot hold would start nothing.
        if (fromAnsi(toAnsi(command)) == command)
            return command;
    }
    return {};
}

// The one key there is, and the handle it is opened under.
constexpr char kMsinfoKeyName[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr Registry::Key kMsinfoKey = 1;

} // namespace

long SystemRegistry::openKey(Key root, const QByteArray &subKey, std::uint32_t, Key *result)
{
    // Names are matched without regard to case, as the system does.
    if (root != kLocalMachine || subKey.compare(kMsinfoKeyName, Qt::CaseInsensitive) != 0)
        return kFileNotFound;
    if (result)
        *result = kMsinfoKey;
    return kSuccess;
}

long SystemRegistry::queryValue(Key key, const QByteArray &valueName, std::uint32_t *type,
                                QByteArray *data, std::uint32_t *size)
{
    if (key != kMsinfoKey)
        return kInvalidHandle;
    if (valueName.compare("PATH", Qt::CaseInsensitive) != 0)
        return kFileNotFound;
    // Looked up at every query: a program installed while the dialog is
    // open is found on the next click.
    const QString command = systemInformationCommand();
    if (command.isEmpty())
        return kFileNotFound;
    const QByteArray bytes = toAnsi(command) + '\0';
    if (type)
        *type = kTypeString;
    if (size)
        *size = static_cast<std::uint32_t>(bytes.size());
    if (!data)
        return kSuccess;
    if (bytes.size() > data->size())
        return kMoreData;
    data->replace(0, bytes.size(), bytes);
    return kSuccess;
}

long SystemRegistry::closeKey(Key key)
{
    return key == kMsinfoKey ? kSuccess : kInvalidHandle;
}

} // namespace zol
