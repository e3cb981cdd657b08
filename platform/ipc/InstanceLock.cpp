#include "InstanceLock.h"

#include "DevicePaths.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dawnbell::ipc {

namespace {

// File names stay well below NAME_MAX (255).
constexpr size_t kMaxEscapedChars = 180;

} // namespace

InstanceLock::~InstanceLock()
{
    Release();
}

std::string InstanceLock::LockName(const std::string& executablePath)
{
    std::string name = executablePath;
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
    return name;
}

std::string InstanceLock::LockFilePath(const std::string& executablePath)
{
    const std::string name = LockName(executablePath);
    std::string escaped;
    for (unsigned char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '_' || c == '-';
        if (plain) {
            escaped.push_back(static_cast<char>(c));
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            escaped += buf;
        }
    }
    if (escaped.size() > kMaxEscapedChars) {
        // FNV-1a of the whole name keeps long paths apart.
        uint64_t h = 1469598103934665603ull;
        for (unsigned char c : name) {
            h ^= c;
            h *= 1099511628211ull;
        }
        char buf[24];
        std::snprintf(buf, sizeof buf, "~%016llx", static_cast<unsigned long long>(h));
        escaped = escaped.substr(escaped.size() - (kMaxEscapedChars - 17)) + buf;
    }
    const std::string dir = RuntimeDir();
    if (dir.empty())
        return std::string();
    return dir + "/instance-" + escaped;
}

InstanceLock::Result InstanceLock::Acquire(const std::string& executablePath)
{
    if (m_fd >= 0)
        return Acquired;
    const std::string path = LockFilePath(executablePath);
    if (path.empty())
        return Failed;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? HeldByOther : Failed;
    }
    m_fd = fd;
    return Acquired;
}

void InstanceLock::Release()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace dawnbell::ipc
