#include "Broadcast.h"

#include "DevicePaths.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dawnbell {

namespace {

constexpr uint32_t kMagic = 0x42424E44; // "DNBB" in memory order
constexpr size_t kDatagramBytes = 12;   // magic, message, parameter (little-endian)

void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Fills `addr` for `path`; false when the path does not fit.
bool MakeAddress(const std::string& path, sockaddr_un* addr)
{
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr->sun_path)
        return false;
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool EndsWith(const char* name, const char* suffix)
{
    const size_t n = std::strlen(name), s = std::strlen(suffix);
    return n > s && std::strcmp(name + n - s, suffix) == 0;
}

} // namespace

std::string BroadcastDir()
{
    const std::string run = RuntimeDir();
    if (run.empty())
        return std::string();
    const std::string dir = run + "/broadcast";
    return MakeDirs(dir, 0700) ? dir : std::string();
}

int SendBroadcast(const BroadcastMessage& msg)
{
    const std::string dir = BroadcastDir();
    if (dir.empty())
        return 0;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return 0;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        ::closedir(d);
        return 0;
    }
    uint8_t datagram[kDatagramBytes];
    PutU32(datagram, kMagic);
    PutU32(datagram + 4, msg.message);
    PutU32(datagram + 8, msg.wparam);

    int reached = 0;
    while (const dirent* e = ::readdir(d)) {
        if (!EndsWith(e->d_name, ".sock"))
            continue;
        const std::string path = dir + "/" + e->d_name;
        sockaddr_un addr;
        if (!MakeAddress(path, &addr))
            continue;
        ssize_t n;
        do {
            n = ::sendto(fd, datagram, sizeof datagram, MSG_DONTWAIT | MSG_NOSIGNAL,
                         reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        } while (n < 0 && errno == EINTR);
        if (n == static_cast<ssize_t>(sizeof datagram))
            ++reached;
        else if (errno == ECONNREFUSED)
            ::unlink(path.c_str()); // its listener is gone without cleaning up
    }
    ::close(fd);
    ::closedir(d);
    return reached;
}

BroadcastReceiver::~BroadcastReceiver() { Close(); }

bool BroadcastReceiver::Open()
{
    Close();
    const std::string dir = BroadcastDir();
    if (dir.empty())
        return false;
    static std::atomic<unsigned> counter{0};
    const std::string path = dir + "/" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".sock";
    sockaddr_un addr;
    if (!MakeAddress(path, &addr))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::unlink(path.c_str()); // a file of an earlier process with the same id
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void BroadcastReceiver::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    fd_ = -1;
    path_.clear();
}

bool BroadcastReceiver::Read(BroadcastMessage* out)
{
    if (fd_ < 0)
        return false;
    for (;;) {
        uint8_t buf[64];
        ssize_t n;
        do {
            n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return false; // nothing pending (or the socket failed)
        if (n == static_cast<ssize_t>(kDatagramBytes) && GetU32(buf) == kMagic) {
            out->message = GetU32(buf + 4);
            out->wparam = GetU32(buf + 8);
            return true;
        }
        // Not one of ours: drop it and look at the next one.
    }
}

} // namespace dawnbell
