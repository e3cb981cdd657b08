#pragma once
// Keeping one running instance per program file: the first process holds the
// instance lock; a later one hands its command line to the running main window
// and ends.
#include "CommandLine.h"
#include "IpcClient.h"
#include "InstanceLock.h"

#include <QString>

#include <string>

namespace dawnbell {

class SingleInstance {
public:
    // Looks for the running window this many times, this far apart (ms).
    static constexpr int kAttempts = 40;
    static constexpr int kAttemptIntervalMs = 250;
    // Longest wait for the running window to handle a forwarded key (ms): it
    // answers after the whole ringing, which may last long.
    static constexpr int kAnswerTimeoutMs = 60 * 60 * 1000;
    // Longest wait for the window to acknowledge a posted message (ms).
    static constexpr int kPostAckTimeoutMs = 2000;
    // A window that holds a forwarded key this long (ms) without answering,
    // refusing it or ending is busy with it (ringing): the key is in hand.
    static constexpr int kHeldAfterMs = 1000;

    enum Outcome {
        First,     // this process holds the lock: start normally
        Forwarded, // the running window has acknowledged the command line: end
        Further,   // a lock is held but no window took the line: start as a further
                   // instance, which handles the line itself
        Unsendable,// the line is too long (or holds a zero) to be any alarm's key
    };

    // At process entry: takes `lock` for this executable or, when another process
    // holds it, forwards the classified command line `command` to its window (Forward), trying `attempts` times.
    // A line counts as forwarded only once the window has acknowledged it; a
    // window that is missing, refuses the connection or ends before answering is
    // tried again, and when the running instance ends meanwhile this process takes
    // the lock and starts as the first instance. So a key is never dropped: it is
    // handled by the running window or by this process. A forwarded line is
    // reported to the notification service as handled (HandledReport.h).
    static Outcome Enter(const CommandLine::Parsed& command, ipc::InstanceLock* lock, int attempts = kAttempts,
                         int intervalMs = kAttemptIntervalMs);

    // Forwards a classified command line to the window serving `socketPath` when
    // its process runs `executable`: Start posts "to the front"; Reinit posts
    // message 1024 (wParam 0, lParam -1); Edit brings the window to the front,
    // then sends copy-data code 2 with the key; Test likewise with code 5; every
    // other verb (a key, and "autoclose" and "reset", which mean nothing to a
    // running window) likewise with code 1 and the whole line. Each step waits
    // for the window's acknowledgement.
    // SendNoWindow when no such window answers on the socket; SendNoAnswer when the
    // window took the key but is still handling it after `answerTimeoutMs`. A key
    // the window has held for kHeldAfterMs is reported as handled at once, so
    // the notification service does not wait for the end of its ringing.
    static ipc::SendResult Forward(const CommandLine::Parsed& command, const std::string& socketPath,
                                   const std::string& executable, int answerTimeoutMs = kAnswerTimeoutMs);
};

} // namespace dawnbell
