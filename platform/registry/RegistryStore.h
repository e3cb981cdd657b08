#pragma once
// The SQLite store behind RegKey: one connection per process, a cache of keys and
// values that is dropped whenever another process has changed the file, and the
// transactions of RegReadScope / RegWriteBatch. Internal to the registry target.
#include "Registry.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dawnbell {

// Upper-cased spelling used to compare and order names (ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic letters fold; everything else compares as is).
std::string RegFoldName(std::string_view utf8);

class RegistryStore {
public:
    static RegistryStore& Instance();

    RegResult OpenKey(Hive hive, std::string_view path, bool create, RegKey* out);
    RegResult Query(const RegKey& key, std::string_view name, RegType* type, std::vector<uint8_t>* data);
    RegResult Set(const RegKey& key, std::string_view name, RegType type, const void* data, size_t size);
    RegResult Delete(const RegKey& key, std::string_view name);
    RegResult EnumKey(const RegKey& key, uint32_t index, std::string* name);
    RegResult EnumValue(const RegKey& key, uint32_t index, RegValue* value);
    RegResult Info(const RegKey& key, uint32_t* subkeys, uint32_t* values);
    RegResult DeleteTree(Hive hive, std::string_view path);
    RegResult Flush();

    void BeginRead();
    void EndRead();
    void BeginWrite();
    // Ends one batch level; the outermost commits (or rolls back when `commit` is
    // false or any write inside failed). RegError when nothing was applied.
    RegResult EndWrite(bool commit);
    void Close();

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

    RegistryStore() = default;
    // Opens (or reopens, after DAWNBELL_HOME changed) the device directory's
    // registry.db; false when there is no directory or the file cannot be used.
    bool EnsureOpen();
    // Creates the tables and the two hive roots when missing.
    bool CreateSchema();
    // Drops the cache when another connection has changed the file (outside scopes only).
    void Revalidate();
    // Whether key `id` exists (cache first).
    bool KeyExists(int64_t id);
    // The cached subkeys / values of key `id`, read on first use; null when it is gone.
    const std::vector<Child>* Children(int64_t id);
    std::vector<Value>* Values(int64_t id);
    // The kept statement for `sql`, reset and unbound; null when it does not compile.
    sqlite3_stmt* Prepare(const char* sql);
    // Runs `sql` without results; true on success.
    bool Exec(const char* sql);
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
    std::map<std::string, sqlite3_stmt*> statements_; // prepared once per SQL text
    std::unordered_map<int64_t, KeyCache> cache_;     // by key id
    int64_t dataVersion_ = -1; // PRAGMA data_version the cache belongs to
    int readDepth_ = 0;  // nested RegReadScope count
    int writeDepth_ = 0; // nested RegWriteBatch count
    bool writeFailed_ = false; // a write inside the open batch failed: roll it back
    bool batchOpen_ = false;   // the outermost batch holds an open write transaction
    bool flushPending_ = false; // RegFlush was called inside a batch: flush after commit
};

} // namespace dawnbell
