#pragma once

namespace zol::meter {

// SIGINT and SIGTERM end the program cleanly: the handler only writes to a
// pipe, and every wait polls that pipe next to the line, so a signal ends even
// a wait that would otherwise last for ever.
class StopSignal
{
public:
    // Returns false when the pipe or the handlers cannot be set up.
    static bool install();
    static int fd();
    static bool raised();
};

} // namespace zol::meter
