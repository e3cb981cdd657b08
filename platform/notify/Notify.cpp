#include "Notify.h"

#include "DaemonLink.h"
#include "DevicePaths.h"
#include "NotifyStore.h"
#include "Process.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#ifndef DAWNBELL_BUILD_PROGRAM_DIR
#define DAWNBELL_BUILD_PROGRAM_DIR ""
#endif

namespace dawnbell::notify {

namespace {

// The process's connection, reopened when the device directory changes.
struct Connection {
    std::recursive_mutex mutex;
    NotifyStore store;
    DaemonPaths paths;
    int batchDepth = 0;      // NotifyBatch nesting on the owning thread
    bool batchFailed = false; // the batch's transaction could not be started
    bool dirty = false;      // something changed inside the batch
    bool setInBatch = false; // a record was set inside the batch
    bool damagedInBatch = false; // an operation of the batch found the file damaged
    uint64_t opens = 0;          // how often the store was opened
    // NotifyStoreChangeCount: the count, and the store as it stood when it last moved.
    uint64_t changeCount = 1;
    uint64_t seenOpens = 0;
    int64_t seenDataVersion = -1;
    int64_t seenOwnChanges = -1;
};

Connection& Conn()
{
    static Connection* c = new Connection; // never destroyed: usable from atexit handlers
    return *c;
}

// Longest wait for the service to replace a damaged store (ms).
constexpr int kRepairWaitMs = 5000;

// Device and inode of the file at `path`; zeros when there is none.
std::pair<dev_t, ino_t> FileIdentity(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return {0, 0};
    return {st.st_dev, st.st_ino};
}

// Opens the store for the current device directory; false when impossible.
bool Ready(Connection& c)
{
    if (c.batchDepth > 0)
        return c.store.IsOpen();
    // The store already open at the device directory's file is used as it is
    // (the paths of the service are worked out only for a new store). A store
    // the service moved aside (damaged) is replaced by a fresh file.
    const std::string deviceDir = DeviceDir();
    if (deviceDir.empty())
        return false;
    if (c.store.IsOpen() && c.store.path() == deviceDir + "/notifications.db" && c.store.StillAtPath())
        return true;
    DaemonPaths paths = CurrentDaemonPaths();
    if (paths.deviceDir.empty())
        return false;
    c.paths = paths;
    ++c.opens;
    if (c.store.Open(paths.database) == NotifyOk)
        return true;
    if (!c.store.Damaged())
        return false;
    // Not a store any more: the service moves the file aside and puts a fresh
    // store in its place; open that one.
    const std::pair<dev_t, ino_t> damaged = FileIdentity(paths.database);
    NotifyEnsureDaemon();
    SendWake(paths.socket, kWakeCheck);
    for (int waited = 0; waited < kRepairWaitMs && FileIdentity(paths.database) == damaged; waited += 20)
        ::usleep(20 * 1000);
    ++c.opens;
    return c.store.Open(paths.database) == NotifyOk;
}

// After a change: wake the service, or start it when a record was set.
void AfterChange(Connection& c, bool wasSet)
{
    if (c.batchDepth > 0) {
        c.dirty = true;
        c.setInBatch = c.setInBatch || wasSet;
        return;
    }
    if (wasSet)
        NotifyEnsureDaemon();
    else
        SendWake(c.paths.socket);
}

// After an operation found the store damaged: has the service move the file
// aside (keeping every record that can still be read) and reopens the fresh one.
// False when no fresh store appeared in time.
bool AwaitRepair(Connection& c)
{
    NotifyEnsureDaemon(); // the service checks the store when it starts ...
    SendWake(c.paths.socket, kWakeCheck); // ... and when asked to
    for (int waited = 0; waited < kRepairWaitMs && c.store.StillAtPath(); waited += 20)
        ::usleep(20 * 1000);
    if (c.store.StillAtPath())
        return false;
    c.store.Close();
    return Ready(c);
}

// Runs `op` (a store operation returning NotifyResult); when it fails on a
// damaged file, runs it once more on the store the service puts in its place.
// Inside a batch nothing can be reopened: the repair waits for the batch's end.
template <typename Op>
NotifyResult WithRepair(Connection& c, Op op)
{
    NotifyResult rc = op();
    if (rc != NotifyError || !c.store.Damaged())
        return rc;
    if (c.batchDepth > 0) {
        c.damagedInBatch = true;
        return rc;
    }
    return AwaitRepair(c) ? op() : rc;
}

bool IsLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

bool NotifyTimeIsValid(const clock::LocalTime& t)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12)
        return false;
    const int days = kDays[t.month - 1] + (t.month == 2 && IsLeapYear(t.year) ? 1 : 0);
    return t.day >= 1 && t.day <= days && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 59 && t.milliseconds >= 0 && t.milliseconds <= 999;
}

bool NotifyTriggerIsValid(const NotifyTrigger& t)
{
    if (t.kind != NotifyKindTime)
        return false;
    if (t.application.empty() || t.application[0] != '/' || t.application.size() > kNotifyMaxApplicationBytes)
        return false;
    if (t.arguments.size() > kNotifyMaxArgumentsBytes)
        return false;
    if (t.application.find('\0') != std::string::npos || t.arguments.find('\0') != std::string::npos)
        return false;
    return NotifyTimeIsValid(t.start) && NotifyTimeIsValid(t.end);
}

NotifyResult NotifyGetHandles(uint32_t* handles, uint32_t capacity, uint32_t* count)
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    std::vector<uint32_t> all;
    if (WithRepair(c, [&] { return c.store.Handles(&all); }) != NotifyOk)
        return NotifyError;
    if (count)
        *count = static_cast<uint32_t>(all.size());
    if (!handles || all.size() > capacity)
        return all.empty() ? NotifyOk : NotifyMoreData;
    for (size_t i = 0; i < all.size(); ++i)
        handles[i] = all[i];
    return NotifyOk;
}

NotifyResult NotifyGetRecord(uint32_t handle, NotifyRecord* out)
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    StoredRecord r;
    const NotifyResult rc = WithRepair(c, [&] { return c.store.Get(handle, &r); });
    if (rc != NotifyOk)
        return rc;
    if (out)
        *out = r.record;
    // A row damaged from outside is reported (its handle can still be cleared).
    return r.valid ? NotifyOk : NotifyError;
}

NotifyResult NotifyClear(uint32_t handle)
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (handle == 0)
        return NotifyNotFound;
    if (!Ready(c))
        return NotifyError;
    const NotifyResult rc = WithRepair(c, [&] { return c.store.Remove(handle); });
    if (rc == NotifyOk)
        AfterChange(c, false);
    return rc;
}

uint32_t NotifySetTime(const NotifyTrigger& trigger)
{
    if (!NotifyTriggerIsValid(trigger))
        return 0;
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return 0;
    uint32_t handle = 0;
    if (WithRepair(c, [&] { return c.store.Insert(trigger, &handle); }) != NotifyOk)
        return 0;
    AfterChange(c, true);
    return handle;
}

NotifyResult NotifyList(std::vector<NotifyRecord>* out)
{
    out->clear();
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    std::vector<StoredRecord> rows;
    if (WithRepair(c, [&] { return c.store.All(&rows); }) != NotifyOk)
        return NotifyError;
    out->reserve(rows.size());
    for (StoredRecord& r : rows)
        out->push_back(std::move(r.record));
    return NotifyOk;
}

NotifyResult NotifySetAsideNotes(std::vector<SetAsideNote>* out)
{
    out->clear();
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    return WithRepair(c, [&] { return c.store.Notes(out); });
}

NotifyResult NotifyScheduleRebuilt(std::vector<SetAsideNote>* answered)
{
    if (answered)
        answered->clear();
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    std::vector<SetAsideNote> notes;
    if (WithRepair(c, [&] { return c.store.Notes(&notes); }) != NotifyOk)
        return NotifyError;
    if (notes.empty())
        return NotifyOk;
    int cleared = 0;
    if (WithRepair(c, [&] { return c.store.ClearNotes(&cleared); }) != NotifyOk)
        return NotifyError;
    if (answered)
        *answered = std::move(notes);
    AfterChange(c, false); // the service logs that the schedule is whole again
    return NotifyOk;
}

NotifyResult NotifyRecordMissed(const MissedAlarm& missed, bool* added)
{
    if (added)
        *added = false;
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    return WithRepair(c, [&] { return c.store.AddMissed(missed, added); });
}

NotifyResult NotifyMissedAlarms(std::vector<MissedAlarm>* out, bool unseenOnly)
{
    out->clear();
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    return WithRepair(c, [&] { return c.store.Missed(out, unseenOnly); });
}

NotifyResult NotifyMarkMissedSeen(int64_t id, bool olderToo)
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    return WithRepair(c, [&] { return c.store.MarkMissed(olderToo ? NotifyStore::MissedSeenUpTo : NotifyStore::MissedSeen, id); });
}

NotifyResult NotifyMarkMissedTold(int64_t id)
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return NotifyError;
    return WithRepair(c, [&] { return c.store.MarkMissed(NotifyStore::MissedTold, id); });
}

int NotifyClearByApplication(const std::string& upperText)
{
    std::vector<NotifyRecord> records;
    if (NotifyList(&records) != NotifyOk)
        return 0;
    int cleared = 0;
    for (const NotifyRecord& r : records) {
        std::string application = r.trigger.application;
        for (char& ch : application) {
            if (ch >= 'a' && ch <= 'z')
                ch = static_cast<char>(ch - 'a' + 'A');
        }
        if (application.find(upperText) != std::string::npos && NotifyClear(r.handle) == NotifyOk)
            ++cleared;
    }
    return cleared;
}

int NotifyClearForRebuild(const std::string& upperText, int64_t now, const std::set<std::string>& activeKeys,
                          std::vector<NotifyRecord>* missed)
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return 0;
    std::vector<StoredRecord> rows;
    if (WithRepair(c, [&] { return c.store.All(&rows); }) != NotifyOk)
        return 0;
    int cleared = 0;
    for (const StoredRecord& r : rows) {
        // A damaged row still names its application when that field is readable.
        std::string application = r.record.trigger.application;
        for (char& ch : application) {
            if (ch >= 'a' && ch <= 'z')
                ch = static_cast<char>(ch - 'a' + 'A');
        }
        if (application.find(upperText) == std::string::npos)
            continue;
        // Only an alarm's record can be missed (a snooze wake-up has no key).
        const NotifyTrigger& t = r.record.trigger;
        const bool alarm = r.valid && !t.arguments.empty();
        const bool resume = r.valid && t.event == kNotifyEventResume;
        // Thousands of records at one moment: the calendar work is shared (as FromLocal).
        const int64_t overdue =
            alarm || resume ? now - clock::LocalDaysAt(now).MakeLocal(t.start.year, t.start.month, t.start.day,
                                                                      t.start.hour, t.start.minute, t.start.second)
                            : 0;
        if (alarm && overdue >= 0 && overdue <= kMissedAfterSeconds && activeKeys.count(t.arguments) != 0)
            continue;
        // A snoozed ringing's resume, or the wake-up of a ringing window counting
        // a snooze down, is no part of the schedule being rebuilt: clearing it
        // would end that ringing for good, or let the device sleep through it.
        if (resume && overdue <= kMissedAfterSeconds)
            continue;
        if (NotifyClear(r.record.handle) != NotifyOk)
            continue;
        ++cleared;
        if (missed && alarm && overdue > kMissedAfterSeconds)
            missed->push_back(r.record);
    }
    return cleared;
}

uint64_t NotifyStoreChangeCount()
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (!Ready(c))
        return 0;
    int64_t dataVersion = -1, ownChanges = -1;
    // A version that cannot be read counts as a change: the caller reads the
    // store and meets the fault itself (and the repair of a damaged file).
    const bool read = c.store.Version(&dataVersion, &ownChanges) == NotifyOk;
    if (!read || c.opens != c.seenOpens || dataVersion != c.seenDataVersion || ownChanges != c.seenOwnChanges) {
        ++c.changeCount;
        c.seenOpens = c.opens;
        c.seenDataVersion = read ? dataVersion : -1;
        c.seenOwnChanges = read ? ownChanges : -1;
    }
    return c.changeCount;
}

NotifyBatch::NotifyBatch()
{
    Connection& c = Conn();
    c.mutex.lock(); // held for the batch's life: the batch belongs to this thread
    if (c.batchDepth++ == 0) {
        c.dirty = false;
        c.setInBatch = false;
        c.damagedInBatch = false;
        c.batchFailed = true;
        --c.batchDepth; // open the store outside of batch mode
        const bool ready = Ready(c) && WithRepair(c, [&] { return c.store.Begin(); }) == NotifyOk;
        ++c.batchDepth;
        if (ready)
            c.batchFailed = false;
    }
}

NotifyBatch::~NotifyBatch()
{
    Connection& c = Conn();
    if (--c.batchDepth == 0) {
        // Without a transaction the writes were committed one by one.
        const bool committed = c.batchFailed || c.store.Commit() == NotifyOk;
        if (committed && c.dirty)
            AfterChange(c, c.setInBatch);
        // The batch's failed operations were reported; the next ones find a
        // repaired store.
        if (c.damagedInBatch)
            NotifyEnsureDaemon();
    }
    c.mutex.unlock();
}

void NotifyCloseStore()
{
    Connection& c = Conn();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (c.batchDepth == 0)
        c.store.Close();
}

pid_t NotifyDaemonPid()
{
    const DaemonPaths p = CurrentDaemonPaths();
    return p.lock.empty() ? 0 : LockHolder(p.lock);
}

std::string NotifyDaemonBinary()
{
    if (const char* env = std::getenv("DAWNBELL_NOTIFYD"); env && IsExecutableFile(env))
        return env;
    const std::string beside = ProgramDir() + "/dawnbell-notifyd";
    if (IsExecutableFile(beside))
        return beside;
    const std::string built = std::string(DAWNBELL_BUILD_PROGRAM_DIR) + "/dawnbell-notifyd";
    if (DAWNBELL_BUILD_PROGRAM_DIR[0] != '\0' && IsExecutableFile(built))
        return built;
    return std::string();
}

bool NotifyEnsureDaemon()
{
    const DaemonPaths p = CurrentDaemonPaths();
    if (p.lock.empty())
        return false;
    // Only a service that answers on its socket counts as running. The lock alone
    // is not trusted: a service holds it a moment before it listens, and one
    // killed a moment ago may still seem to hold it. So wake it, or start one,
    // until a service answers.
    //
    // Two clients may both start one; the second service finds the lock taken and
    // ends quietly. A service reads the store only after it listens, so a record
    // stored before it listens is seen without a wake-up. It writes notifyd.log
    // itself; its standard error goes nowhere: inheriting ours would keep a
    // caller's pipe open for the service's whole life.
    constexpr int kPauseMs = 2;
    constexpr int kGiveUpMs = 5000;     // a service that does not answer by then is not coming
    constexpr int kRestartAfterMs = 250; // a started service that took no lock by then has ended
    std::string binary;
    int sinceStartMs = kRestartAfterMs;
    for (int waitedMs = 0; waitedMs < kGiveUpMs; waitedMs += kPauseMs, sinceStartMs += kPauseMs) {
        if (LockHolder(p.lock) != 0) {
            if (SendWake(p.socket))
                return true;
        } else if (sinceStartMs >= kRestartAfterMs) {
            if (binary.empty())
                binary = NotifyDaemonBinary();
            if (binary.empty()) {
                std::fprintf(stderr, "dawnbell: the notification service dawnbell-notifyd was not found\n");
                return false;
            }
            process::SpawnOptions options;
            options.logFile = "/dev/null";
            if (process::SpawnDetachedArgs(binary, {}, nullptr, options) != 0)
                return false;
            sinceStartMs = 0;
        }
        ::usleep(kPauseMs * 1000);
    }
    std::fprintf(stderr, "dawnbell: the notification service does not answer on %s\n", p.socket.c_str());
    return false;
}

} // namespace dawnbell::notify
