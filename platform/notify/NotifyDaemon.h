#pragma once
// dawnbell-notifyd: the resident notification service of one device directory.
//
// It sleeps in poll() on three descriptors and nothing else, so an idle service
// makes no wake-ups at all:
//  - a timerfd armed at the absolute time of the earliest record
//    (CLOCK_REALTIME_ALARM when the binary may wake a suspended device, else
//    CLOCK_REALTIME), with TFD_TIMER_CANCEL_ON_SET so a clock change wakes it;
//  - an inotify watch on /etc, for a replaced or edited /etc/localtime (and on
//    the device directory: when it or the lock file is removed, the service ends);
//  - the wake-up socket, for records set or cleared by any process.
// After every wake-up it reads the store, removes each due record and starts its
// application detached, then arms the timer for the next one. It always works on
// the real clock.
#include "DaemonLink.h"
#include "NotifyStore.h"

namespace dawnbell::notify {

class NotifyDaemon {
public:
    NotifyDaemon() = default;
    ~NotifyDaemon();
    NotifyDaemon(const NotifyDaemon&) = delete;
    NotifyDaemon& operator=(const NotifyDaemon&) = delete;

    // Exit codes of Run.
    enum Exit { ExitOk = 0, ExitFailure = 1, ExitAlreadyRunning = 3 };

    // Takes the lock, listens, and serves until terminated. Returns ExitAlreadyRunning
    // at once when another service holds the device directory's lock.
    int Run();

private:
    bool Acquire();
    bool Listen();
    void OpenTimer();
    void WatchZone();
    // Fires what is due and re-arms; false when the store cannot be read.
    bool Serve();
    void Arm(const std::optional<int64_t>& atMs);
    void Fire(const NotifyRecord& record);
    void Drain();

    DaemonPaths paths_;
    NotifyStore store_;
    int lockFd_ = -1;   // holds the exclusive flock for the service's life
    int sockFd_ = -1;   // wake-up datagrams
    int timerFd_ = -1;  // the alarm timer
    int watchFd_ = -1;  // inotify on /etc and the device directory, -1 when unavailable
    int zoneWd_ = -1;   // watch of /etc (time zone)
    int homeWd_ = -1;   // watch of the device directory (removal ends the service)
    bool quit_ = false; // the device directory or the lock file is gone
};

} // namespace dawnbell::notify
