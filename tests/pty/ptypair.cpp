#include "ptypair.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace zol::test {

PtyPair::PtyPair()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return;
    // Raw, so that the line discipline passes every byte as the meter sent it.
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    m_master = master;
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    closeMaster();
}

bool PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd pfd{m_master, POLLOUT, 0};
        if (::poll(&pfd, 1, 5000) <= 0)
            return false;
    }
    return done == bytes.size();
}

QByteArray PtyPair::read(int timeoutMs)
{
    QByteArray result;
    if (m_master < 0)
        return result;
    pollfd pfd{m_master, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0 || !(pfd.revents & POLLIN))
        return result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.append(buffer, n);
    }
    return result;
}

bool PtyPair::slaveIsOpen() const
{
    if (m_master < 0)
        return false;
    // While no one holds the slave side, the master reports a hang-up.
    pollfd pfd{m_master, 0, 0};
    ::poll(&pfd, 1, 0);
    return !(pfd.revents & POLLHUP);
}

void PtyPair::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

} // namespace zol::test
