#pragma once

#include <QString>

#include <functional>

class QApplication;
class QCommandLineParser;

namespace zol {

// Who a program is, as its --version, --help and window icon tell it.
struct ProgramIdentity
{
    QString name;        // the application name, also the folder of its settings
    QString version;     // "1.2.3"
    QString description; // the line --help starts with
    // A program without files to open names an argument it was given and
    // ends, rather than start as if it had not been typed.
    bool takesArguments = true;
};

// The start both programs share. The command line is read before the
// application object exists, so that --help and --version answer in a
// terminal or on a build machine without a display; Qt's own options
// (-platform, -style, ...) are known to that reading and left to Qt. Then
// the fonts are read on a thread of their own while the application object
// connects to the display, and the name, version, icon and font substitutes
// are set before run builds the window.
//
// parser carries the program's own options and positional arguments; help
// and version are added here. The result is the exit status: 0 after --help
// or --version, 2 for a command line that cannot be read (said on standard
// error), otherwise what run returns.
int runProgram(int argc, char *argv[], const ProgramIdentity &identity, QCommandLineParser &parser,
               const std::function<int(QApplication &)> &run);

} // namespace zol
