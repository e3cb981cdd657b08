#include "HandledReport.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell::process {

namespace {
std::atomic<int> g_channel{-1}; // the taken descriptor, -1 when none (or already reported)
} // namespace

void TakeHandledReport()
{
    const char* text = std::getenv(kHandledFdVariable);
    if (!text)
        return;
    char* end = nullptr;
    errno = 0;
    const long fd = std::strtol(text, &end, 10);
    const bool number = errno == 0 && end != text && *end == '\0' && fd > STDERR_FILENO && fd < 1024;
    ::unsetenv(kHandledFdVariable);
    struct stat st;
    if (!number || ::fstat(static_cast<int>(fd), &st) != 0 || !S_ISSOCK(st.st_mode))
        return; // not ours to touch
    ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    g_channel.store(static_cast<int>(fd));
}

void ReportHandled()
{
    const int fd = g_channel.exchange(-1);
    if (fd < 0)
        return;
    ssize_t n;
    do {
        n = ::send(fd, &kHandledByte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
}

} // namespace dawnbell::process
