#include "IpcServer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dawnbell::ipc {

namespace {

bool MakeAddress(const std::string& path, sockaddr_un* addr)
{
    *addr = sockaddr_un{};
    addr->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr->sun_path)
        return false;
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when a process accepts connections on the socket at `addr`.
bool SomeoneListens(const sockaddr_un& addr)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

IpcServer::~IpcServer()
{
    Close();
}

IpcServer::ListenResult IpcServer::Listen(const std::string& socketPath)
{
    Close();
    sockaddr_un addr;
    if (!MakeAddress(socketPath, &addr))
        return ListenFailed;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return ListenFailed;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EADDRINUSE || SomeoneListens(addr)) {
            const bool inUse = errno == EADDRINUSE;
            ::close(fd);
            return inUse ? InUse : ListenFailed;
        }
        // A socket file left behind by an ended process.
        ::unlink(socketPath.c_str());
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return ListenFailed;
        }
    }
    ::chmod(socketPath.c_str(), 0600);
    if (::listen(fd, 16) != 0) {
        ::close(fd);
        ::unlink(socketPath.c_str());
        return ListenFailed;
    }
    struct stat st{};
    m_inode = ::stat(socketPath.c_str(), &st) == 0 ? st.st_ino : 0;
    m_listenFd = fd;
    m_path = socketPath;
    return Listening;
}

void IpcServer::Close()
{
    while (!m_connections.empty())
        Drop(m_connections.begin()->first);
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        struct stat st{};
        if (::stat(m_path.c_str(), &st) == 0 && st.st_ino == m_inode)
            ::unlink(m_path.c_str());
    }
    m_path.clear();
    m_inode = 0;
}

std::vector<int> IpcServer::AcceptPending(int64_t nowMs, std::vector<int>* dropped)
{
    std::vector<int> accepted;
    if (m_listenFd < 0)
        return accepted;
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            break; // EAGAIN: nothing more pending; other errors: try again on the next event
        }
        ucred cred{};
        socklen_t len = sizeof cred;
        const bool sameUser = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::geteuid();
        if (!sameUser) {
            ::close(fd);
            continue;
        }
        if (m_connections.size() >= kMaxConnections) {
            const int oldest = DropOldestWaiting();
            if (oldest < 0) {
                ::close(fd);
                continue;
            }
            // One accepted in this call was never watched by the caller.
            const auto it = std::find(accepted.begin(), accepted.end(), oldest);
            if (it != accepted.end())
                accepted.erase(it);
            else
                dropped->push_back(oldest);
        }
        Connection& c = m_connections[fd];
        c.openedMs = nowMs;
        c.serial = m_nextSerial++;
        accepted.push_back(fd);
    }
    return accepted;
}

IpcServer::ReadResult IpcServer::Read(int fd, Frame* frame)
{
    auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return Dropped;
    if (it->second.handling)
        return Pending;
    bool ended = false; // the client has finished sending (a posted message, then close)
    for (;;) {
        Connection& c = it->second;
        // Never buffer more than one largest frame.
        const size_t room = kHeaderBytes + kMaxDataBytes - c.buffer.size();
        if (room == 0)
            break;
        uint8_t chunk[kHeaderBytes + kMaxDataBytes];
        const ssize_t n = ::recv(fd, chunk, room, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n <= 0) {
            ended = true;
            break;
        }
        c.buffer.insert(c.buffer.end(), chunk, chunk + n);
    }
    Connection& c = it->second;
    size_t consumed = 0;
    switch (ParseFrame(c.buffer.data(), c.buffer.size(), frame, &consumed)) {
    case ParseResult::Complete:
        c.handling = true;
        c.buffer.clear();
        return FrameReady;
    case ParseResult::NeedMore:
        if (!ended)
            return Pending;
        break;
    case ParseResult::Malformed:
        break;
    }
    Drop(fd);
    return Dropped;
}

void IpcServer::Finish(int fd, int32_t result, bool answer)
{
    if (m_connections.find(fd) == m_connections.end())
        return;
    if (answer) {
        // Eight bytes on a fresh stream socket always fit its buffer; a client
        // that has gone away costs nothing (no SIGPIPE).
        const std::vector<uint8_t> bytes = EncodeAnswer(result);
        (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    Drop(fd);
}

std::vector<int> IpcServer::ExpireIdle(int64_t nowMs)
{
    std::vector<int> expired;
    for (const auto& [fd, c] : m_connections) {
        if (!c.handling && nowMs - c.openedMs > kIdleTimeoutMs)
            expired.push_back(fd);
    }
    for (int fd : expired)
        Drop(fd);
    return expired;
}

int IpcServer::DropOldestWaiting()
{
    int oldest = -1;
    uint64_t oldestSerial = 0;
    for (const auto& [fd, c] : m_connections) {
        if (!c.handling && (oldest < 0 || c.serial < oldestSerial)) {
            oldest = fd;
            oldestSerial = c.serial;
        }
    }
    if (oldest >= 0)
        Drop(oldest);
    return oldest;
}

void IpcServer::Drop(int fd)
{
    m_connections.erase(fd);
    ::close(fd);
}

} // namespace dawnbell::ipc
