#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace zol::meter {

enum class LineResult {
    Done,
    Closed,  // the program closed its end of the line
    Stopped, // SIGINT or SIGTERM
    Failed,
};

// The meter's end of a pseudo-terminal pair. The program under test opens the
// other end as its serial port; nothing paces a pseudo-terminal, so the meter
// writes at its line's rate itself.
class Pty
{
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool open(std::string *error);
    const std::string &slavePath() const { return m_slavePath; }

    bool slaveIsOpen() const;
    LineResult waitForOpen();
    // Done when the time passed with the port still open.
    LineResult pause(std::chrono::milliseconds duration);
    // Ten bits a character (start, eight data, stop), timed against the clock
    // of the first character so that the rate does not drift.
    LineResult writePaced(std::string_view bytes, int baud, std::size_t *sent = nullptr);
    // Appends what the program sent; Done also when nothing came within
    // timeoutMs (negative: wait without limit).
    LineResult read(std::string &into, int timeoutMs);
    // Drops what the program left unread when it closed the port, so that the
    // next opener does not get the tail of an earlier exchange.
    void discardUnread();

private:
    LineResult waitUntil(std::chrono::steady_clock::time_point deadline, bool forRoom);

    int m_master = -1;
    std::string m_slavePath;
};

} // namespace zol::meter
