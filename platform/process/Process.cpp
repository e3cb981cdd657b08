#include "Process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dawnbell::process {

namespace {

// What the intermediate process reports back through its pipe.
struct SpawnReport {
    int error;  // 0 or the errno of posix_spawn
    pid_t pid;  // started process
    int status; // its wait status when it ended within the watch time, else -1
};

bool WriteAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size)
{
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Closes every descriptor above standard error except `keep`. Runs in the forked
// intermediate process, so only system calls.
void CloseInheritedDescriptors(int keep)
{
    if (keep > 3 && ::close_range(3, static_cast<unsigned>(keep - 1), 0) == 0 &&
        ::close_range(static_cast<unsigned>(keep + 1), ~0u, 0) == 0)
        return;
    if (keep == 3 && ::close_range(4, ~0u, 0) == 0)
        return;
    // Kernels before 5.9: close one by one up to the descriptor limit.
    struct rlimit limit {};
    int last = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        last = static_cast<int>(limit.rlim_cur < 65536 ? limit.rlim_cur : 65536);
    for (int fd = 3; fd < last; ++fd) {
        if (fd != keep)
            ::close(fd);
    }
}

} // namespace

int SpawnDetachedArgs(const std::string& program, const std::vector<std::string>& arguments,
                      pid_t* pid, const SpawnOptions& options)
{
    if (program.empty() || program.find('\0') != std::string::npos)
        return EINVAL;
    for (const std::string& a : arguments) {
        if (a.find('\0') != std::string::npos)
            return EINVAL;
    }

    // Everything that allocates is prepared before fork: the intermediate child of
    // a multi-threaded caller may only use async-signal-safe calls (posix_spawn
    // itself only clones and executes).
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0)
        return ENOMEM;
    sigset_t empty, all;
    sigemptyset(&empty);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &empty);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attr);
        return ENOMEM;
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!options.logFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, options.logFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
    }

    const bool searchPath = program.find('/') == std::string::npos;
    int result = 0;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        result = errno;
    } else {
        const pid_t middle = ::fork();
        if (middle < 0) {
            result = errno;
            ::close(fds[0]);
            ::close(fds[1]);
        } else if (middle == 0) {
            // Before anything else, let go of everything the caller holds open: a
            // lock held through a descriptor (the program's instance lock) or a
            // bound socket must end with its holder, not live on in this copy
            // while the program is being started; and the started program gets
            // none of them.
            CloseInheritedDescriptors(fds[1]);
            SpawnReport report{0, 0, -1};
            report.error = searchPath
                ? posix_spawnp(&report.pid, argv[0], &actions, &attr, argv.data(), environ)
                : posix_spawn(&report.pid, argv[0], &actions, &attr, argv.data(), environ);
            if (report.error == 0 && options.watchMs > 0) {
                // Only async-signal-safe calls here: waitpid, clock_gettime, nanosleep.
                struct timespec start, now;
                ::clock_gettime(CLOCK_MONOTONIC, &start);
                for (;;) {
                    int st = 0;
                    if (::waitpid(report.pid, &st, WNOHANG) == report.pid) {
                        report.status = st;
                        break;
                    }
                    ::clock_gettime(CLOCK_MONOTONIC, &now);
                    const long long waited = (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
                    if (waited >= options.watchMs)
                        break;
                    const struct timespec step = {0, 10 * 1000 * 1000};
                    ::nanosleep(&step, nullptr);
                }
            }
            WriteAll(fds[1], &report, sizeof report);
            ::_exit(0);
        } else {
            ::close(fds[1]);
            SpawnReport report{EIO, 0, -1};
            if (!ReadAll(fds[0], &report, sizeof report))
                report = SpawnReport{EIO, 0, -1};
            ::close(fds[0]);
            int status = 0;
            while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
            }
            result = report.error;
            if (result == 0 && pid)
                *pid = report.pid;
            if (options.endStatus)
                *options.endStatus = result == 0 ? report.status : -1;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return result;
}

int SpawnDetached(const std::string& program, const std::string& argument, pid_t* pid)
{
    if (argument.empty())
        return SpawnDetachedArgs(program, {}, pid);
    return SpawnDetachedArgs(program, {argument}, pid);
}

namespace {

int64_t MonotonicMs()
{
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

int RunForOutput(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs,
                 size_t maxBytes, std::string* output, int* status)
{
    if (output)
        output->clear();
    if (program.empty() || program.find('\0') != std::string::npos)
        return EINVAL;
    std::vector<std::string> args;
    args.push_back(program);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t empty, all;
    sigemptyset(&empty);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &empty);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const bool searchPath = program.find('/') == std::string::npos;
    const int rc = searchPath ? posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ)
                              : posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return rc;
    }

    const int64_t deadline = MonotonicMs() + (timeoutMs > 0 ? timeoutMs : 0);
    bool open = true;
    int waitStatus = 0;
    bool reaped = false;
    while (!reaped) {
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0)
            break;
        if (open) {
            struct pollfd p = {fds[0], POLLIN, 0};
            const int n = ::poll(&p, 1, static_cast<int>(left));
            if (n < 0 && errno != EINTR)
                break;
            if (n > 0) {
                char buf[1024];
                const ssize_t got = ::read(fds[0], buf, sizeof buf);
                if (got > 0 && output && output->size() < maxBytes)
                    output->append(buf, std::min(maxBytes - output->size(), static_cast<size_t>(got)));
                else if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
                    open = false; // every writer is done
            }
            continue;
        }
        const pid_t got = ::waitpid(pid, &waitStatus, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR)) {
            reaped = true;
            break;
        }
        ::usleep(2000);
    }
    ::close(fds[0]);
    if (!reaped) {
        // Whatever is left of it: the program and anything it started in its group.
        ::kill(-pid, SIGKILL);
        while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
        }
        return ETIMEDOUT;
    }
    if (status)
        *status = waitStatus;
    return 0;
}

bool RunsProgram(pid_t pid, const std::string& program)
{
    if (pid <= 0 || ::kill(pid, 0) != 0)
        return false;
    char exe[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t n = ::readlink(link.c_str(), exe, sizeof exe - 1);
    return n > 0 && std::string(exe, static_cast<size_t>(n)) == program;
}

} // namespace dawnbell::process
