#include "DaemonLink.h"

#include "DevicePaths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dawnbell::notify {

uint64_t PathHash(const std::string& text)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

DaemonPaths CurrentDaemonPaths()
{
    DaemonPaths p;
    p.deviceDir = DeviceDir();
    if (p.deviceDir.empty())
        return p;
    // The same device directory reached through different spellings must map to
    // one socket: hash the canonical path.
    std::string canonical = p.deviceDir;
    if (char* real = ::realpath(p.deviceDir.c_str(), nullptr)) {
        canonical = real;
        std::free(real);
    }
    p.database = p.deviceDir + "/notifications.db";
    p.lock = p.deviceDir + "/notifyd.lock";
    p.log = p.deviceDir + "/notifyd.log";
    p.programLog = p.deviceDir + "/dawnbell.log";
    const std::string runtime = RuntimeDir();
    if (!runtime.empty()) {
        char name[64];
        std::snprintf(name, sizeof name, "/notifyd-%016llx.sock",
                      static_cast<unsigned long long>(PathHash(canonical)));
        p.socket = runtime + name;
    }
    return p;
}

int LockFile(int fd)
{
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return ::fcntl(fd, F_SETLK, &whole);
}

pid_t LockHolder(const std::string& lockPath)
{
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    pid_t pid = 0;
    if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
        pid = probe.l_pid;
        if (pid <= 0) {
            // A holder in another pid namespace: the id written in the file, if any.
            char buf[32] = {};
            const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
            char* end = nullptr;
            const long v = n > 0 ? std::strtol(buf, &end, 10) : 0;
            pid = end != buf && v > 0 && v <= (1l << 22) ? static_cast<pid_t>(v) : -1;
        }
    }
    ::close(fd);
    return pid;
}

bool SendWake(const std::string& socketPath, char kind)
{
    sockaddr_un addr{};
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path)
        return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const char byte = kind;
    ssize_t n;
    do {
        n = ::sendto(fd, &byte, 1, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (n < 0 && errno == EINTR);
    // EAGAIN: the service's queue is full of wake-ups already; it will wake anyway.
    const bool ok = n == 1 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    ::close(fd);
    return ok;
}

} // namespace dawnbell::notify
