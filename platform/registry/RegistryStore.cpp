#include "RegistryStore.h"

#include "Utf8.h"

#include "Clock.h"
#include "DevicePaths.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

constexpr int64_t kRootCurrentUser = 1;
constexpr int64_t kRootLocalMachine = 2;
constexpr int kBusyTimeoutMs = 10000;

int64_t RootId(Hive hive)
{
    return hive == Hive::CurrentUser ? kRootCurrentUser : kRootLocalMachine;
}

// Splits a key path at '\' (empty parts are skipped); *ok is false when the path
// is too deep or a part is not a valid name of at most kRegMaxKeyNameChars.
std::vector<std::string> SplitPath(std::string_view path, bool* ok)
{
    std::vector<std::string> parts;
    *ok = true;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() > kRegMaxPathDepth)
        *ok = false;
    for (const auto& p : parts) {
        if (!IsValidName(p) || Utf8ToUtf16(p).size() > kRegMaxKeyNameChars)
            *ok = false;
    }
    return parts;
}

} // namespace

RegistryStore& RegistryStore::Instance()
{
    static RegistryStore* store = new RegistryStore; // lives for the process
    return *store;
}

sqlite3_stmt* RegistryStore::Prepare(const char* sql)
{
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* st = nullptr;
    if (const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr); rc != SQLITE_OK) {
        NoteFault(sqlite3_extended_errcode(db_));
        sqlite3_finalize(st);
        return nullptr;
    }
    statements_.emplace(sql, st);
    return st;
}

bool RegistryStore::Exec(const char* sql, bool report)
{
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    if (report)
        NoteFault(sqlite3_extended_errcode(db_));
    return false;
}

void RegistryStore::NoteFault(int code, const char* detail)
{
    RegStoreStatus status;
    switch (code & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        status.fault = RegFault::Damaged;
        break;
    case SQLITE_READONLY:
        status.fault = RegFault::ReadOnly;
        break;
    case SQLITE_FULL:
        status.fault = RegFault::Full;
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        status.fault = RegFault::Busy;
        break;
    default:
        status.fault = RegFault::Unavailable;
        break;
    }
    status.sqliteCode = code;
    status.file = dbPath_.empty() ? DeviceDir() + "/registry.db" : dbPath_;
    if (db_ && !detail && sqlite3_extended_errcode(db_) == code)
        detail = sqlite3_errmsg(db_);
    status.detail = detail ? detail : sqlite3_errstr(code);
    lastFault_ = status;
    if (observer_)
        observer_(status);
}

void RegistryStore::Close()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    statements_.clear();
    if (db_)
        sqlite3_close(db_);
    db_ = nullptr;
    dbPath_.clear();
    readOnly_ = false;
    cache_.clear();
    dataVersion_ = -1;
    lastFault_ = RegStoreStatus();
}

bool RegistryStore::CreateSchema()
{
    // Keys form a tree; the two hive roots have no parent. AUTOINCREMENT keeps a
    // deleted key's id from being reused, so a stale handle can never reach a new key.
    static const char* kSchema =
        "CREATE TABLE IF NOT EXISTS keys("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
        " name TEXT NOT NULL,"
        " fold TEXT NOT NULL,"
        " UNIQUE(parent, fold));"
        "CREATE TABLE IF NOT EXISTS vals("
        " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
        " fold TEXT NOT NULL,"
        " name TEXT NOT NULL,"
        " seq INTEGER NOT NULL,"
        " type INTEGER NOT NULL,"
        " data BLOB NOT NULL,"
        " PRIMARY KEY(key, fold)) WITHOUT ROWID;"
        "CREATE INDEX IF NOT EXISTS vals_seq ON vals(key, seq);"
        "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES"
        " (1, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
        " (2, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE');";
    if (!Exec("BEGIN IMMEDIATE"))
        return false;
    if (!Exec(kSchema)) {
        Exec("ROLLBACK", false);
        return false;
    }
    return Exec("COMMIT");
}

bool RegistryStore::SchemaPresent(bool* present)
{
    *present = false;
    // The first read of the file: one that is not a database, or whose first
    // pages are damaged, fails here. Not kept: it runs once per connection.
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_,
                                "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('keys', 'vals')",
                                -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            *present = sqlite3_column_int(st, 0) == 2;
    }
    const int code = sqlite3_extended_errcode(db_);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW) {
        NoteFault(code);
        return false;
    }
    return true;
}

bool RegistryStore::EnsureOpen()
{
    // A scope pins its store, so there is no need to look up (and stat) the device
    // directory again for each of its reads and writes.
    if (db_ && (readDepth_ || writeDepth_))
        return true;
    const std::string dir = DeviceDir();
    if (dir.empty())
        return false;
    const std::string path = dir + "/registry.db";
    if (db_ && path == dbPath_)
        return true;
    if (db_)
        Close();
    dbPath_ = path; // named in the faults of the open
    struct stat st;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            NoteFault(SQLITE_NOTADB, "something other than a file has its name");
            dbPath_.clear();
            return false;
        }
        // A file nobody may write was made read-only on purpose: open it for
        // reading also where the permissions would be overridden (root).
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    }
    MakeStorePrivate(path); // 0600 whatever the umask or the folder's mode
    const auto fail = [this] {
        if (db_)
            sqlite3_close(db_);
        db_ = nullptr;
        dbPath_.clear();
        return false;
    };
    if (const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr); rc != SQLITE_OK) {
        NoteFault(db_ ? sqlite3_extended_errcode(db_) : rc);
        return fail();
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // A file whose folder or medium refuses writing is opened read-only by SQLite.
    readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
    // WAL: readers never block the writer and a killed writer leaves the file
    // consistent. NORMAL sync: commits are atomic at once and durable after Flush.
    // (A read-only store keeps the mode it has.)
    if (!readOnly_)
        Exec("PRAGMA journal_mode=WAL", false);
    Exec("PRAGMA synchronous=NORMAL", false);
    Exec("PRAGMA foreign_keys=ON", false);
    // The schema is created only when missing, so a store that cannot be written
    // can still be read.
    bool present = false;
    if (!SchemaPresent(&present) || (!present && !CreateSchema()))
        return fail();
    cache_.clear();
    dataVersion_ = -1;
    return true;
}

void RegistryStore::Revalidate(bool pinnedSnapshot)
{
    if (!pinnedSnapshot && (readDepth_ > 0 || writeDepth_ > 0))
        return; // the open transaction pins one snapshot
    // Not through Step: an injected failure belongs to the operation's own statements.
    sqlite3_stmt* st = Prepare("PRAGMA data_version");
    int64_t version = -2;
    if (st && sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int64(st, 0);
    if (st)
        sqlite3_reset(st);
    if (version != dataVersion_) {
        cache_.clear();
        dataVersion_ = version;
        ++changes_;
    }
}

uint64_t RegistryStore::ChangeCount()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!EnsureOpen())
        return 0;
    Revalidate(false);
    return changes_;
}

void RegistryStore::FailOperationForTesting(int operations, int code)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    failCountdown_ = operations > 0 ? operations : 0;
    failCode_ = code;
    failThisOperation_ = false;
}

RegStoreStatus RegistryStore::LastFault()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return lastFault_;
}

void RegistryStore::SetFaultObserver(std::function<void(const RegStoreStatus&)> observer)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    observer_ = std::move(observer);
}

RegStoreStatus RegistryStore::Check()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (readDepth_ == 0 && writeDepth_ == 0)
        Close(); // a fresh open, so the faults of opening show too
    lastFault_ = RegStoreStatus();
    if (!EnsureOpen()) {
        if (lastFault_.fault == RegFault::None)
            NoteFault(SQLITE_CANTOPEN, "there is no folder for it");
        return lastFault_;
    }
    // Every page of every table and index, and the WAL's frames with them.
    sqlite3_stmt* st = Prepare("PRAGMA quick_check(1)");
    if (!st)
        return lastFault_;
    const int rc = sqlite3_step(st);
    const int code = sqlite3_extended_errcode(db_);
    std::string verdict;
    if (rc == SQLITE_ROW && sqlite3_column_text(st, 0))
        verdict = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    // One line for messages: "*** in database main ***\nPage 3: ..." -> "Page 3: ...".
    if (verdict.compare(0, 4, "*** ") == 0 && verdict.find('\n') != std::string::npos)
        verdict.erase(0, verdict.find('\n') + 1);
    std::replace(verdict.begin(), verdict.end(), '\n', ' ');
    sqlite3_reset(st);
    if (rc != SQLITE_ROW)
        NoteFault(code);
    else if (verdict != "ok")
        NoteFault(SQLITE_CORRUPT, verdict.c_str());
    if (lastFault_.fault == RegFault::None && readOnly_) {
        RegStoreStatus status;
        status.fault = RegFault::ReadOnly;
        status.sqliteCode = SQLITE_READONLY;
        status.file = dbPath_;
        status.detail = "the file cannot be written";
        return status;
    }
    return lastFault_;
}

bool RegistryStore::SetAside(std::string* copy, std::string* error)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (readDepth_ || writeDepth_) {
        *error = "the store is in use";
        return false;
    }
    Close();
    const std::string dir = DeviceDir();
    if (dir.empty()) {
        *error = "there is no device folder";
        return false;
    }
    const std::string path = dir + "/registry.db";
    const clock::LocalTime t = clock::ToLocal(clock::RealNow());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, ".damaged-%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    std::string target = path + stamp;
    struct stat st;
    for (int n = 2; ::lstat(target.c_str(), &st) == 0 || ::lstat((target + "-wal").c_str(), &st) == 0; ++n)
        target = path + stamp + "-" + std::to_string(n);
    // The WAL first: one left behind would be replayed into the fresh store.
    const bool hasWal = ::lstat((path + "-wal").c_str(), &st) == 0;
    if (hasWal && ::rename((path + "-wal").c_str(), (target + "-wal").c_str()) != 0) {
        *error = std::string("its -wal file cannot be moved: ") + std::strerror(errno);
        return false;
    }
    if (::rename(path.c_str(), target.c_str()) != 0) {
        *error = std::strerror(errno);
        // The store stays where it is, so its WAL goes back beside it.
        if (hasWal)
            ::rename((target + "-wal").c_str(), (path + "-wal").c_str());
        return false;
    }
    ::unlink((path + "-shm").c_str()); // rebuilt from the WAL on the next open
    *copy = target;
    return true;
}

RegResult RegistryStore::Enter(const RegKey* key, Access access)
{
    failThisOperation_ = failCountdown_ > 0 && --failCountdown_ == 0;
    if (key && !key->IsOpen())
        return RegInvalidHandle;
    if (access == Access::Write && !WriteAllowed())
        return RegError;
    if (!EnsureOpen())
        return RegError;
    Revalidate(false);
    return RegOk;
}

int RegistryStore::Step(sqlite3_stmt* st)
{
    if (failThisOperation_) {
        failThisOperation_ = false;
        NoteFault(failCode_, sqlite3_errstr(failCode_));
        return failCode_;
    }
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        NoteFault(sqlite3_extended_errcode(db_));
    return rc;
}

RegResult RegistryStore::CheckKey(int64_t id)
{
    auto it = cache_.find(id);
    if (it != cache_.end() && (it->second.children || it->second.values))
        return RegOk;
    sqlite3_stmt* st = Prepare("SELECT 1 FROM keys WHERE id = ?");
    if (!st)
        return RegError;
    sqlite3_bind_int64(st, 1, id);
    const int rc = Step(st);
    sqlite3_reset(st);
    if (rc == SQLITE_ROW)
        return RegOk;
    return rc == SQLITE_DONE ? RegInvalidHandle : RegError;
}

RegResult RegistryStore::Children(int64_t id, const std::vector<Child>** out)
{
    if (KeyCache& kc = cache_[id]; kc.children) {
        *out = &*kc.children;
        return RegOk;
    }
    if (const RegResult exists = CheckKey(id); exists != RegOk) {
        cache_.erase(id);
        return exists;
    }
    sqlite3_stmt* st = Prepare("SELECT fold, name, id FROM keys WHERE parent = ? ORDER BY fold");
    if (!st)
        return RegError;
    sqlite3_bind_int64(st, 1, id);
    std::vector<Child> children;
    int rc;
    while ((rc = Step(st)) == SQLITE_ROW) {
        children.push_back({reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                            reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                            sqlite3_column_int64(st, 2)});
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        return RegError; // a damaged or unreadable page: never a shorter list
    // SQLite orders TEXT by bytes, which is code-point order for UTF-8; keep it.
    KeyCache& kc = cache_[id];
    kc.children = std::move(children);
    *out = &*kc.children;
    return RegOk;
}

RegResult RegistryStore::Values(int64_t id, std::vector<Value>** out)
{
    if (KeyCache& kc = cache_[id]; kc.values) {
        *out = &*kc.values;
        return RegOk;
    }
    if (const RegResult exists = CheckKey(id); exists != RegOk) {
        cache_.erase(id);
        return exists;
    }
    // Read the key's rows in primary-key order (one contiguous range, no lookup
    // through the seq index per row) and put them in creation order here.
    sqlite3_stmt* st = Prepare("SELECT fold, name, type, data, seq FROM vals WHERE key = ?");
    if (!st)
        return RegError;
    sqlite3_bind_int64(st, 1, id);
    std::vector<std::pair<int64_t, Value>> rows;
    int rc;
    while ((rc = Step(st)) == SQLITE_ROW) {
        Value v;
        v.fold = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        v.value.name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        v.value.type = static_cast<RegType>(sqlite3_column_int64(st, 2));
        const auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(st, 3));
        const int n = sqlite3_column_bytes(st, 3);
        if (blob && n > 0)
            v.value.data.assign(blob, blob + n);
        rows.emplace_back(sqlite3_column_int64(st, 4), std::move(v));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        return RegError; // never a section with values missing
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Value> values;
    values.reserve(rows.size());
    for (auto& row : rows)
        values.push_back(std::move(row.second));
    KeyCache& kc = cache_[id];
    kc.values = std::move(values);
    *out = &*kc.values;
    return RegOk;
}

bool RegistryStore::WriteAllowed() const
{
    // Inside a batch whose transaction could not be opened every write is refused:
    // running it on its own would break the batch's all-or-nothing promise.
    return writeDepth_ == 0 || batchOpen_ || readDepth_ > 0;
}

void RegistryStore::NoteWriteFailure()
{
    if (writeDepth_ > 0)
        writeFailed_ = true;
}

bool RegistryStore::Begin(bool write)
{
    if (writeDepth_ > 0 || readDepth_ > 0)
        return true; // already inside a scope's transaction
    return Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
}

bool RegistryStore::Commit()
{
    if (writeDepth_ > 0 || readDepth_ > 0)
        return true;
    return Exec("COMMIT");
}

void RegistryStore::Rollback()
{
    if (writeDepth_ > 0) {
        writeFailed_ = true;
        return;
    }
    if (readDepth_ > 0)
        return;
    Exec("ROLLBACK", false);
    cache_.clear();
}

RegResult RegistryStore::OpenKey(Hive hive, std::string_view path, bool create, RegKey* out)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    out->Close();
    if (const RegResult r = Enter(nullptr, Access::Read); r != RegOk)
        return r;
    bool ok = true;
    const std::vector<std::string> parts = SplitPath(path, &ok);
    if (!ok)
        return RegInvalidParameter;

    int64_t id = RootId(hive);
    std::string stored;
    size_t depth = 0;
    // Walk down as far as the keys exist.
    for (; depth < parts.size(); ++depth) {
        const std::vector<Child>* children = nullptr;
        if (Children(id, &children) != RegOk)
            return RegError;
        const std::string fold = RegFoldName(parts[depth]);
        auto it = std::lower_bound(children->begin(), children->end(), fold,
                                   [](const Child& c, const std::string& f) { return c.fold < f; });
        if (it == children->end() || it->fold != fold)
            break;
        id = it->id;
        if (!stored.empty())
            stored += '\\';
        stored += it->name;
    }
    if (depth < parts.size()) {
        if (!create)
            return RegNotFound;
        if (!WriteAllowed() || !Begin(true))
            return RegError;
        sqlite3_stmt* st = Prepare("INSERT INTO keys(parent, name, fold) VALUES(?, ?, ?) "
                                   "ON CONFLICT(parent, fold) DO UPDATE SET parent = parent RETURNING id, name");
        for (; depth < parts.size(); ++depth) {
            const std::string fold = RegFoldName(parts[depth]);
            if (!st)
                break;
            sqlite3_reset(st);
            sqlite3_bind_int64(st, 1, id);
            sqlite3_bind_text(st, 2, parts[depth].data(), static_cast<int>(parts[depth].size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, fold.data(), static_cast<int>(fold.size()), SQLITE_TRANSIENT);
            if (Step(st) != SQLITE_ROW) {
                sqlite3_reset(st);
                st = nullptr;
                break;
            }
            const int64_t child = sqlite3_column_int64(st, 0);
            const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            // The parent's cached child list takes the key in its sorted place:
            // reading the whole list again would make creating n keys under one
            // parent cost n^2. (A failed transaction clears the cache.)
            if (auto c = cache_.find(id); c != cache_.end() && c->second.children) {
                std::vector<Child>& list = *c->second.children;
                auto at = std::lower_bound(list.begin(), list.end(), fold,
                                           [](const Child& x, const std::string& f) { return x.fold < f; });
                if (at == list.end() || at->fold != fold)
                    list.insert(at, Child{fold, name, child});
                else
                    *at = Child{fold, name, child};
            }
            id = child;
            if (!stored.empty())
                stored += '\\';
            stored += name;
            // Finish the statement: RETURNING rows are only final once it is done.
            if (Step(st) != SQLITE_DONE) {
                sqlite3_reset(st);
                st = nullptr;
                break;
            }
            sqlite3_reset(st);
        }
        if (!st) {
            Rollback();
            return RegError;
        }
        if (!Commit()) {
            Rollback();
            return RegError;
        }
    }
    out->hive_ = hive;
    out->id_ = id;
    out->path_ = stored;
    return RegOk;
}

RegResult RegistryStore::Query(const RegKey& key, std::string_view name, RegType* type, std::vector<uint8_t>* data)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (const RegResult r = Enter(&key, Access::Read); r != RegOk)
        return r;
    if (!IsValidName(name))
        return RegInvalidParameter;
    const std::string fold = RegFoldName(name);
    if (const auto it = cache_.find(key.id_); it == cache_.end() || !it->second.values) {
        // The key's values are not read yet: this one alone, so a pass over
        // thousands of keys for one value each (the schedule reading every
        // alarm's `activated`) does not read every value of every key.
        sqlite3_stmt* st = Prepare("SELECT type, data FROM vals WHERE key = ? AND fold = ?");
        if (!st)
            return RegError;
        sqlite3_bind_int64(st, 1, key.id_);
        sqlite3_bind_text(st, 2, fold.data(), static_cast<int>(fold.size()), SQLITE_TRANSIENT);
        const int rc = Step(st);
        if (rc == SQLITE_ROW) {
            if (type)
                *type = static_cast<RegType>(sqlite3_column_int64(st, 0));
            if (data) {
                const auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(st, 1));
                const int n = sqlite3_column_bytes(st, 1);
                if (blob && n > 0)
                    data->assign(blob, blob + n);
                else
                    data->clear();
            }
        }
        sqlite3_reset(st);
        if (rc == SQLITE_ROW)
            return RegOk;
        if (rc != SQLITE_DONE)
            return RegError;
        const RegResult exists = CheckKey(key.id_);
        return exists == RegOk ? RegNotFound : exists;
    }
    std::vector<Value>* values = nullptr;
    if (const RegResult r = Values(key.id_, &values); r != RegOk)
        return r;
    for (const auto& v : *values) {
        if (v.fold == fold) {
            if (type)
                *type = v.value.type;
            if (data)
                *data = v.value.data;
            return RegOk;
        }
    }
    return RegNotFound;
}

RegResult RegistryStore::Set(const RegKey& key, std::string_view name, RegType type, const void* data, size_t size)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (const RegResult r = Enter(&key, Access::Write); r != RegOk)
        return r;
    if (size > kRegMaxValueBytes || !IsValidName(name) || Utf8ToUtf16(name).size() > kRegMaxValueNameChars
        || (size && !data))
        return RegInvalidParameter;
    if (const RegResult r = CheckKey(key.id_); r != RegOk) {
        if (r != RegInvalidHandle)
            NoteWriteFailure(); // the store failed, inside a batch too
        return r;
    }
    const std::string fold = RegFoldName(name);
    // A new value goes after every existing one; a replaced value keeps its place.
    sqlite3_stmt* st = Prepare(
        "INSERT INTO vals(key, fold, name, seq, type, data) VALUES(?1, ?2, ?3,"
        " (SELECT IFNULL(MAX(seq), 0) + 1 FROM vals WHERE key = ?1), ?4, ?5)"
        " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    if (!st)
        return RegError;
    sqlite3_bind_int64(st, 1, key.id_);
    sqlite3_bind_text(st, 2, fold.data(), static_cast<int>(fold.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 4, static_cast<int64_t>(type));
    sqlite3_bind_blob(st, 5, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
    const int rc = Step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        NoteWriteFailure();
        cache_.erase(key.id_);
        return RegError;
    }
    auto it = cache_.find(key.id_);
    if (it != cache_.end() && it->second.values) {
        auto& values = *it->second.values;
        auto v = std::find_if(values.begin(), values.end(), [&](const Value& x) { return x.fold == fold; });
        const auto* bytes = static_cast<const uint8_t*>(data);
        if (v == values.end()) {
            Value nv;
            nv.fold = fold;
            nv.value.name = std::string(name);
            values.push_back(std::move(nv));
            v = values.end() - 1;
        }
        v->value.type = type;
        v->value.data.assign(bytes, bytes + size);
    }
    return RegOk;
}

RegResult RegistryStore::Delete(const RegKey& key, std::string_view name)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (const RegResult r = Enter(&key, Access::Write); r != RegOk)
        return r;
    if (!IsValidName(name))
        return RegInvalidParameter;
    const std::string fold = RegFoldName(name);
    sqlite3_stmt* st = Prepare("DELETE FROM vals WHERE key = ? AND fold = ?");
    if (!st)
        return RegError;
    sqlite3_bind_int64(st, 1, key.id_);
    sqlite3_bind_text(st, 2, fold.data(), static_cast<int>(fold.size()), SQLITE_TRANSIENT);
    const int rc = Step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        NoteWriteFailure();
        return RegError;
    }
    const bool removed = sqlite3_changes(db_) > 0;
    auto it = cache_.find(key.id_);
    if (it != cache_.end() && it->second.values) {
        auto& values = *it->second.values;
        values.erase(std::remove_if(values.begin(), values.end(), [&](const Value& x) { return x.fold == fold; }),
                     values.end());
    }
    if (removed)
        return RegOk;
    const RegResult exists = CheckKey(key.id_);
    if (exists != RegOk && exists != RegInvalidHandle)
        NoteWriteFailure();
    return exists == RegOk ? RegNotFound : exists;
}

RegResult RegistryStore::EnumKey(const RegKey& key, uint32_t index, std::string* name)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (const RegResult r = Enter(&key, Access::Read); r != RegOk)
        return r;
    const std::vector<Child>* children = nullptr;
    if (const RegResult r = Children(key.id_, &children); r != RegOk)
        return r;
    if (index >= children->size())
        return RegNoMoreItems;
    if (name)
        *name = (*children)[index].name;
    return RegOk;
}

RegResult RegistryStore::EnumValue(const RegKey& key, uint32_t index, RegValue* value)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (const RegResult r = Enter(&key, Access::Read); r != RegOk)
        return r;
    std::vector<Value>* values = nullptr;
    if (const RegResult r = Values(key.id_, &values); r != RegOk)
        return r;
    if (index >= values->size())
        return RegNoMoreItems;
    if (value)
        *value = (*values)[index].value;
    return RegOk;
}

RegResult RegistryStore::AllValues(const RegKey& key, std::vector<RegValue>* out)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (const RegResult r = Enter(&key, Access::Read); r != RegOk)
        return r;
    if (const auto it = cache_.find(key.id_); it != cache_.end() && it->second.values) {
        const std::vector<Value>& values = *it->second.values;
        out->resize(values.size());
        for (size_t i = 0; i < values.size(); ++i)
            (*out)[i] = values[i].value;
        return RegOk;
    }
    if (const RegResult exists = CheckKey(key.id_); exists != RegOk)
        return exists;
    // Straight into the caller's entries, without filling the cache: loading
    // thousands of sections then costs no second copy of every value.
    sqlite3_stmt* st = Prepare("SELECT name, type, data, seq FROM vals WHERE key = ?");
    if (!st)
        return RegError;
    sqlite3_bind_int64(st, 1, key.id_);
    std::vector<std::pair<int64_t, size_t>> order; // seq, row
    size_t n = 0;
    int rc;
    while ((rc = Step(st)) == SQLITE_ROW) {
        if (n == out->size())
            out->emplace_back();
        RegValue& v = (*out)[n];
        v.name.assign(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        v.type = static_cast<RegType>(sqlite3_column_int64(st, 1));
        const auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(st, 2));
        const int bytes = sqlite3_column_bytes(st, 2);
        if (blob && bytes > 0)
            v.data.assign(blob, blob + bytes);
        else
            v.data.clear();
        order.emplace_back(sqlite3_column_int64(st, 3), n);
        ++n;
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        return RegError; // never a section with values missing
    out->resize(n);
    // Rows come in name order; put them in creation order by moving, not copying.
    std::sort(order.begin(), order.end());
    std::vector<RegValue> sorted;
    sorted.reserve(n);
    for (const auto& o : order)
        sorted.push_back(std::move((*out)[o.second]));
    for (size_t i = 0; i < n; ++i)
        (*out)[i] = std::move(sorted[i]);
    return RegOk;
}

RegResult RegistryStore::Info(const RegKey& key, uint32_t* subkeys, uint32_t* values)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (const RegResult r = Enter(&key, Access::Read); r != RegOk)
        return r;
    const std::vector<Child>* children = nullptr;
    std::vector<Value>* vals = nullptr;
    if (const RegResult r = Children(key.id_, &children); r != RegOk)
        return r;
    if (const RegResult r = Values(key.id_, &vals); r != RegOk)
        return r;
    if (subkeys)
        *subkeys = static_cast<uint32_t>(children->size());
    if (values)
        *values = static_cast<uint32_t>(vals->size());
    return RegOk;
}

RegResult RegistryStore::DeleteTree(Hive hive, std::string_view path)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    RegKey key;
    const RegResult r = OpenKey(hive, path, false, &key);
    if (r != RegOk)
        return r;
    if (key.id_ == RootId(hive))
        return RegInvalidParameter;
    if (const RegResult entered = Enter(&key, Access::Write); entered != RegOk)
        return entered;
    // Foreign keys cascade the delete to every key and value below.
    sqlite3_stmt* st = Prepare("DELETE FROM keys WHERE id = ?");
    if (!st)
        return RegError;
    sqlite3_bind_int64(st, 1, key.id_);
    const int rc = Step(st);
    sqlite3_reset(st);
    cache_.clear();
    if (rc != SQLITE_DONE) {
        NoteWriteFailure();
        return RegError;
    }
    return RegOk;
}

RegResult RegistryStore::Flush()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (writeDepth_ > 0 || readDepth_ > 0) {
        // The writes are not committed yet: flush when the outermost scope ends.
        flushPending_ = true;
        return RegOk;
    }
    if (!EnsureOpen())
        return RegError;
    if (readOnly_)
        return RegOk;
    // Commits are already atomic in the WAL; syncing the WAL makes them durable.
    // The sync goes through SQLite's own handle of the WAL: never a descriptor of
    // our own, as closing any descriptor of a file drops every POSIX lock this
    // process holds on it, and another process could then checkpoint and remove
    // the WAL under this connection.
    sqlite3_file* wal = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &wal) == SQLITE_OK && wal && wal->pMethods) {
        if (const int rc = wal->pMethods->xSync(wal, SQLITE_SYNC_NORMAL); rc != SQLITE_OK) {
            const int err = errno; // the failed fsync's, as SQLite's sync leaves it
            NoteFault(err == ENOSPC ? SQLITE_FULL : rc, err ? std::strerror(err) : nullptr);
            return RegError;
        }
    }
    // A passive checkpoint then moves the pages into the main file and syncs it,
    // without waiting for readers of other processes. Busy (another process
    // checkpoints, or a reader still uses old pages) is no failure: the synced
    // WAL keeps the writes and a later checkpoint moves them.
    const int rc = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    if (rc != SQLITE_OK && (rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED) {
        NoteFault(sqlite3_extended_errcode(db_));
        return RegError;
    }
    return RegOk;
}

void RegistryStore::BeginRead()
{
    mutex_.lock(); // held for the scope's life: one thread uses the snapshot
    const bool outermost = readDepth_ == 0 && writeDepth_ == 0;
    // Open (or switch stores) before the depth pins the store.
    const bool open = !outermost || EnsureOpen();
    ++readDepth_;
    if (outermost && open) {
        Exec("BEGIN");
        // The first read inside the transaction fixes the snapshot; check that
        // the cache still matches it.
        Revalidate(true);
    }
}

void RegistryStore::EndRead()
{
    if (--readDepth_ == 0 && writeDepth_ == 0 && db_) {
        if (!Exec("COMMIT")) {
            Exec("ROLLBACK", false);
            cache_.clear();
        }
        if (flushPending_) {
            flushPending_ = false;
            Flush();
        }
    }
    mutex_.unlock();
}

void RegistryStore::BeginWrite()
{
    mutex_.lock(); // held for the batch's life: one thread owns the transaction
    if (writeDepth_ > 0 || readDepth_ > 0) {
        ++writeDepth_;
        return; // nested: joins the open transaction
    }
    writeFailed_ = false;
    batchOpen_ = false;
    // Open (or switch stores) before the depth pins the store.
    const bool open = EnsureOpen();
    writeDepth_ = 1;
    if (!open) {
        writeFailed_ = true;
        return;
    }
    batchOpen_ = Exec("BEGIN IMMEDIATE");
    // Another process may have written before the lock was taken.
    Revalidate(true);
    if (!batchOpen_)
        writeFailed_ = true;
}

RegResult RegistryStore::EndWrite(bool commit)
{
    RegResult result = RegOk;
    if (!commit)
        writeFailed_ = true;
    if (--writeDepth_ > 0 || readDepth_ > 0) {
        // An inner level: the outermost scope decides.
        result = writeFailed_ ? RegError : RegOk;
    } else {
        if (batchOpen_ && db_) {
            if (writeFailed_ || !Exec("COMMIT")) {
                Exec("ROLLBACK", false);
                cache_.clear();
                result = RegError;
            }
        } else {
            result = RegError;
        }
        batchOpen_ = false;
        writeFailed_ = false;
        if (flushPending_) {
            flushPending_ = false;
            if (result == RegOk && Flush() != RegOk)
                result = RegError;
        }
    }
    mutex_.unlock();
    return result;
}

} // namespace dawnbell
