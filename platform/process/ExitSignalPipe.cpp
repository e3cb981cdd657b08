#include "ExitSignalPipe.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace dawnbell::process {

namespace {

int g_pipe[2] = {-1, -1}; // read end, write end

constexpr int kExitSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnExitSignal(int signo)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    // A full pipe drops the byte: enough signals are already waiting to be read.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

int InstallExitSignalPipe()
{
    if (g_pipe[0] >= 0)
        return g_pipe[0];
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        return -1;
    g_pipe[0] = fds[0];
    g_pipe[1] = fds[1];
    struct sigaction action = {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signo : kExitSignals)
        ::sigaction(signo, &action, nullptr);
    return g_pipe[0];
}

int ReadExitSignal()
{
    if (g_pipe[0] < 0)
        return 0;
    unsigned char byte = 0;
    return ::read(g_pipe[0], &byte, 1) == 1 ? byte : 0;
}

const char* ExitSignalName(int signo)
{
    switch (signo) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: break;
    }
    static thread_local char text[24];
    std::snprintf(text, sizeof text, "signal %d", signo);
    return text;
}

} // namespace dawnbell::process
