#pragma once
// Broadcast window messages: one small message (a number and a parameter) sent to
// every listening top-level window of the user, in any process, such as the
// settings-change message with which the install hooks and the options tell the
// today screen to reload its items.
//
// Each listener owns a datagram socket in RuntimeDir()/broadcast (the folder is
// mode 0700, so only the user's own processes take part). A broadcast sends one
// datagram to every socket there and removes the sockets nobody listens on any
// more (left behind by a crashed process). Delivery does not wait for the
// listeners to handle the message. Plain C++, no Qt.
#include <cstdint>
#include <string>

namespace dawnbell {

// The settings-change message and the parameter that makes the today screen
// reload its items.
constexpr uint32_t kMsgSettingChange = 26;
constexpr uint32_t kSettingChangeToday = 242;

// One received or sent message.
struct BroadcastMessage {
    uint32_t message = 0;
    uint32_t wparam = 0;
};

// Sends `msg` to every listener. Returns how many listeners it reached.
int SendBroadcast(const BroadcastMessage& msg);

// Full path of the folder that holds the listeners' sockets ("" when the
// runtime directory cannot be made).
std::string BroadcastDir();

// A listener. Watch fd() for readability (a QSocketNotifier, poll) and call Read
// until it answers false.
class BroadcastReceiver {
public:
    BroadcastReceiver() = default;
    ~BroadcastReceiver(); // closes the socket and removes its file
    BroadcastReceiver(const BroadcastReceiver&) = delete;
    BroadcastReceiver& operator=(const BroadcastReceiver&) = delete;

    // Creates the listener's socket; false when it cannot be made.
    bool Open();
    void Close();
    // Non-blocking socket to watch; -1 when closed.
    int fd() const { return fd_; }
    // Takes the next pending message; false when none is pending. Datagrams that
    // are not exactly one message are dropped.
    bool Read(BroadcastMessage* out);

private:
    int fd_ = -1;      // bound datagram socket
    std::string path_; // its file in BroadcastDir()
};

} // namespace dawnbell
