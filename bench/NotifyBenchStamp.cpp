// Started by the notification service in the benchmark: appends its argument and
// the real time of its start (ns since the epoch) to $NOTIFY_BENCH_FILE.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const char* file = std::getenv("NOTIFY_BENCH_FILE");
    if (!file || argc < 2)
        return 1;
    char line[256];
    const int n = std::snprintf(line, sizeof line, "%s %lld\n", argv[1],
                                static_cast<long long>(ts.tv_sec) * 1000000000ll + ts.tv_nsec);
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return 1;
    const bool ok = ::write(fd, line, static_cast<size_t>(n)) == n;
    ::close(fd);
    return ok ? 0 : 1;
}
