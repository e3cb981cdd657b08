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
    bool EnsureOpen();
    bool CreateSchema();
    void Revalidate();
    bool KeyExists(int64_t id);
    const std::vector<Child>* Children(int64_t id);
    std::vector<Value>* Values(int64_t id);
    sqlite3_stmt* Prepare(const char* sql);
    bool Exec(const char* sql);
    bool WriteAllowed() const;
    void NoteWriteFailure();
    bool Begin(bool write);
    bool Commit();
    void Rollback();

    std::recursive_mutex mutex_;
    sqlite3* db_ = nullptr;
    std::string dbPath_;
    std::map<std::string, sqlite3_stmt*> statements_;
    std::unordered_map<int64_t, KeyCache> cache_;
    int64_t dataVersion_ = -1;
    int readDepth_ = 0;  // nested RegReadScope count
    int writeDepth_ = 0; // nested RegWriteBatch count
    bool writeFailed_ = false; // a write inside the open batch failed: roll it back
    bool batchOpen_ = false;   // the outermost batch holds an open write transaction
    bool flushPending_ = false; // RegFlush was called inside a batch: flush after commit
};

} // namespace dawnbell
