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

} // namespace zol
