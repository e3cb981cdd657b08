#pragma once
// notifications.db: the SQLite table behind the notification service. One
// NotifyStore is one connection; several processes share the file (WAL mode,
// waits up to a few seconds for a busy writer). Records read back from the file
// are checked like any outside input: a row with a field of the wrong type or out
// of range comes back with valid = false instead of being trusted.
#include "Notify.h"

#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dawnbell::notify {

// A row as read from the file.
struct StoredRecord {
    NotifyRecord record;
    bool valid = false; // every field has the right type and range
};

class NotifyStore {
public:
    NotifyStore() = default;
    ~NotifyStore();
    NotifyStore(const NotifyStore&) = delete;
    NotifyStore& operator=(const NotifyStore&) = delete;

    // How a commit reaches the disk.
    enum Durability {
        SyncEachCommit, // a committed change survives a power loss (clients' sets)
        SyncLazily,     // no flush per commit; a power loss may undo the last
                        // commits, never corrupt the file (the service's removals:
                        // firing on time matters more than a rare repeat after a crash)
    };
    // Opens (creating when missing) the store file at `path`.
    NotifyResult Open(const std::string& path, Durability durability = SyncEachCommit);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }

    // Transactions: Begin takes the write lock at once (so a read-modify-write is
    // consistent across processes); Commit ends it.
    NotifyResult Begin();
    NotifyResult Commit();
    void Rollback();

    // Stores a valid trigger; `handle` receives the new non-zero handle.
    NotifyResult Insert(const NotifyTrigger& trigger, uint32_t* handle);
    // Removes a record; NotifyNotFound when it did not exist (so of two processes
    // removing the same record exactly one succeeds).
    NotifyResult Remove(uint32_t handle);
    NotifyResult Get(uint32_t handle, StoredRecord* out);
    // Removes a record and hands it over in one step: NotifyOk only to the one
    // caller that removed it, NotifyNotFound when it was cleared or taken before,
    // also by another process after this one read it. So the service starts a
    // record at most once, and never one that was cleared.
    NotifyResult Take(uint32_t handle, StoredRecord* out);
    // Handles in ascending order.
    NotifyResult Handles(std::vector<uint32_t>* out);
    // Every row, ordered by start time, then handle (invalid rows last).
    NotifyResult All(std::vector<StoredRecord>* out);
    // Stores a record under its own handle (moving records into a fresh store).
    NotifyResult Restore(const NotifyRecord& record);

    // Notes of damaged stores moved aside (see SetAsideNote). Add stores one
    // (texts cut to kMaxNoteBytes); Notes reads at most kMaxNotes of them, oldest
    // first, leaving out rows that are not two texts; ClearNotes removes every
    // note and tells how many there were in `*cleared` (may be null).
    static constexpr size_t kMaxNoteBytes = 4096;
    static constexpr size_t kMaxNotes = 16;
    NotifyResult AddNote(const SetAsideNote& note);
    NotifyResult Notes(std::vector<SetAsideNote>* out);
    NotifyResult ClearNotes(int* cleared);

    // Alarms that did not ring (see MissedAlarm). AddMissed stores one unless the
    // same arguments and due time are stored already (`*added`, may be null,
    // tells which), cuts its title and reason to kMaxMissedTextBytes, and keeps
    // only the kMaxMissed newest rows. Missed reads them newest first, leaving
    // out rows damaged from outside; MarkMissed sets `seen` on the row `id`
    // (MissedSeen) or on every row up to it (MissedSeenUpTo), or `told` on the
    // row `id` (MissedTold).
    static constexpr size_t kMaxMissedTextBytes = kNotifyMaxMissedTextBytes;
    static constexpr size_t kMaxMissed = kNotifyMaxMissedAlarms;
    enum MissedMark { MissedSeen, MissedSeenUpTo, MissedTold };
    NotifyResult AddMissed(const MissedAlarm& missed, bool* added);
    NotifyResult Missed(std::vector<MissedAlarm>* out, bool unseenOnly);
    NotifyResult MarkMissed(MissedMark mark, int64_t id);

    // Where the file stands, for a cheap test of whether anything changed:
    // `*dataVersion` is SQLite's data version (it moves with every commit of
    // another connection, of this process or another), `*ownChanges` counts the
    // rows this connection has inserted, updated or deleted since it opened.
    // NotifyError when the file cannot be read.
    NotifyResult Version(int64_t* dataVersion, int64_t* ownChanges);

    // Reads every page of the file; NotifyError when any is damaged (see Damaged).
    NotifyResult Check();
    // True when the last failure (of Open, Check or any operation) was a damaged
    // file: not a database, or a database with a malformed page. A busy, full or
    // read-only store is not damaged.
    bool Damaged() const { return damaged_; }
    // SQLite's text for the last failure, for the logs.
    const std::string& LastError() const { return lastError_; }
    // False when the file at path() is no longer the one opened (moved aside and
    // replaced): the connection must be reopened.
    bool StillAtPath() const;

    // Reads every record that can still be read from the damaged store at `path`
    // (it only reads): the rows before the first damaged page in
    // handle order and those after the last one. Returns how many were found.
    static size_t Salvage(const std::string& path, std::vector<NotifyRecord>* out);
    // Moves the store at `path` (and its -wal file, which holds committed
    // changes) aside as PATH.damaged-YYYYMMDD-HHMMSS (local time; "-2", ...
    // appended when taken) and removes its -shm file. Close every connection of
    // this process to it first. True with `*copy` set; false with `*error`.
    static bool SetAside(const std::string& path, std::string* copy, std::string* error);

private:
    // Statements kept prepared for the connection's life (rebuilding a schedule
    // runs thousands of them; a window asks for the data version every second).
    enum StatementId { StInsert, StRemove, StGet, StTake, StHandles, StAll, StDataVersion, StCount };
    sqlite3_stmt* Prepared(StatementId id);

    // Notes a failed SQLite call's cause; returns NotifyError.
    NotifyResult Fail(int rc);

    sqlite3* db_ = nullptr;
    std::string path_;
    uint64_t device_ = 0, inode_ = 0; // identity of the file opened
    bool damaged_ = false;            // the last failure was a damaged file
    std::string lastError_;           // SQLite's text for the last failure
    sqlite3_stmt* stmts_[StCount] = {};
};

} // namespace dawnbell::notify
