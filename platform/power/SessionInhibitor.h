#pragma once
// Keeps the machine awake over D-Bus while held: a systemd-logind
// "idle:sleep" block inhibitor on the system bus (its file descriptor is kept
// open; closing it ends the inhibition) and the session's
// org.freedesktop.ScreenSaver inhibit cookie. Each part is skipped silently when
// its bus, service or the Qt application object is missing (the session bus
// counts only when its address is known, so none is ever started for us);
// calls wait at most kCallTimeoutMs.
#include <QString>

namespace dawnbell {

class SessionInhibitor {
public:
    SessionInhibitor() = default;
    ~SessionInhibitor(); // releases
    SessionInhibitor(const SessionInhibitor&) = delete;
    SessionInhibitor& operator=(const SessionInhibitor&) = delete;

    // Longest wait for one bus call, milliseconds.
    static constexpr int kCallTimeoutMs = 2000;

    // Takes both inhibitors (parts already held are kept); `why` is shown by
    // tools such as systemd-inhibit --list.
    void Acquire(const QString& why);
    // Gives both back.
    void Release();
    // Asks the session's screensaver to treat this as user activity.
    static void SimulateUserActivity();

    bool holdsSleepLock() const { return sleepFd_ >= 0; }
    bool holdsScreenSaver() const { return cookie_ != 0; }

private:
    int sleepFd_ = -1;  // logind inhibitor fd (our own duplicate); -1 when not held
    unsigned cookie_ = 0; // screensaver cookie; 0 when not held
};

} // namespace dawnbell
