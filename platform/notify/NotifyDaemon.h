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
//
// A damaged store is moved aside; every record that can still be read goes into
// a fresh store together with a note of the move (which clients report), and the
// service has the program rebuild its schedule from the alarms at once: it
// starts "dawnbell reinit" without a display (the program named by the kept
// records, else the one beside the service) and waits for it, without blocking
// its other work. The note stays until a rebuild answers it.
//
// What a user needs after a silent alarm is written to notifyd.log in the device
// directory (and to standard error): each start it makes with the record's time,
// program, argument and the result of the start; the clock it armed; damaged
// records and stores, the rebuild started for them and its result; why it ended.
#include "DaemonLink.h"
#include "LogFile.h"
#include "NotifyStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

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
    // Takes the device directory's lock and writes our id into it; false when
    // another service holds it (lockFd_ open) or the file cannot be opened.
    bool Acquire();
    // Binds the wake-up socket (replacing a dead service's socket file).
    bool Listen();
    // Creates the alarm timer, falling back to CLOCK_REALTIME without the capability.
    void OpenTimer();
    // Watches /etc for time-zone changes and the device directory for removal.
    void WatchZone();
    // Fires what is due and re-arms; false when the store cannot be read.
    bool Serve();
    // Arms the timer at an absolute time in ms since the epoch, or disarms it.
    void Arm(const std::optional<int64_t>& atMs);
    // Starts a removed record's application and logs the outcome.
    void Fire(const NotifyRecord& record);
    // Consumes pending wake-ups, timer expirations and file events.
    void Drain();
    // Opens the store and reads every page of it; a damaged one is repaired
    // (Recover). False when no usable store can be had.
    bool OpenChecked();
    // Moves a damaged store aside, keeping every record that can still be read in
    // a fresh store at its place with a note of the move, says so in the log and
    // starts the rebuild of the schedule. False when no fresh store can be made.
    bool Recover();
    // The program whose "reinit" rebuilds the schedule: the first of the kept
    // records' applications named "dawnbell" that is an executable file, else
    // "dawnbell" beside the service; empty when there is none.
    static std::string RebuildProgram(const std::vector<NotifyRecord>& kept);
    // Starts "PROGRAM reinit" without a display, its standard error read through
    // a pipe; logs a start that cannot be made. While one runs, a later call only
    // asks for another run after it.
    void StartRebuild(const std::vector<NotifyRecord>& kept);
    // Reads what the rebuild wrote and, once it has ended (or overrun its time
    // and been killed), logs how it ended. Called after every wake-up.
    void WatchRebuild();
    // Logs, once, that the notes of set-aside stores have been answered by a
    // rebuild (from whatever process made it).
    void CheckNotes();
    // Milliseconds poll() may sleep: -1 (until woken) unless a rebuild runs.
    int PollTimeoutMs() const;
    // Writes one line to notifyd.log and to standard error.
    void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));

    log::LogFile log_;  // notifyd.log in the device directory
    DaemonPaths paths_;
    NotifyStore store_;
    int lockFd_ = -1;   // holds the service's lock for its life (never opened twice)
    int sockFd_ = -1;   // wake-up datagrams
    int timerFd_ = -1;  // the alarm timer
    const char* clockName_ = ""; // the timer's clock, for the log
    int watchFd_ = -1;  // inotify on /etc and the device directory, -1 when unavailable
    int zoneWd_ = -1;   // watch of /etc (time zone)
    int homeWd_ = -1;   // watch of the device directory (removal ends the service)
    bool quit_ = false; // the device directory or the lock file is gone
    bool checkAsked_ = false; // a client found the store damaged
    std::optional<int64_t> armedMs_; // moment the timer was last armed for (logged when it changes)

    // The rebuild of the schedule after a damaged store (StartRebuild).
    pid_t rebuildPid_ = -1;       // the running "reinit", -1 when none
    int rebuildPidFd_ = -1;       // readable when it ends; -1 without pidfd support (then polled)
    int rebuildErrFd_ = -1;       // its standard error, -1 once closed
    std::string rebuildProgram_;  // the program started
    std::string rebuildErr_;      // what it wrote to standard error (bounded)
    int64_t rebuildDeadlineMs_ = 0; // when it is killed if still running
    std::vector<NotifyRecord> rebuildAgain_; // records for one more run after it
    bool rebuildAgainAsked_ = false;
    bool notesPending_ = false;   // the store holds notes no rebuild has answered
};

} // namespace dawnbell::notify
