#include "IpcClient.h"

#include "DevicePaths.h"
#include "IpcFrame.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace dawnbell::ipc {

std::string SocketPath()
{
    const std::string dir = RuntimeDir();
    return dir.empty() ? std::string() : dir + "/Dawnbell.sock";
}

std::string ExecutableOfProcess(pid_t pid)
{
    if (pid <= 0)
        return std::string();
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%d/exe", static_cast<int>(pid));
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(link, buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    std::string path(buf, static_cast<size_t>(n));
    // A program file replaced while running (a rebuild, an update) reads so.
    static const std::string kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
        path.resize(path.size() - kDeleted.size());
    return path;
}

IpcClient::~IpcClient()
{
    Close();
}

void IpcClient::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_peer = 0;
}

SendResult IpcClient::Connect(const std::string& socketPath, const std::string& executablePath)
{
    Close();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path)
        return SendNoWindow;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return SendNoWindow;
    // A window that stopped accepting (its queue full) must not hold the sender
    // for ever: connecting and writing give up after this time.
    const timeval limit{kConnectTimeoutMs / 1000, (kConnectTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return SendNoWindow;
    }
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::geteuid()) {
        ::close(fd);
        return SendNoWindow;
    }
    if (!executablePath.empty() && ExecutableOfProcess(cred.pid) != executablePath) {
        ::close(fd);
        return SendNoWindow;
    }
    m_fd = fd;
    m_peer = cred.pid;
    return SendOk;
}

SendResult IpcClient::WriteAll(const uint8_t* data, size_t size)
{
    if (m_fd < 0)
        return SendNoWindow;
    while (size > 0) {
        const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // The window closed or refused the connection (it was busy with too
            // many others, or it is ending).
            return errno == EPIPE || errno == ECONNRESET ? SendLost : SendFailed;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return SendOk;
}

IpcClient::ReadEnd IpcClient::ReadAnswer(uint8_t* data, size_t size, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t have = 0;
    while (have < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ReadTimedOut;
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return ReadError;
        if (ready == 0)
            return ReadTimedOut;
        const ssize_t n = ::recv(m_fd, data + have, size - have, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == ECONNRESET ? ReadReset : ReadError;
        if (n == 0)
            return have == 0 ? ReadEndOfStream : ReadReset; // half an answer is no answer
        have += static_cast<size_t>(n);
    }
    return ReadAll;
}

SendResult IpcClient::SendCopyData(uint32_t code, const std::u16string& key, int timeoutMs, int32_t* result,
                                   const std::function<void()>& onHeld, int heldAfterMs)
{
    std::vector<uint8_t> frame;
    if (!EncodeCopyData(code, key, &frame))
        return SendInvalid;
    if (const SendResult r = WriteAll(frame.data(), frame.size()); r != SendOk)
        return r;
    if (onHeld && heldAfterMs > 0 && heldAfterMs < timeoutMs) {
        // Only looked at, not read: the answer (or the end) is read below.
        pollfd p{m_fd, POLLIN, 0};
        int n;
        const auto start = std::chrono::steady_clock::now();
        do {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
            n = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, heldAfterMs - spent)));
        } while (n < 0 && errno == EINTR);
        if (n == 0) {
            onHeld();
            timeoutMs -= heldAfterMs;
        }
    }
    uint8_t answer[kAnswerBytes];
    switch (ReadAnswer(answer, kAnswerBytes, timeoutMs)) {
    case ReadAll:
        break;
    case ReadEndOfStream:
    case ReadReset:
        return SendLost; // closed without an answer: refused, or the window ended
    case ReadTimedOut:
        return SendNoAnswer;
    case ReadError:
        return SendFailed;
    }
    int32_t value = 0;
    if (!DecodeAnswer(answer, kAnswerBytes, &value))
        return SendFailed; // not our window's answer
    if (result)
        *result = value;
    return SendOk;
}

SendResult IpcClient::Post(uint32_t message, uint32_t wparam, int32_t lparam, int ackTimeoutMs)
{
    const std::vector<uint8_t> frame = EncodePosted(message, wparam, lparam);
    if (const SendResult r = WriteAll(frame.data(), frame.size()); r != SendOk || ackTimeoutMs <= 0)
        return r;
    // The window answers nothing to a posted message; it closes the connection
    // once it has read the frame. Closing with the frame unread resets it.
    uint8_t extra = 0;
    switch (ReadAnswer(&extra, 1, ackTimeoutMs)) {
    case ReadEndOfStream:
        return SendOk;
    case ReadReset:
        return SendLost;
    case ReadTimedOut:
        return SendNoAnswer;
    case ReadAll: // bytes where none belong
    case ReadError:
        break;
    }
    return SendFailed;
}

} // namespace dawnbell::ipc
