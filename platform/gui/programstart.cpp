#include "programstart.h"

#include "fonts.h"
#include "images.h"
#include "startupthread.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>
#endif

using namespace Qt::StringLiterals;

namespace zol {

namespace {

// Qt reads these itself in the application object; a person who gives one
// (a session manager gives -session) must not be told it is unknown.
void addQtOptions(QCommandLineParser &parser)
{
    for (const QString &name :
         {u"platform"_s, u"platformpluginpath"_s, u"platformtheme"_s, u"plugin"_s,
          u"qwindowgeometry"_s, u"qwindowicon"_s, u"qwindowtitle"_s, u"style"_s, u"stylesheet"_s,
          u"session"_s, u"display"_s, u"geometry"_s, u"title"_s, u"name"_s}) {
        QCommandLineOption option(name, QString(), u"value"_s);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString &name : {u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s}) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// The arguments as the system holds them. On Windows argv is in the ANSI
// code page, which loses a file name outside it; the wide command line is
// what Explorer gave.
QStringList commandLine(int argc, char *argv[])
{
    QStringList arguments;
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    int count = 0;
    if (LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
    }
#else
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
#endif
    return arguments;
}

void write(std::FILE *stream, const QString &text)
{
#ifdef Q_OS_WIN
    // A windowed program has no console of its own; started from one, and
    // not into a pipe or file, it answers there.
    static bool looked = false;
    if (!looked) {
        looked = true;
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        const bool nowhere =
            out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) == FILE_TYPE_UNKNOWN;
        if (nowhere && AttachConsole(ATTACH_PARENT_PROCESS)) {
            (void)std::freopen("CONOUT$", "w", stdout);
            (void)std::freopen("CONOUT$", "w", stderr);
        }
    }
#endif
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int runProgram(int argc, char *argv[], const ProgramIdentity &identity, QCommandLineParser &parser,
               const std::function<int(QApplication &)> &run)
{
    // Set before any application object: the help text and the settings
    // folders are made from them.
    QCoreApplication::setApplicationName(identity.name);
    QCoreApplication::setApplicationVersion(identity.version);

    const QStringList arguments = commandLine(argc, argv);
    // The command as it was typed, for the usage line and the messages.
    const QString command =
        arguments.isEmpty() ? identity.name : QFileInfo(arguments.constFirst()).fileName();

    parser.setApplicationDescription(identity.description);
    // -platform is one option, as Qt reads it, not eight letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    addQtOptions(parser);

    if (!parser.parse(arguments)) {
        write(stderr, u"%1: %2\nTry '%1 --help' for more information.\n"_s.arg(command,
                                                                               parser.errorText()));
        return 2;
    }
    if (!identity.takesArguments && !parser.positionalArguments().isEmpty()) {
        write(stderr,
              u"%1: Unexpected argument '%2'.\nTry '%1 --help' for more information.\n"_s.arg(
                  command, parser.positionalArguments().constFirst()));
        return 2;
    }
    const bool helpAll = parser.isSet(u"help-all"_s);
    if (parser.isSet(help) || helpAll) {
        // Without an application object Qt cannot know the command's name.
        QString text = parser.helpText();
        text.replace(u"<executable_name>"_s, command);
        if (helpAll)
            text += u"\nQt's own options (-platform, -style, -reverse, -session, ...) are "
                    "taken as Qt takes them.\n"_s;
        write(stdout, text);
        return 0;
    }
    if (parser.isSet(version)) {
        write(stdout, u"%1 %2\n"_s.arg(identity.name, identity.version));
        return 0;
    }

    StartUpThread startUp;
    QApplication app(argc, argv);
    installFontSubstitutes();
    startUp.applicationMade();
    QApplication::setWindowIcon(pngIcon(u":/zol/zol.png"_s));
    const int status = run(app);
    startUp.finish();
    return status;
}

} // namespace zol
