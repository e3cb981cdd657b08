#include "ChildProcess.h"

#include "HandledReport.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dawnbell::process {

namespace {

void CloseFd(int* fd)
{
    if (*fd >= 0) {
        ::close(*fd);
        *fd = -1;
    }
}

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

} // namespace

std::string EndText(int status)
{
    char buf[64];
    if (WIFEXITED(status)) {
        std::snprintf(buf, sizeof buf, "exit status %d", WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        const char* abbrev = ::sigabbrev_np(WTERMSIG(status));
        std::snprintf(buf, sizeof buf, "signal %d (SIG%s)", WTERMSIG(status), abbrev ? abbrev : "?");
    } else {
        std::snprintf(buf, sizeof buf, "status %d", status);
    }
    return buf;
}

ChildProcess::~ChildProcess() { CloseAll(); }

void ChildProcess::CloseAll()
{
    CloseFd(&pidFd_);
    CloseFd(&errorPipe_);
    CloseFd(&reportFd_);
}

bool ChildProcess::Succeeded() const { return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0; }

int ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments, const Setup& setup)
{
    if (pid_ > 0)
        return EBUSY;
    if (program.empty() || program.find('\0') != std::string::npos)
        return EINVAL;
    int errorEnds[2] = {-1, -1};  // captured standard error: read, write
    int reportEnds[2] = {-1, -1}; // report channel: ours, the program's
    auto closeEnds = [&] {
        for (int* fd : {&errorEnds[0], &errorEnds[1], &reportEnds[0], &reportEnds[1]})
            CloseFd(fd);
    };
    if (setup.errorFd < 0 && ::pipe2(errorEnds, O_CLOEXEC) != 0)
        return errno;
    if (setup.reportChannel) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, reportEnds) != 0) {
            const int err = errno;
            closeEnds();
            return err;
        }
        // Moved away from the number it gets in the program, so that the
        // duplication below always makes a fresh, inheritable descriptor.
        if (reportEnds[1] <= kHandledFd) {
            const int moved = ::fcntl(reportEnds[1], F_DUPFD_CLOEXEC, kHandledFd + 1);
            ::close(reportEnds[1]);
            reportEnds[1] = moved;
            if (moved < 0) {
                const int err = errno;
                closeEnds();
                return err;
            }
        }
    }

    std::vector<std::string> env;
    env.reserve(setup.environment.size() + 1);
    const std::string variable = std::string(kHandledFdVariable) + "=";
    for (const std::string& e : setup.environment) {
        if (e.compare(0, variable.size(), variable) != 0)
            env.push_back(e);
    }
    if (setup.reportChannel)
        env.push_back(variable + std::to_string(kHandledFd));
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args;
    args.reserve(arguments.size() + 1);
    args.push_back(program);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, setup.errorFd >= 0 ? setup.errorFd : errorEnds[1], STDERR_FILENO);
    if (setup.reportChannel)
        posix_spawn_file_actions_adddup2(&actions, reportEnds[1], kHandledFd);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults); // whatever the caller ignores or blocks, the program starts with the defaults
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    CloseFd(&errorEnds[1]);
    CloseFd(&reportEnds[1]);
    if (rc != 0) {
        closeEnds();
        return rc;
    }
    pid_ = pid;
    errorPipe_ = errorEnds[0];
    reportFd_ = reportEnds[0];
    if (errorPipe_ >= 0)
        SetNonBlocking(errorPipe_);
    if (reportFd_ >= 0)
        SetNonBlocking(reportFd_);
    // Readable once the process ends; -1 on kernels before 5.3, which are polled.
    // (Called directly: the C library's wrapper is not declared for C++ everywhere.)
    pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return 0;
}

void ChildProcess::AddPollFds(std::vector<struct pollfd>* fds) const
{
    for (int fd : {pidFd_, errorPipe_, reportFd_}) {
        if (fd >= 0)
            fds->push_back({fd, POLLIN, 0});
    }
}

bool ChildProcess::Update()
{
    if (pid_ <= 0)
        return false;
    if (errorPipe_ >= 0) {
        char buf[512];
        ssize_t n;
        while ((n = ::read(errorPipe_, buf, sizeof buf)) > 0) {
            const size_t room = kMaxErrorBytes - std::min(kMaxErrorBytes, errorText_.size());
            errorText_.append(buf, std::min(room, static_cast<size_t>(n)));
        }
        if (n == 0)
            CloseFd(&errorPipe_); // every writer has closed it
    }
    if (reportFd_ >= 0) {
        char buf[16];
        ssize_t n;
        while ((n = ::read(reportFd_, buf, sizeof buf)) > 0) {
            if (std::memchr(buf, kHandledByte, static_cast<size_t>(n)))
                reported_ = true;
        }
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            CloseFd(&reportFd_); // closed by the program (and whatever it started)
    }
    if (ended_)
        return true;
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0)
        return false;
    // Ended, or (got < 0) no longer ours to wait for: either way it is over.
    ended_ = true;
    status_ = got == pid_ ? status : 0;
    CloseFd(&pidFd_);
    // What is still buffered in the pipes was written before the end.
    Update();
    CloseFd(&errorPipe_);
    CloseFd(&reportFd_);
    return true;
}

void ChildProcess::Kill()
{
    if (!Running())
        return;
    ::kill(-pid_, SIGKILL); // its process group: what it started and left in it goes too
    ::kill(pid_, SIGKILL);
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &status, 0);
    } while (got < 0 && errno == EINTR);
    ended_ = true;
    status_ = got == pid_ ? status : 0;
    Update();
    CloseAll();
}

} // namespace dawnbell::process
