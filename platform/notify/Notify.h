#pragma once
// The user notification service: durable time notifications that start a program.
//
// Records live in notifications.db in the device directory and are shared by every
// process of the user. The resident service, dawnbell-notifyd, sleeps until the
// earliest record is due, removes it and starts its application with its
// arguments as exactly one argument (none when the text is empty). Any set or
// clear wakes the service; the first set starts it when it is not running.
//
// Times are broken-down local times (see Clock.h); the service converts them to
// moments when it arms its timer, so they keep their clock time across time-zone
// and daylight-saving changes. Plain C++ (no Qt), so the service stays small.
#include "Clock.h"

#include <cstdint>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dawnbell::notify {

enum NotifyResult : int {
    NotifyOk = 0,
    NotifyError = 1,              // the store could not be read or written
    NotifyNotFound = 2,           // no record with that handle
    NotifyInvalidParameter = 87,  // a field out of range, a relative path, ...
    NotifyMoreData = 234,         // the buffer is too small; the count says how many
};

// Trigger kinds. Only "run an application at a time" is offered.
enum NotifyKind : int {
    NotifyKindTime = 2,
};

// Size in bytes of the classic time trigger record, kept in `size`.
constexpr uint32_t kNotifyTriggerSize = 52;
// Bounds for outside input.
constexpr size_t kNotifyMaxApplicationBytes = 4096;  // UTF-8, absolute path
constexpr size_t kNotifyMaxArgumentsBytes = 32768;   // UTF-8, one argument

// A time notification: start `application` with `arguments` at `start`.
// The event number of a time notification that resumes a snoozed ringing (it
// starts the program with the alarm's key when the snooze is over, after the
// program itself has ended), or wakes the device shortly before a ringing
// window's snooze countdown ends (no arguments). It belongs to that ringing,
// not to the schedule: a rebuild of the schedule keeps it
// (NotifyClearForRebuild). Ordinary time notifications have event 0.
constexpr int kNotifyEventResume = 1;

struct NotifyTrigger {
    uint32_t size = kNotifyTriggerSize; // record size, informative
    int kind = NotifyKindTime;          // NotifyKind
    int event = 0;                      // event number; 0 for time notifications
    std::string application;            // absolute path of the program to start
    std::string arguments;              // the one argument; empty = none
    clock::LocalTime start;             // local time at which it fires
    clock::LocalTime end;               // equal to start for time notifications
};

// A stored notification: its handle and trigger.
struct NotifyRecord {
    uint32_t handle = 0;   // non-zero
    NotifyTrigger trigger;
};

// Enumerates the handles of all records. Call with `handles` null (or a small
// `capacity`) to learn the count in `*count` (NotifyMoreData when there are
// records that did not fit); then call again with room for that many. Records
// may appear in between, so callers retry on NotifyMoreData.
NotifyResult NotifyGetHandles(uint32_t* handles, uint32_t capacity, uint32_t* count);

// Reads one record.
NotifyResult NotifyGetRecord(uint32_t handle, NotifyRecord* out);

// Removes one record (it will not fire) and wakes the service.
NotifyResult NotifyClear(uint32_t handle);

// Stores a time notification and wakes (or starts) the service. Returns the new
// record's handle, 0 when the trigger is invalid or the store failed.
uint32_t NotifySetTime(const NotifyTrigger& trigger);

// All records ordered by start time, then handle.
NotifyResult NotifyList(std::vector<NotifyRecord>* out);

// Removes every record whose application path, in upper case (ASCII letters),
// contains `upperText` (e.g. "DAWNBELL": a program's notifications whatever the
// spelling of its folder). Returns how many were removed.
int NotifyClearByApplication(const std::string& upperText);

// The first step of a program's rebuild of its schedule: removes every record
// whose application path, in upper case, contains `upperText` (as
// NotifyClearByApplication), with one exception: a record for an alarm whose key
// (arguments) is in `activeKeys`, due but at most kMissedAfterSeconds before
// `now` (seconds since the epoch on the real clock, which the service fires on),
// stays, so the service still starts it, late, instead of the ringing being lost;
// so does a record of event kNotifyEventResume (a snoozed ringing's resume, a
// ringing window's snooze wake-up) that is not yet due or due at most that long
// ago.
// A record with arguments due longer ago can no longer ring: it is removed and
// handed out in `missed` (may be null) for the caller to record as missed. One the
// service took meanwhile is its own to start and is not handed out. Returns how
// many records were removed.
int NotifyClearForRebuild(const std::string& upperText, int64_t now, const std::set<std::string>& activeKeys,
                          std::vector<NotifyRecord>* missed);

// True when the trigger can be stored: kind 2, an absolute application path,
// bounded texts without NUL bytes, and a valid start and end date and time.
bool NotifyTriggerIsValid(const NotifyTrigger& trigger);
// True for a broken-down time with month 1-12, day valid for the month, hour
// 0-23, minute 0-59, second 0-59, milliseconds 0-999 and year 1601-30827.
bool NotifyTimeIsValid(const clock::LocalTime& t);

// --- a damaged store set aside -----------------------------------------------
// When the service finds notifications.db damaged it moves the file aside, keeps
// every record it can still read in a fresh store, notes the move there and has
// the program rebuild its schedule from the alarms at once. Until a full rebuild
// answers the note, alarms may be missing from the schedule: clients ask for the
// notes and tell their user.

// The service's note of one damaged store it moved aside.
struct SetAsideNote {
    std::string copy; // where the damaged file went (PATH.damaged-YYYYMMDD-HHMMSS)
    std::string at;   // local time of the move, "YYYY-MM-DD HH:MM:SS"
};

// The notes no rebuild has answered yet, oldest first; empty when the schedule
// has been whole since the last rebuild.
NotifyResult NotifySetAsideNotes(std::vector<SetAsideNote>* out);

// Answers every note. A full rebuild of a program's schedule calls it inside its
// NotifyBatch, after it registered every alarm, so the notes leave with the same
// commit that brings the records back. `answered` (may be null) receives the
// notes removed, for the program's log.
NotifyResult NotifyScheduleRebuilt(std::vector<SetAsideNote>* answered);

// --- alarms that did not ring --------------------------------------------------
// An alarm whose time passed without a ringing (the device was off or asleep
// without the wake capability, the service stopped, the program failed to
// start) is recorded as missed, with its due time, so the program can tell its
// user at the next chance instead of leaving no trace. The records live in a
// table of their own beside the notifications.

// A start this long after its due time (seconds) no longer rings: the alarm
// counts as missed.
constexpr int64_t kMissedAfterSeconds = 30 * 60;
// At most this many missed alarms are kept; recording one more drops the oldest.
constexpr size_t kNotifyMaxMissedAlarms = 100;
// Longest title or reason kept (bytes of UTF-8).
constexpr size_t kNotifyMaxMissedTextBytes = 4096;

// One missed alarm.
struct MissedAlarm {
    int64_t id = 0;          // grows with each record; 0 before it is stored
    std::string application; // the program the notification would have started
    std::string arguments;   // its argument: the alarm key
    clock::LocalTime due;    // when it should have started (milliseconds 0)
    int64_t noticed = 0;     // when it was found missed, seconds since the epoch
    std::string title;       // the alarm's title (UTF-8) when known, else empty
    std::string reason;      // why it did not ring: one line for logs and lists
    bool told = false;       // the desktop has been sent a notification of it
    bool seen = false;       // the user has seen it
};

// Records a missed alarm (its id, told and seen are ignored). One alarm missed
// at one due time is recorded once, whoever notices it: `*added` (may be null)
// says whether this call added it. NotifyInvalidParameter for an invalid due
// time or over-long application or arguments.
NotifyResult NotifyRecordMissed(const MissedAlarm& missed, bool* added);
// The missed alarms, newest first; `unseenOnly` leaves out those seen.
NotifyResult NotifyMissedAlarms(std::vector<MissedAlarm>* out, bool unseenOnly = false);
// Marks the missed alarm `id` as seen, with every older one when `olderToo`.
NotifyResult NotifyMarkMissedSeen(int64_t id, bool olderToo);
// Marks one missed alarm as told to the desktop.
NotifyResult NotifyMarkMissedTold(int64_t id);

// A number that differs from the one an earlier call returned whenever the
// store may have changed in between: a commit of another connection or process,
// a write of this process, or the store opened anew (another device directory,
// a fresh file in place of a damaged one). Equal numbers mean nothing changed,
// so a caller that keeps what it read (the missed alarms a window shows) asks
// this first and reads again only when it moved. Cheap: one query of SQLite's
// data version on the connection kept open. 0 when the store cannot be opened.
uint64_t NotifyStoreChangeCount();

// Groups the operations of this thread into one transaction (and one wake-up of
// the service), for bulk rebuilds. Nested batches join the outer one.
class NotifyBatch {
public:
    NotifyBatch();
    ~NotifyBatch(); // commits, then wakes the service once
    NotifyBatch(const NotifyBatch&) = delete;
    NotifyBatch& operator=(const NotifyBatch&) = delete;
};

// Closes this process's connection to the store (the next call reopens it at the
// then-current device directory). For tests that switch DAWNBELL_HOME.
void NotifyCloseStore();

// --- the service ----------------------------------------------------------------

// Process id of the service running for the current device directory; -1 when
// one runs but has not written its id yet; 0 when none runs.
pid_t NotifyDaemonPid();

// Wakes the service, starting it (again) until one answers on its socket. True
// once one answers; false when none can be started or none answers within a few
// seconds.
bool NotifyEnsureDaemon();

// Full path of the service binary: $DAWNBELL_NOTIFYD when it names an executable
// file (an explicit override, used by tools and tests), else dawnbell-notifyd
// next to the running program, else the one in the build's program folder.
// Empty when none exists.
std::string NotifyDaemonBinary();

} // namespace dawnbell::notify
