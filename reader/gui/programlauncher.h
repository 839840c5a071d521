#pragma once

#include <QString>

namespace zol {

// Starts another program without waiting for it.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    // Starts the program at path, the path itself being the whole command
    // line. False when it could not be started.
    virtual bool start(const QString &path) = 0;
};

// The real one, over QProcess::startDetached. A path is neither quoted nor
// split at its spaces; on Windows it is the command line exactly as given and
// the program opens in a normal window that takes the focus. Elsewhere a text
// that names no file is a command line, split as a shell would.
class QtProgramLauncher final : public ProgramLauncher
{
public:
    bool start(const QString &path) override;
};

// True when path names an ordinary file: one that exists and is neither a
// folder, nor hidden, nor (on Windows) a system file.
bool isOrdinaryFile(const QString &path);

} // namespace zol
