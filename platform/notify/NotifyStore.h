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
    // Handles in ascending order.
    NotifyResult Handles(std::vector<uint32_t>* out);
    // Every row, ordered by start time, then handle (invalid rows last).
    NotifyResult All(std::vector<StoredRecord>* out);

private:
    // Statements kept prepared for the connection's life (rebuilding a schedule
    // runs thousands of them).
    enum StatementId { StInsert, StRemove, StGet, StHandles, StAll, StCount };
    sqlite3_stmt* Prepared(StatementId id);

    sqlite3* db_ = nullptr;
    std::string path_;
    sqlite3_stmt* stmts_[StCount] = {};
};

} // namespace dawnbell::notify
