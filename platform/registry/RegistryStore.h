#pragma once
// The SQLite store behind RegKey: one connection per process, a cache of keys and
// values that is dropped whenever another process has changed the file, and the
// transactions of RegReadScope / RegWriteBatch. Internal to the registry target.
#include "Registry.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dawnbell {

class RegistryStore {
public:
    static RegistryStore& Instance();

    RegResult OpenKey(Hive hive, std::string_view path, bool create, RegKey* out);
    RegResult Query(const RegKey& key, std::string_view name, RegType* type, std::vector<uint8_t>* data);
    RegResult Set(const RegKey& key, std::string_view name, RegType type, const void* data, size_t size);
    RegResult Delete(const RegKey& key, std::string_view name);
    RegResult EnumKey(const RegKey& key, uint32_t index, std::string* name);
    RegResult EnumValue(const RegKey& key, uint32_t index, RegValue* value);
    // See RegKey::ReadAllValues.
    RegResult AllValues(const RegKey& key, std::vector<RegValue>* values);
    RegResult Info(const RegKey& key, uint32_t* subkeys, uint32_t* values);
    RegResult DeleteTree(Hive hive, std::string_view path);
    RegResult Flush();
    // See RegStoreChangeCount.
    uint64_t ChangeCount();

    void BeginRead();
    void EndRead();
    void BeginWrite();
    // Ends one batch level; the outermost commits (or rolls back when `commit` is
    // false or any write inside failed). RegError when nothing was applied.
    RegResult EndWrite(bool commit);
    void Close();

    // See RegLastFault, RegCheckStore, RegSetStoreAside, RegSetFaultObserver.
    RegStoreStatus LastFault();
    RegStoreStatus Check();
    bool SetAside(std::string* copy, std::string* error);
    void SetFaultObserver(std::function<void(const RegStoreStatus&)> observer);

    // Test hook: the first SQLite step of the `operations`-th operation from now
    // fails with `code` (0 operations disarms it).
    void FailOperationForTesting(int operations, int code);

private:
    struct Child {
        std::string fold;
        std::string name;
        int64_t id;
    };
    struct Value {
        std::string fold;
        RegValue value;
    };
    struct KeyCache {
        std::optional<std::vector<Child>> children; // sorted by fold
        std::optional<std::vector<Value>> values;   // creation order
    };

    // What an operation is about to do, for Enter.
    enum class Access { Read, Write };

    RegistryStore() = default;
    // The shared start of every operation, under the store's lock: the key handle
    // (when given) is open, a write is allowed (WriteAllowed), the store is open,
    // and the cache matches the file. RegOk, or the result the operation returns.
    // It is also the fault-injection point of FailOperationForTesting.
    RegResult Enter(const RegKey* key, Access access);
    // sqlite3_step for every statement of an operation; returns the injected
    // failure instead when one is armed for the operation.
    int Step(sqlite3_stmt* st);
    // Opens (or reopens, after DAWNBELL_HOME changed) the device directory's
    // registry.db; false when there is no directory or the file cannot be used.
    // Inside a scope the scope's store stays (never switched under a transaction).
    bool EnsureOpen();
    // Creates the tables and the two hive roots when missing.
    bool CreateSchema();
    // Drops the cache when another connection has changed the file. Inside a
    // scope the scope's transaction pins one snapshot, so only the scope's start
    // checks (`pinnedSnapshot` true); operations outside scopes check each time.
    void Revalidate(bool pinnedSnapshot);
    // Whether key `id` exists: RegOk, RegInvalidHandle when it is gone, RegError
    // when the store cannot be read (cache first).
    RegResult CheckKey(int64_t id);
    // The cached subkeys / values of key `id`, read on first use. RegOk with *out
    // set, RegInvalidHandle when the key is gone, RegError when unreadable.
    RegResult Children(int64_t id, const std::vector<Child>** out);
    RegResult Values(int64_t id, std::vector<Value>** out);
    // The kept statement for `sql`, reset and unbound; null (the fault noted) when
    // it does not compile, as when the file is not a database.
    sqlite3_stmt* Prepare(const char* sql);
    // Runs `sql` without results; true on success. A failure is noted as the
    // store's fault unless `report` is false (a rollback, a tuning pragma).
    bool Exec(const char* sql, bool report = true);
    // Records a failure with SQLite result `code` as the last fault (the
    // connection's own message as detail when it is about this code, else
    // `detail` or SQLite's generic words) and tells the observer.
    void NoteFault(int code, const char* detail = nullptr);
    // Whether the tables exist (a store made by an earlier run); false with the
    // fault noted when the file cannot be read.
    bool SchemaPresent(bool* present);
    // False inside a batch whose transaction could not be opened.
    bool WriteAllowed() const;
    // Marks the open batch for rollback after a failed write.
    void NoteWriteFailure();
    // Transaction of one operation; no-ops inside a scope, whose own transaction holds.
    bool Begin(bool write);
    bool Commit();
    void Rollback();

    std::recursive_mutex mutex_;
    sqlite3* db_ = nullptr;   // open connection, null before the first use
    std::string dbPath_;      // file db_ was opened on
    bool readOnly_ = false;   // db_ can only be read (file or medium not writable)
    RegStoreStatus lastFault_; // cause of the latest failure
    std::function<void(const RegStoreStatus&)> observer_; // told of each failure
    std::map<std::string, sqlite3_stmt*> statements_; // prepared once per SQL text
    std::unordered_map<int64_t, KeyCache> cache_;     // by key id
    int64_t dataVersion_ = -1; // PRAGMA data_version the cache belongs to
    uint64_t changes_ = 0;     // changes of other connections seen (RegStoreChangeCount)
    int readDepth_ = 0;  // nested RegReadScope count
    int writeDepth_ = 0; // nested RegWriteBatch count
    bool writeFailed_ = false; // a write inside the open batch failed: roll it back
    bool batchOpen_ = false;   // the outermost batch holds an open write transaction
    bool flushPending_ = false; // RegFlush was called inside a batch: flush after commit
    int failCountdown_ = 0;     // operations until the injected failure (0 = none armed)
    int failCode_ = 0;          // SQLite result the failing step returns
    bool failThisOperation_ = false; // the current operation's next step fails
};

} // namespace dawnbell
