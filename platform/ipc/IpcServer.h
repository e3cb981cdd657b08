#pragma once
// The receiving side of the command channel, owned by the running main window.
// Non-blocking and event-loop neutral: the owner watches ListenFd() and each
// connection's fd for readability (e.g. with a socket notifier) and calls in.
// Each connection carries one request; a slow or silent client is dropped after
// kIdleTimeoutMs, and when kMaxConnections are open a new client takes the place
// of the longest-waiting one that has not delivered its frame, so stalled clients
// can never hold the window up or shut others out. Plain C++, no Qt.
#include "IpcFrame.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace dawnbell::ipc {

class IpcServer {
public:
    // A connection that has not delivered a whole frame in this time is dropped (ms).
    static constexpr int64_t kIdleTimeoutMs = 2000;
    // Connections held at once. A further one replaces the oldest connection still
    // waiting for its frame; only when every connection's frame is being handled
    // is it closed at once.
    static constexpr size_t kMaxConnections = 32;

    IpcServer() = default;
    ~IpcServer();
    IpcServer(const IpcServer&) = delete;
    IpcServer& operator=(const IpcServer&) = delete;

    enum ListenResult {
        Listening, // the socket is ours
        InUse,     // another process answers on it; left alone
        ListenFailed,
    };
    // Creates the socket at `socketPath`; a leftover socket nobody answers on is
    // replaced.
    ListenResult Listen(const std::string& socketPath);
    // Closes every connection and the socket, removing the socket file when it is
    // still ours.
    void Close();
    int ListenFd() const { return m_listenFd; }

    // Accepts every pending connection; returns the new connections' fds to watch.
    // Connections of other users are refused. Connections closed to make room are
    // added to `*dropped` (stop watching them before watching the new ones: a new
    // connection may reuse a dropped one's fd number). `nowMs` is a monotonic time
    // in ms.
    std::vector<int> AcceptPending(int64_t nowMs, std::vector<int>* dropped);

    enum ReadResult {
        Pending,    // keep watching
        FrameReady, // `*frame` holds the request; stop watching, then call Finish
        Dropped,    // closed (end of stream, error, malformed frame); stop watching
    };
    // Reads what connection `fd` has sent so far.
    ReadResult Read(int fd, Frame* frame);
    // Ends a connection whose frame was handled, writing the answer `result` first
    // when `answer` is set (posted messages get none). Unknown fds are ignored.
    void Finish(int fd, int32_t result, bool answer);

    // Drops connections that have waited longer than kIdleTimeoutMs without a
    // whole frame (handled ones are never dropped); returns their fds.
    std::vector<int> ExpireIdle(int64_t nowMs);

    size_t ConnectionCount() const { return m_connections.size(); }

private:
    struct Connection {
        int64_t openedMs = 0;        // accept time
        uint64_t serial = 0;         // accept order (times may tie)
        bool handling = false;       // its frame is with the handler
        std::vector<uint8_t> buffer; // bytes received so far
    };
    void Drop(int fd);
    // Closes the oldest connection whose frame is not with the handler; its fd,
    // or -1 when every connection is being handled.
    int DropOldestWaiting();

    int m_listenFd = -1;                   // listening socket
    std::string m_path;                    // socket file
    uint64_t m_inode = 0;                  // socket file's inode, to remove only our own
    std::map<int, Connection> m_connections; // open connections by fd
    uint64_t m_nextSerial = 0;             // serial of the next accepted connection
};

} // namespace dawnbell::ipc
