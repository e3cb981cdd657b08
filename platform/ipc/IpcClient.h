#pragma once
// The sending side of the command channel: finding the running main window of
// the same program and sending or posting window messages to it. Plain C++.
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>

namespace dawnbell::ipc {

// Outcome of a send.
enum SendResult : int {
    SendOk = 0,         // the window acknowledged the message
    SendNoWindow = 1,   // no socket, nobody listening, or the peer is another program
    SendFailed = 2,     // the frame could not be written (an unexpected socket error)
    SendNoAnswer = 3,   // the window took the whole frame but has not answered in time:
                        // it holds the message (a ringing may keep it busy for long)
    SendInvalid = 4,    // not a frame at all: a key too long or holding a zero unit
    SendLost = 5,       // the window reset or closed the connection before it
                        // acknowledged the message (it refused it, or it ended):
                        // the message may not have been taken; send it again
};

// Full path of the channel's socket: RuntimeDir()/"Dawnbell.sock".
std::string SocketPath();

// The executable of process `pid` (/proc/PID/exe, without a " (deleted)" suffix);
// empty when it cannot be read.
std::string ExecutableOfProcess(pid_t pid);

// An open connection to the running main window.
class IpcClient {
public:
    // Longest wait to connect or to write a frame (ms).
    static constexpr int kConnectTimeoutMs = 2000;

    IpcClient() = default;
    ~IpcClient();
    IpcClient(const IpcClient&) = delete;
    IpcClient& operator=(const IpcClient&) = delete;

    // Connects to the socket at `socketPath` and checks that the process serving
    // it runs `executablePath` (compared exactly; empty skips the check).
    SendResult Connect(const std::string& socketPath, const std::string& executablePath);
    void Close();
    // Process id of the peer after Connect.
    pid_t PeerPid() const { return m_peer; }

    // Sends a copy-data frame and waits up to `timeoutMs` for the answer, which
    // lands in `*result` (may be null). When `onHeld` is given, it is called once
    // the window has held the frame for `heldAfterMs` without answering,
    // refusing or ending (it is busy with it: a ringing answers only at its
    // end), and the wait goes on; it is not called when the answer or the end
    // of the connection comes sooner.
    SendResult SendCopyData(uint32_t code, const std::u16string& key, int timeoutMs, int32_t* result,
                            const std::function<void()>& onHeld = nullptr, int heldAfterMs = 0);
    // Writes a posted message. With `ackTimeoutMs` > 0 it then waits that long for
    // the window to acknowledge it: the window reads the whole frame and closes
    // the connection in order (it sends no answer to posted messages), whereas a
    // window that refuses or drops the connection with the frame unread resets it
    // (SendLost). With 0 it returns once the frame is written.
    SendResult Post(uint32_t message, uint32_t wparam, int32_t lparam, int ackTimeoutMs = 0);

private:
    SendResult WriteAll(const uint8_t* data, size_t size);
    // How a read of the answer ended.
    enum ReadEnd { ReadAll, ReadEndOfStream, ReadReset, ReadTimedOut, ReadError };
    // Reads `size` bytes, waiting at most `timeoutMs` in all.
    ReadEnd ReadAnswer(uint8_t* data, size_t size, int timeoutMs);

    int m_fd = -1;     // connected socket
    pid_t m_peer = 0;  // serving process
};

} // namespace dawnbell::ipc
