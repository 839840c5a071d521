#include "pty.h"

#include "stopsignal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
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

using namespace std::chrono_literals;

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
    if (m_master < 0 || ::poll(&pfd, 1, 0) < 0)
        return false;
    return !(pfd.revents & (POLLHUP | POLLERR));
}

LineResult Pty::waitForOpen(std::optional<Clock::time_point> deadline)
{
    // The hang-up is a level, not an event: polling the master for it would
    // return at once, so look again at short intervals.
    while (!slaveIsOpen()) {
        if (deadline && Clock::now() >= *deadline)
            return LineResult::Closed;
        const int timeout = deadline ? std::min(msUntil(*deadline), 20) : 20;
        pollfd stop{StopSignal::fd(), POLLIN, 0};
        if (::poll(&stop, 1, timeout) > 0 || StopSignal::raised())
            return LineResult::Stopped;
    }
    return LineResult::Done;
}

LineResult Pty::pauseWhileOpen(std::chrono::milliseconds duration)
{
    const auto deadline = Clock::now() + duration;
    for (;;) {
        pollfd fds[2] = {{StopSignal::fd(), POLLIN, 0}, {m_master, 0, 0}};
        const int n = ::poll(fds, 2, msUntil(deadline));
        if (n < 0 && errno != EINTR)
            return LineResult::Failed;
        if (StopSignal::raised() || (fds[0].revents & POLLIN))
            return LineResult::Stopped;
        if (fds[1].revents & (POLLHUP | POLLERR))
            return LineResult::Closed;
        if (Clock::now() >= deadline)
            return LineResult::Done;
    }
}

LineResult Pty::pause(std::chrono::milliseconds duration)
{
    const auto deadline = Clock::now() + duration;
    for (;;) {
        pollfd stop{StopSignal::fd(), POLLIN, 0};
        const int n = ::poll(&stop, 1, msUntil(deadline));
        if (n < 0 && errno != EINTR)
            return LineResult::Failed;
        if (StopSignal::raised() || (stop.revents & POLLIN))
            return LineResult::Stopped;
        if (Clock::now() >= deadline)
            return LineResult::Done;
    }
}

LineResult Pty::writePaced(std::string_view bytes, int baud, Sent *sentOut)
{
    using namespace std::chrono;
    const auto perChar = baud > 0 ? nanoseconds(10'000'000'000LL / baud) : nanoseconds::zero();
    const auto start = Clock::now();
    auto progress = start;
    Sent sent;
    struct Report
    {
        Sent &sent;
        Sent *out;
        ~Report()
        {
            if (out)
                *out = sent;
        }
    } report{sent, sentOut};
    while (sent.bytes < bytes.size()) {
        if (!sent.closedAt && !slaveIsOpen())
            sent.closedAt = sent.bytes;
        const auto now = Clock::now();
        const std::size_t due =
            perChar == nanoseconds::zero()
                ? bytes.size()
                : std::min(bytes.size(), static_cast<std::size_t>((now - start) / perChar) + 1);
        bool full = false;
        if (due > sent.bytes) {
            const ssize_t n = ::write(m_master, bytes.data() + sent.bytes, due - sent.bytes);
            if (n > 0) {
                sent.bytes += static_cast<std::size_t>(n);
                progress = now;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                return LineResult::Failed;
            }
            // A program that stops reading fills the terminal's buffer, and
            // some systems refuse writes (EIO) while nobody has the port
            // open; either way the bytes are tried again, as a meter keeps
            // sending whether or not anybody listens.
            full = sent.bytes < due;
        }
        if (sent.bytes == bytes.size())
            break;
        if (full && now - progress >= kStallLimit)
            return LineResult::Stalled;
        LineResult waited = LineResult::Done;
        if (!full) {
            // Signed, so that a meter that fell behind its pace waits for
            // nothing instead of for an unsigned wrap-around.
            waited = pause(ceil<milliseconds>(start + perChar * static_cast<long long>(sent.bytes) -
                                              Clock::now()));
        } else if (!slaveIsOpen()) {
            // The hang-up masks whether there is room again; look again soon.
            waited = pause(20ms);
        } else {
            pollfd fds[2] = {{StopSignal::fd(), POLLIN, 0}, {m_master, POLLOUT, 0}};
            if (::poll(fds, 2, 50) < 0 && errno != EINTR)
                return LineResult::Failed;
            if (StopSignal::raised() || (fds[0].revents & POLLIN))
                waited = LineResult::Stopped;
        }
        if (waited != LineResult::Done)
            return waited;
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

std::optional<bool> Pty::waitUntilTaken(std::chrono::milliseconds limit)
{
    using namespace std::chrono;
    // Bytes reach the program's queue a moment after the write, so one empty
    // look is not proof that they were read; the queue must stay empty a while.
    constexpr auto kSettle = 100ms;
    const auto deadline = Clock::now() + limit;
    std::optional<Clock::time_point> emptySince;
    for (;;) {
        if (!slaveIsOpen())
            return false;
        // Only the slave knows what it holds unread. Opening it beside the
        // program leaves the program's port as it is; a port taken for
        // exclusive use refuses, and then there is no knowing.
        const int slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave < 0)
            return std::nullopt;
        int waiting = 0;
        const bool known = ::ioctl(slave, FIONREAD, &waiting) == 0;
        ::close(slave);
        if (!known)
            return std::nullopt;
        const auto now = Clock::now();
        if (waiting > 0)
            emptySince.reset();
        else if (!emptySince)
            emptySince = now;
        else if (now - *emptySince >= kSettle)
            return true;
        if (now >= deadline || pause(20ms) != LineResult::Done)
            return false;
    }
}

void Pty::hangUp()
{
    if (m_master < 0)
        return;
    ::close(m_master);
    m_master = -1;
}

} // namespace zol::meter
