#include "pty.h"

#include "stopsignal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <util.h>
#elif defined(__FreeBSD__)
#include <libutil.h>
#else
#include <pty.h>
#endif

namespace zol::meter {

namespace {

void makeRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
}

int msUntil(std::chrono::steady_clock::time_point deadline)
{
    using namespace std::chrono;
    const auto left = deadline - steady_clock::now();
    if (left <= nanoseconds::zero())
        return 0;
    // Rounded up: waking early would only cost another round.
    return static_cast<int>(ceil<milliseconds>(left).count());
}

} // namespace

Pty::~Pty()
{
    if (m_master >= 0)
        ::close(m_master);
}

bool Pty::open(std::string *error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    // Raw from the start, so that nothing is translated even for a program
    // that does not set the line up itself.
    makeRaw(slave);
    // Holding the slave open ourselves would hide whether the program has it.
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slavePath = name;
    return true;
}

bool Pty::slaveIsOpen() const
{
    // While nobody holds the slave open, the master reports a hang-up.
    pollfd pfd{m_master, 0, 0};
    if (::poll(&pfd, 1, 0) < 0)
        return false;
    return !(pfd.revents & (POLLHUP | POLLERR));
}

LineResult Pty::waitForOpen()
{
    // The hang-up is a level, not an event: polling the master for it would
    // return at once, so look again at short intervals.
    while (!slaveIsOpen()) {
        pollfd stop{StopSignal::fd(), POLLIN, 0};
        if (::poll(&stop, 1, 20) > 0 || StopSignal::raised())
            return LineResult::Stopped;
    }
    return LineResult::Done;
}

LineResult Pty::waitUntil(std::chrono::steady_clock::time_point deadline, bool forRoom)
{
    for (;;) {
        pollfd fds[2] = {{StopSignal::fd(), POLLIN, 0},
                         {m_master, static_cast<short>(forRoom ? POLLOUT : 0), 0}};
        const int timeout = forRoom ? std::min(msUntil(deadline), 50) : msUntil(deadline);
        const int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            return LineResult::Failed;
        if (StopSignal::raised() || (fds[0].revents & POLLIN))
            return LineResult::Stopped;
        if (fds[1].revents & (POLLHUP | POLLERR))
            return LineResult::Closed;
        if (forRoom || std::chrono::steady_clock::now() >= deadline)
            return LineResult::Done;
    }
}

LineResult Pty::pause(std::chrono::milliseconds duration)
{
    return waitUntil(std::chrono::steady_clock::now() + duration, false);
}

LineResult Pty::writePaced(std::string_view bytes, int baud, std::size_t *sentOut)
{
    using namespace std::chrono;
    const auto perChar = nanoseconds(10'000'000'000LL / baud);
    const auto start = steady_clock::now();
    std::size_t sent = 0;
    struct Report
    {
        std::size_t &sent;
        std::size_t *out;
        ~Report()
        {
            if (out)
                *out = sent;
        }
    } report{sent, sentOut};
    while (sent < bytes.size()) {
        const auto elapsed = steady_clock::now() - start;
        const std::size_t due =
            std::min(bytes.size(), static_cast<std::size_t>(elapsed / perChar) + 1);
        bool full = false;
        if (due > sent) {
            const ssize_t n = ::write(m_master, bytes.data() + sent, due - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EIO) {
                return LineResult::Closed;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return LineResult::Failed;
            }
            // A program that stops reading fills the terminal's buffer; wait
            // for room rather than spin.
            full = sent < due;
        }
        if (sent == bytes.size())
            break;
        const LineResult waited = waitUntil(start + perChar * sent, full);
        if (waited != LineResult::Done)
            return waited;
        if (!slaveIsOpen())
            return LineResult::Closed;
    }
    return LineResult::Done;
}

LineResult Pty::read(std::string &into, int timeoutMs)
{
    pollfd fds[2] = {{StopSignal::fd(), POLLIN, 0}, {m_master, POLLIN, 0}};
    const int n = ::poll(fds, 2, timeoutMs);
    if (n < 0)
        return errno == EINTR ? LineResult::Done : LineResult::Failed;
    if (StopSignal::raised() || (fds[0].revents & POLLIN))
        return LineResult::Stopped;
    if (fds[1].revents & POLLIN) {
        char buffer[4096];
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
            return LineResult::Done;
        }
        if (got == 0 || errno == EIO)
            return LineResult::Closed;
        if (errno != EAGAIN && errno != EINTR)
            return LineResult::Failed;
    }
    if (fds[1].revents & (POLLHUP | POLLERR))
        return LineResult::Closed;
    return LineResult::Done;
}

void Pty::discardUnread()
{
    // The slave's input queue outlives its last close, and flushing from the
    // master side does not reach it; only a flush on the slave itself does.
    const int slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return;
    ::tcflush(slave, TCIFLUSH);
    ::close(slave);
}

} // namespace zol::meter
