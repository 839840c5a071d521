#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zol::meter {

enum class LineResult {
    Done,
    Closed,  // the program closed its end of the line
    Stopped, // SIGINT or SIGTERM
    Stalled, // the line took nothing for a long time
    Failed,
};

// The meter's end of a pseudo-terminal pair. The program under test opens the
// other end as its serial port; nothing paces a pseudo-terminal, so the meter
// writes at its line's rate itself.
//
// A meter cannot see whether the program has its port open, so nothing it
// writes depends on that: what it sends while the port is closed waits in the
// terminal for the next opener, just as a real line would leave it to the
// program to clear. The open and close are watched only to log them and to
// start a dump.
class Pty
{
public:
    using Clock = std::chrono::steady_clock;

    struct Sent
    {
        std::size_t bytes = 0;
        // How far the writing had got when the port was first seen closed.
        std::optional<std::size_t> closedAt;
    };

    Pty() = default;
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool open(std::string *error);
    const std::string &slavePath() const { return m_slavePath; }

    bool slaveIsOpen() const;
    // Done once a program has the port open; Closed when the deadline came
    // first.
    LineResult waitForOpen(std::optional<Clock::time_point> deadline = std::nullopt);
    // Done when the time passed with the port still open, Closed as soon as
    // the program closes it.
    LineResult pauseWhileOpen(std::chrono::milliseconds duration);
    // Done when the time passed, whatever the program does meanwhile.
    LineResult pause(std::chrono::milliseconds duration);
    // Ten bits a character (start, eight data, stop), timed against the clock
    // of the first character so that the rate does not drift; baud 0 writes
    // as fast as the terminal takes it. Goes on when the program closes the
    // port; Stalled when the terminal took nothing for kStallLimit.
    LineResult writePaced(std::string_view bytes, int baud, Sent *sent = nullptr);
    // Appends what the program sent; Done also when nothing came within
    // timeoutMs (negative: wait without limit).
    LineResult read(std::string &into, int timeoutMs);
    // Waits, at most for limit, until the program has read what waits in the
    // terminal: true when it did, false when it did not in time or closed
    // the port, nothing when that cannot be seen.
    std::optional<bool> waitUntilTaken(std::chrono::milliseconds limit);
    // The line is gone: the program's reads fail from now on.
    void hangUp();

    // A full terminal whose reader does not come back must not keep the meter
    // waiting for ever.
    static constexpr std::chrono::seconds kStallLimit{30};

private:
    int m_master = -1;
    std::string m_slavePath;
};

} // namespace zol::meter
