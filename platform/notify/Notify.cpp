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
};

Connection& Conn()
{
    static Connection* c = new Connection; // never destroyed: usable from atexit handlers
    return *c;
}

// Opens the store for the current device directory; false when impossible.
bool Ready(Connection& c)
{
    if (c.batchDepth > 0)
        return c.store.IsOpen();
    DaemonPaths paths = CurrentDaemonPaths();
    if (paths.deviceDir.empty())
        return false;
    if (c.store.IsOpen() && c.store.path() == paths.database)
        return true;
    c.paths = paths;
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
    if (c.store.Handles(&all) != NotifyOk)
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
    const NotifyResult rc = c.store.Get(handle, &r);
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
    const NotifyResult rc = c.store.Remove(handle);
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
    if (c.store.Insert(trigger, &handle) != NotifyOk)
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
    if (c.store.All(&rows) != NotifyOk)
        return NotifyError;
    out->reserve(rows.size());
    for (StoredRecord& r : rows)
        out->push_back(std::move(r.record));
    return NotifyOk;
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

NotifyBatch::NotifyBatch()
{
    Connection& c = Conn();
    c.mutex.lock(); // held for the batch's life: the batch belongs to this thread
    if (c.batchDepth++ == 0) {
        c.dirty = false;
        c.setInBatch = false;
        c.batchFailed = true;
        --c.batchDepth; // open the store outside of batch mode
        const bool ready = Ready(c);
        ++c.batchDepth;
        if (ready && c.store.Begin() == NotifyOk)
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
    if (LockHolder(p.lock) != 0) {
        SendWake(p.socket);
        return true;
    }
    const std::string binary = NotifyDaemonBinary();
    if (binary.empty()) {
        std::fprintf(stderr, "dawnbell: the notification service dawnbell-notifyd was not found\n");
        return false;
    }
    // Two clients may both start one; the second service finds the lock taken and
    // ends quietly. A service reads the store only after it listens, so a record
    // stored before it listens is seen without a wake-up. It writes notifyd.log
    // itself; its standard error goes nowhere: inheriting ours would keep a
    // caller's pipe open for the service's whole life.
    process::SpawnOptions options;
    options.logFile = "/dev/null";
    if (process::SpawnDetachedArgs(binary, {}, nullptr, options) != 0)
        return false;
    // Wait until it holds its lock, so callers (and a second client) see it run.
    for (int i = 0; i < 1000; ++i) {
        if (LockHolder(p.lock) != 0)
            return true;
        ::usleep(2000);
    }
    return false;
}

} // namespace dawnbell::notify
