#include "terminationsignal.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>
#endif

namespace zol {

#ifdef Q_OS_UNIX

namespace {

// A signal handler may do next to nothing: it writes the signal's number to
// a pipe, and the event loop reads it there.
int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
struct sigaction g_previous[std::size(kSignals)] = {};

extern "C" void onTerminationSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

} // namespace

TerminationSignal::TerminationSignal(QObject *parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::pipe(g_pipe) != 0)
        return;
    for (int end : g_pipe) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &action, &g_previous[i]);
        // One ignored by whoever started the program (nohup, a shell's
        // background job) stays ignored.
        if (g_previous[i].sa_handler == SIG_IGN)
            ::sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignal::readPipe);
}

TerminationSignal::~TerminationSignal()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    for (int &end : g_pipe) {
        ::close(end);
        end = -1;
    }
}

void TerminationSignal::readPipe()
{
    unsigned char numbers[16];
    ssize_t n = 0;
    while ((n = ::read(g_pipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            emit received(numbers[i]);
    }
}

#else

TerminationSignal::TerminationSignal(QObject *parent) : QObject(parent) {}

TerminationSignal::~TerminationSignal() = default;

void TerminationSignal::readPipe() {}

#endif

} // namespace zol
