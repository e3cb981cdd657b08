#pragma once
// dawnbell-notifyd: the resident notification service of one device directory.
//
// It sleeps in poll() and nothing else, so an idle service makes no wake-ups at
// all:
//  - a timerfd armed at the absolute time of the earliest record
//    (CLOCK_REALTIME_ALARM when the binary may wake a suspended device, else
//    CLOCK_REALTIME), with TFD_TIMER_CANCEL_ON_SET so a clock change wakes it;
//  - an inotify watch on /etc, for a replaced or edited /etc/localtime (and on
//    the device directory: when it or the lock file is removed, the service ends);
//  - the wake-up socket, for records set or cleared by any process;
//  - the exit signals (SIGTERM, SIGINT, SIGHUP) through a pipe;
//  - the programs it started and still watches (below).
// After every wake-up it reads the store, removes each due record and starts its
// application, then arms the timer for the next one. It always works on the
// real clock.
//
// A due record's program is started in the user's graphical session as it is
// at that moment (SessionDisplay.h), as a child of the service with its standard
// error appended to dawnbell.log in the device directory and the record's time
// in DAWNBELL_DUE (local, "YYYY-MM-DDTHH:MM:SS"), and watched: until it
// reports that it has taken its command line in hand (HandledReport.h), a
// non-zero exit or a signal counts as a failed start, and so does a program that
// neither reports nor ends within the start bound (kStartTimeoutMs; it is then
// killed). A failed start is logged with its reason (how it ended and the last
// line it wrote) and made once more without a display (DISPLAY,
// WAYLAND_DISPLAY and QT_QPA_PLATFORM removed), where Dawnbell rings without a
// window. A program that has reported is never stopped; its end is reaped and
// logged when it is not a clean one. An exit signal ends the service once the
// starts still unanswered are settled (at most the start bound; the records
// are removed before their start, so a restarted service never starts one twice).
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
// program, argument, the display chosen and why, and the outcome of the start;
// the clock it armed; damaged records and stores, the rebuild started for them
// and its result; why it ended.
#include "ChildProcess.h"
#include "DaemonLink.h"
#include "LogFile.h"
#include "NotifyStore.h"
#include "SessionDisplay.h"

#include <cstdint>
#include <memory>
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

    // Longest wait for a started program to report that it has taken its
    // command line in hand (or to end) before it is taken for hung (ms). A
    // window that cannot open within it would not ring either. The environment
    // variable DAWNBELL_START_TIMEOUT (whole seconds) replaces it (tests).
    static constexpr int64_t kStartTimeoutMs = 60000;

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
    // One start of a record's program, watched until it has reported or ended.
    struct Start {
        uint32_t handle = 0;
        std::string due;         // the record's time, for the log
        std::string application; // as stored
        std::string arguments;   // as stored: one argument, none when empty
        std::vector<std::string> environment; // what it was started with
        bool retry = false;      // the second start, without a display
        bool settled = false;    // reported, ended or given up: no longer a start in question
        int64_t deadlineMs = 0;  // when it is taken for hung
        int logFd = -1;          // dawnbell.log as handed to it as standard error
        int64_t logOffset = 0;   // the log's size at the start (its lines come after)
        process::ChildProcess child;
        ~Start();
    };

    // Starts a removed record's application in the user's session and logs the
    // start; its outcome is logged by WatchStarts.
    void Fire(const NotifyRecord& record);
    // Starts `start`'s program with its environment and keeps watching it; logs
    // the start (`how`: the display chosen, or the retry) or why it could not
    // be made. False when it could not be started.
    bool Launch(std::unique_ptr<Start> start, const std::string& how);
    // Reads what the watched programs report, reaps those that ended, and
    // settles each start: logged as taken in hand, as failed (and started once
    // more without a display), or as hung (killed). Called after every wake-up.
    void WatchStarts();
    // A start that failed before it reported: logs `reason` and starts it once
    // more without a display when it had one.
    void StartFailed(Start& start, const std::string& reason);
    // An alarm that will not ring (no start is left to try) goes into the store's
    // missed alarms, due at `due` ("YYYY-MM-DD HH:MM:SS"), so the program tells
    // its user at the next chance. Records without an argument name no alarm.
    void RecordMissed(uint32_t handle, const std::string& application, const std::string& arguments,
                      const std::string& due, const std::string& reason);
    // The last line a start's program wrote to dawnbell.log since it started
    // (bounded, escaped), for the log; empty when none.
    static std::string LastLogLine(const Start& start);
    // The start bound in ms (kStartTimeoutMs, or DAWNBELL_START_TIMEOUT).
    static int64_t StartTimeoutMs();
    // Starts whose outcome is still open.
    size_t UnsettledStarts() const;
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
    // Milliseconds poll() may sleep: -1 (until woken) unless a rebuild runs or
    // a start is watched whose end or deadline needs a look.
    int PollTimeoutMs() const;
    // Writes one line to notifyd.log and to standard error.
    void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));

    log::LogFile log_;  // notifyd.log in the device directory
    log::LogFile programLog_; // dawnbell.log: the started programs' standard error
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
    int exitSignalFd_ = -1; // the exit signals' pipe (not ours to close)
    int stopSignal_ = 0;    // the exit signal received, 0 while serving
    std::optional<SessionDisplay> session_; // the session found for the records due now
    std::vector<std::unique_ptr<Start>> starts_; // started programs not yet reaped

    // The rebuild of the schedule after a damaged store (StartRebuild).
    std::unique_ptr<process::ChildProcess> rebuild_; // the running "reinit", null when none
    std::string rebuildProgram_;  // the program started
    int64_t rebuildDeadlineMs_ = 0; // when it is killed if still running
    std::vector<NotifyRecord> rebuildAgain_; // records for one more run after it
    bool rebuildAgainAsked_ = false;
    bool notesPending_ = false;   // the store holds notes no rebuild has answered
};

} // namespace dawnbell::notify
