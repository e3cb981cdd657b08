#pragma once
// A stand-in for a running notification service: a child process that holds the
// service's lock and listens on its wake-up socket (reading nothing), so no real
// service starts and records stay exactly as stored, also those already due.
#include "DaemonLink.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dawnbell::test {

// Starts the stand-in for the service of `paths`; its process id, or -1. The
// caller ends it with StopStandInService.
inline pid_t StartStandInService(const notify::DaemonPaths& paths)
{
    sockaddr_un addr{};
    if (paths.socket.size() >= sizeof addr.sun_path)
        return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, paths.socket.c_str(), paths.socket.size() + 1);
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only system calls in the child of a threaded process.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(ready[0]);
        const int lock = ::open(paths.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const int sock = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ::unlink(paths.socket.c_str());
        const bool ok = lock >= 0 && notify::LockFile(lock) == 0 && sock >= 0 &&
                        ::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
        const char c = ok ? 'y' : 'n';
        (void)::write(ready[1], &c, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char c = 'n';
    if (pid < 0 || ::read(ready[0], &c, 1) != 1 || c != 'y') {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(ready[0]);
        return -1;
    }
    ::close(ready[0]);
    return pid;
}

// Ends a stand-in started by StartStandInService (nothing for pid <= 0).
inline void StopStandInService(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace dawnbell::test
