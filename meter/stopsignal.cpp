#include "stopsignal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zol::meter {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_raised = 0;

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    g_raised = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

bool StopSignal::install()
{
    if (::pipe(g_pipe) != 0)
        return false;
    for (int end : g_pipe) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    if (::sigaction(SIGINT, &action, nullptr) != 0 || ::sigaction(SIGTERM, &action, nullptr) != 0)
        return false;
    // The terminal that started us may go away; that is a stop, not a crash.
    ::sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int StopSignal::fd()
{
    return g_pipe[0];
}

bool StopSignal::raised()
{
    return g_raised != 0;
}

} // namespace zol::meter
