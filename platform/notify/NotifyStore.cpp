#include "NotifyStore.h"

#include "DevicePaths.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace dawnbell::notify {

namespace {

constexpr int kBusyTimeoutMs = 10000;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS notifications ("
    " handle INTEGER PRIMARY KEY AUTOINCREMENT CHECK (handle BETWEEN 1 AND 4294967295),"
    " kind INTEGER NOT NULL, event INTEGER NOT NULL,"
    " application TEXT NOT NULL, arguments TEXT NOT NULL,"
    " start_year INTEGER, start_month INTEGER, start_dow INTEGER, start_day INTEGER,"
    " start_hour INTEGER, start_minute INTEGER, start_second INTEGER, start_ms INTEGER,"
    " end_year INTEGER, end_month INTEGER, end_dow INTEGER, end_day INTEGER,"
    " end_hour INTEGER, end_minute INTEGER, end_second INTEGER, end_ms INTEGER);"
    // Stores the service moved aside, until a rebuild of the schedule answers them.
    "CREATE TABLE IF NOT EXISTS set_aside (copy TEXT NOT NULL, at TEXT NOT NULL);"
    // Alarms that did not ring at their time, one row per alarm and due time.
    "CREATE TABLE IF NOT EXISTS missed ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " application TEXT NOT NULL, arguments TEXT NOT NULL,"
    " due_year INTEGER, due_month INTEGER, due_day INTEGER, due_hour INTEGER, due_minute INTEGER, due_second INTEGER,"
    " noticed INTEGER NOT NULL, title TEXT NOT NULL, reason TEXT NOT NULL,"
    " told INTEGER NOT NULL DEFAULT 0, seen INTEGER NOT NULL DEFAULT 0,"
    " UNIQUE (arguments, due_year, due_month, due_day, due_hour, due_minute, due_second))";

const char* const kColumns =
    "handle, kind, event, application, arguments,"
    " start_year, start_month, start_dow, start_day, start_hour, start_minute, start_second, start_ms,"
    " end_year, end_month, end_dow, end_day, end_hour, end_minute, end_second, end_ms";

// Orders by start time; rows whose fields are not integers sort last.
const char* const kOrder =
    " ORDER BY typeof(start_year) <> 'integer', start_year, start_month, start_day,"
    " start_hour, start_minute, start_second, start_ms, handle";

// A cached statement in use: reset and unbound when the scope ends.
class Statement {
public:
    explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~Statement()
    {
        if (stmt_) {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    explicit operator bool() const { return stmt_ != nullptr; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

bool ColumnInt(sqlite3_stmt* s, int col, int64_t lo, int64_t hi, int64_t* out)
{
    if (sqlite3_column_type(s, col) != SQLITE_INTEGER)
        return false;
    const int64_t v = sqlite3_column_int64(s, col);
    if (v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool ColumnText(sqlite3_stmt* s, int col, size_t maxBytes, std::string* out)
{
    if (sqlite3_column_type(s, col) != SQLITE_TEXT)
        return false;
    const unsigned char* p = sqlite3_column_text(s, col);
    const int n = sqlite3_column_bytes(s, col);
    if (!p || n < 0 || static_cast<size_t>(n) > maxBytes)
        return false;
    out->assign(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
    return out->find('\0') == std::string::npos;
}

bool ColumnTime(sqlite3_stmt* s, int first, clock::LocalTime* t)
{
    int64_t f[8];
    // Wide bounds here; NotifyTimeIsValid decides about the calendar.
    for (int i = 0; i < 8; ++i) {
        if (!ColumnInt(s, first + i, -100000, 100000, &f[i]))
            return false;
    }
    t->year = static_cast<int>(f[0]);
    t->month = static_cast<int>(f[1]);
    t->dayOfWeek = static_cast<int>(f[2]);
    t->day = static_cast<int>(f[3]);
    t->hour = static_cast<int>(f[4]);
    t->minute = static_cast<int>(f[5]);
    t->second = static_cast<int>(f[6]);
    t->milliseconds = static_cast<int>(f[7]);
    return NotifyTimeIsValid(*t);
}

// Reads the row at the statement's cursor (columns in kColumns order).
StoredRecord ReadRow(sqlite3_stmt* s)
{
    StoredRecord r;
    int64_t handle = 0, kind = 0, event = 0;
    const bool hasHandle = ColumnInt(s, 0, 1, 0xFFFFFFFFll, &handle);
    r.record.handle = static_cast<uint32_t>(handle);
    NotifyTrigger& t = r.record.trigger;
    bool ok = hasHandle;
    ok = ColumnInt(s, 1, INT32_MIN, INT32_MAX, &kind) && ok;
    ok = ColumnInt(s, 2, INT32_MIN, INT32_MAX, &event) && ok;
    t.kind = static_cast<int>(kind);
    t.event = static_cast<int>(event);
    ok = ColumnText(s, 3, kNotifyMaxApplicationBytes, &t.application) && ok;
    ok = ColumnText(s, 4, kNotifyMaxArgumentsBytes, &t.arguments) && ok;
    ok = ColumnTime(s, 5, &t.start) && ok;
    ok = ColumnTime(s, 13, &t.end) && ok;
    r.valid = ok && NotifyTriggerIsValid(t);
    return r;
}

void BindTime(sqlite3_stmt* s, int first, const clock::LocalTime& t)
{
    const int f[8] = {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds};
    for (int i = 0; i < 8; ++i)
        sqlite3_bind_int(s, first + i, f[i]);
}

// Binds a trigger's fields from parameter `first` on, in kColumns order after
// the handle.
void BindTrigger(sqlite3_stmt* s, int first, const NotifyTrigger& trigger)
{
    sqlite3_bind_int(s, first, trigger.kind);
    sqlite3_bind_int(s, first + 1, trigger.event);
    sqlite3_bind_text(s, first + 2, trigger.application.data(), static_cast<int>(trigger.application.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(s, first + 3, trigger.arguments.data(), static_cast<int>(trigger.arguments.size()),
                      SQLITE_STATIC);
    BindTime(s, first + 4, trigger.start);
    BindTime(s, first + 12, trigger.end);
}

bool IsDamage(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// Reads rows of the statement until it ends or fails; adds the valid ones.
void ReadValidRows(sqlite3_stmt* s, std::vector<NotifyRecord>* out, std::unordered_set<uint32_t>* seen)
{
    while (sqlite3_step(s) == SQLITE_ROW) {
        const StoredRecord r = ReadRow(s);
        if (r.valid && seen->insert(r.record.handle).second)
            out->push_back(r.record);
    }
}

} // namespace

NotifyStore::~NotifyStore()
{
    Close();
}

NotifyResult NotifyStore::Open(const std::string& path, Durability durability)
{
    Close();
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    MakeStorePrivate(path); // 0600 whatever the umask or the folder's mode
    damaged_ = false;
    lastError_.clear();
    if (const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr); rc != SQLITE_OK) {
        lastError_ = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        return NotifyError;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // A small page cache keeps the resident service lean; the table is tiny.
    sqlite3_exec(db, "PRAGMA cache_size=-64", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    // WAL with synchronous FULL: a committed alarm survives a power loss.
    sqlite3_exec(db, durability == SyncEachCommit ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL",
                 nullptr, nullptr, nullptr);
    if (const int rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr); rc != SQLITE_OK) {
        damaged_ = IsDamage(sqlite3_extended_errcode(db));
        lastError_ = sqlite3_errmsg(db);
        sqlite3_close(db);
        return NotifyError;
    }
    db_ = db;
    path_ = path;
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    return NotifyOk;
}

sqlite3_stmt* NotifyStore::Prepared(StatementId id)
{
    if (!db_)
        return nullptr;
    if (!stmts_[id]) {
        std::string sql;
        switch (id) {
        case StInsert:
            sql = "INSERT INTO notifications (kind, event, application, arguments,"
                  " start_year, start_month, start_dow, start_day, start_hour, start_minute, start_second, start_ms,"
                  " end_year, end_month, end_dow, end_day, end_hour, end_minute, end_second, end_ms)"
                  " VALUES (?,?,?,?, ?,?,?,?,?,?,?,?, ?,?,?,?,?,?,?,?)";
            break;
        case StRemove:
            sql = "DELETE FROM notifications WHERE handle = ?";
            break;
        case StGet:
            sql = std::string("SELECT ") + kColumns + " FROM notifications WHERE handle = ?";
            break;
        case StTake:
            sql = std::string("DELETE FROM notifications WHERE handle = ? RETURNING ") + kColumns;
            break;
        case StHandles:
            sql = "SELECT handle FROM notifications WHERE handle BETWEEN 1 AND 4294967295 ORDER BY handle";
            break;
        case StAll:
            sql = std::string("SELECT ") + kColumns + " FROM notifications" + kOrder;
            break;
        case StDataVersion:
            sql = "PRAGMA data_version";
            break;
        case StCount:
            return nullptr;
        }
        sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmts_[id], nullptr);
    }
    return stmts_[id];
}

void NotifyStore::Close()
{
    for (sqlite3_stmt*& stmt : stmts_) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
    if (db_) {
        // Closing the last connection removes the -wal and -shm files by name.
        // When the file was moved aside (damaged) those names belong to the new
        // store now: keep them.
        if (!StillAtPath()) {
            int keep = 1;
            sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
        }
        sqlite3_close(db_);
        db_ = nullptr;
    }
    path_.clear();
    device_ = inode_ = 0;
}

NotifyResult NotifyStore::Fail(int rc)
{
    damaged_ = IsDamage(rc) || (db_ && IsDamage(sqlite3_extended_errcode(db_)));
    lastError_ = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    return NotifyError;
}

bool NotifyStore::StillAtPath() const
{
    struct stat st{};
    return db_ && ::stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

NotifyResult NotifyStore::Version(int64_t* dataVersion, int64_t* ownChanges)
{
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StDataVersion));
    if (!s)
        return Fail(sqlite3_errcode(db_));
    const int rc = sqlite3_step(s.get());
    if (rc != SQLITE_ROW)
        return Fail(rc);
    *dataVersion = sqlite3_column_int64(s.get(), 0);
    *ownChanges = sqlite3_total_changes64(db_);
    return NotifyOk;
}

NotifyResult NotifyStore::Check()
{
    if (!db_)
        return NotifyError;
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &s, nullptr);
    std::string verdict;
    if (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(s, 0);
        verdict = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW)
        return Fail(rc);
    if (verdict != "ok") {
        damaged_ = true;
        lastError_ = verdict;
        return NotifyError;
    }
    return NotifyOk;
}

size_t NotifyStore::Salvage(const std::string& path, std::vector<NotifyRecord>* out)
{
    out->clear();
    sqlite3* db = nullptr;
    // Not read-only: a read-only connection cannot use a -wal file without its
    // -shm. Only SELECTs run, so nothing but committed changes reaches the file.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return 0;
    }
    std::unordered_set<uint32_t> seen;
    // Up to the first damaged page from each end: what lies between is lost.
    for (const char* order : {" ORDER BY handle", " ORDER BY handle DESC"}) {
        const std::string sql = std::string("SELECT ") + kColumns + " FROM notifications" + order;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK)
            ReadValidRows(s, out, &seen);
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return out->size();
}

bool NotifyStore::SetAside(const std::string& path, std::string* copy, std::string* error)
{
    const clock::LocalTime t = clock::ToLocal(clock::RealNow());
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, ".damaged-%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    std::string target = path + stamp;
    struct stat st;
    for (int n = 2; ::lstat(target.c_str(), &st) == 0 || ::lstat((target + "-wal").c_str(), &st) == 0; ++n)
        target = path + stamp + "-" + std::to_string(n);
    // The WAL first: one left behind would be replayed into the fresh store.
    const std::string wal = path + "-wal";
    const bool hasWal = ::lstat(wal.c_str(), &st) == 0;
    if (hasWal && ::rename(wal.c_str(), (target + "-wal").c_str()) != 0) {
        *error = std::string("its -wal file cannot be moved: ") + std::strerror(errno);
        return false;
    }
    if (::rename(path.c_str(), target.c_str()) != 0) {
        *error = std::strerror(errno);
        // The store stays where it is, so its WAL goes back beside it.
        if (hasWal)
            ::rename((target + "-wal").c_str(), wal.c_str());
        return false;
    }
    ::unlink((path + "-shm").c_str()); // rebuilt on the next open
    *copy = target;
    return true;
}

NotifyResult NotifyStore::Restore(const NotifyRecord& record)
{
    if (!NotifyTriggerIsValid(record.trigger) || record.handle == 0)
        return NotifyInvalidParameter;
    if (!db_)
        return NotifyError;
    const std::string sql = std::string("INSERT INTO notifications (") + kColumns +
                            ") VALUES (?, ?,?,?,?, ?,?,?,?,?,?,?,?, ?,?,?,?,?,?,?,?)";
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(s, 1, record.handle);
        BindTrigger(s, 2, record.trigger);
        rc = sqlite3_step(s);
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::AddNote(const SetAsideNote& note)
{
    if (!db_)
        return NotifyError;
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, "INSERT INTO set_aside (copy, at) VALUES (?, ?)", -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        const std::string copy = note.copy.substr(0, kMaxNoteBytes);
        const std::string at = note.at.substr(0, kMaxNoteBytes);
        sqlite3_bind_text(s, 1, copy.data(), static_cast<int>(copy.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, at.data(), static_cast<int>(at.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(s);
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::Notes(std::vector<SetAsideNote>* out)
{
    out->clear();
    if (!db_)
        return NotifyError;
    sqlite3_stmt* s = nullptr;
    const std::string sql = "SELECT copy, at FROM set_aside ORDER BY rowid LIMIT " + std::to_string(kMaxNotes);
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            SetAsideNote note;
            if (ColumnText(s, 0, kMaxNoteBytes, &note.copy) && ColumnText(s, 1, kMaxNoteBytes, &note.at))
                out->push_back(std::move(note));
        }
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::ClearNotes(int* cleared)
{
    if (cleared)
        *cleared = 0;
    if (!db_)
        return NotifyError;
    const int rc = sqlite3_exec(db_, "DELETE FROM set_aside", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return Fail(rc);
    if (cleared)
        *cleared = sqlite3_changes(db_);
    return NotifyOk;
}

namespace {

// Binds a text cut to `maxBytes` (SQLite copies it).
void BindCutText(sqlite3_stmt* s, int index, const std::string& text, size_t maxBytes)
{
    sqlite3_bind_text(s, index, text.data(), static_cast<int>(std::min(text.size(), maxBytes)), SQLITE_TRANSIENT);
}

// Reads a missed alarm row (id, application, arguments, due fields, noticed,
// title, reason, told, seen); false when a field has the wrong type or range.
bool ReadMissedRow(sqlite3_stmt* s, MissedAlarm* m)
{
    int64_t f[6], id = 0, noticed = 0, told = 0, seen = 0;
    bool ok = ColumnInt(s, 0, 1, INT64_MAX, &id);
    ok = ok && ColumnText(s, 1, kNotifyMaxApplicationBytes, &m->application);
    ok = ok && ColumnText(s, 2, kNotifyMaxArgumentsBytes, &m->arguments);
    for (int i = 0; ok && i < 6; ++i)
        ok = ColumnInt(s, 3 + i, -100000, 100000, &f[i]);
    ok = ok && ColumnInt(s, 9, INT64_MIN, INT64_MAX, &noticed);
    ok = ok && ColumnText(s, 10, NotifyStore::kMaxMissedTextBytes, &m->title);
    ok = ok && ColumnText(s, 11, NotifyStore::kMaxMissedTextBytes, &m->reason);
    ok = ok && ColumnInt(s, 12, 0, 1, &told) && ColumnInt(s, 13, 0, 1, &seen);
    if (!ok)
        return false;
    m->id = id;
    clock::LocalTime& t = m->due;
    t.year = static_cast<int>(f[0]);
    t.month = static_cast<int>(f[1]);
    t.day = static_cast<int>(f[2]);
    t.hour = static_cast<int>(f[3]);
    t.minute = static_cast<int>(f[4]);
    t.second = static_cast<int>(f[5]);
    t.milliseconds = 0;
    if (!NotifyTimeIsValid(t))
        return false;
    t.dayOfWeek = clock::ToLocal(clock::FromLocal(t)).dayOfWeek;
    m->noticed = noticed;
    m->told = told != 0;
    m->seen = seen != 0;
    return true;
}

} // namespace

NotifyResult NotifyStore::AddMissed(const MissedAlarm& missed, bool* added)
{
    if (added)
        *added = false;
    const clock::LocalTime& t = missed.due;
    if (!NotifyTimeIsValid(t) || missed.application.size() > kNotifyMaxApplicationBytes ||
        missed.arguments.size() > kNotifyMaxArgumentsBytes)
        return NotifyInvalidParameter;
    if (!db_)
        return NotifyError;
    sqlite3_stmt* s = nullptr;
    // The same alarm missed at the same time is one missed alarm, whoever notices it.
    int rc = sqlite3_prepare_v2(db_,
                                "INSERT OR IGNORE INTO missed (application, arguments, due_year, due_month, due_day,"
                                " due_hour, due_minute, due_second, noticed, title, reason)"
                                " VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                                -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        BindCutText(s, 1, missed.application, kNotifyMaxApplicationBytes);
        BindCutText(s, 2, missed.arguments, kNotifyMaxArgumentsBytes);
        const int f[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
        for (int i = 0; i < 6; ++i)
            sqlite3_bind_int(s, 3 + i, f[i]);
        sqlite3_bind_int64(s, 9, missed.noticed);
        BindCutText(s, 10, missed.title, kMaxMissedTextBytes);
        BindCutText(s, 11, missed.reason, kMaxMissedTextBytes);
        rc = sqlite3_step(s);
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE)
        return Fail(rc);
    if (sqlite3_changes(db_) != 1)
        return NotifyOk;
    if (added)
        *added = true;
    const std::string trim = "DELETE FROM missed WHERE id NOT IN (SELECT id FROM missed ORDER BY id DESC LIMIT " +
                             std::to_string(kMaxMissed) + ")";
    rc = sqlite3_exec(db_, trim.c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::Missed(std::vector<MissedAlarm>* out, bool unseenOnly)
{
    out->clear();
    if (!db_)
        return NotifyError;
    const std::string sql = std::string("SELECT id, application, arguments, due_year, due_month, due_day, due_hour,"
                                        " due_minute, due_second, noticed, title, reason, told, seen FROM missed") +
                            (unseenOnly ? " WHERE seen = 0" : "") + " ORDER BY id DESC LIMIT " +
                            std::to_string(kMaxMissed);
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            MissedAlarm m;
            if (ReadMissedRow(s, &m)) // a row damaged from outside is left out
                out->push_back(std::move(m));
        }
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::MarkMissed(MissedMark mark, int64_t id)
{
    if (!db_)
        return NotifyError;
    const char* sql = mark == MissedSeen       ? "UPDATE missed SET seen = 1 WHERE id = ?"
                      : mark == MissedSeenUpTo ? "UPDATE missed SET seen = 1 WHERE id <= ? AND seen = 0"
                                               : "UPDATE missed SET told = 1 WHERE id = ?";
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(s, 1, id);
        rc = sqlite3_step(s);
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::Begin()
{
    if (!db_)
        return NotifyError;
    const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::Commit()
{
    if (!db_)
        return NotifyError;
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        return NotifyOk;
    Fail(rc);
    Rollback();
    return NotifyError;
}

void NotifyStore::Rollback()
{
    if (db_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

NotifyResult NotifyStore::Insert(const NotifyTrigger& trigger, uint32_t* handle)
{
    if (!NotifyTriggerIsValid(trigger))
        return NotifyInvalidParameter;
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StInsert));
    if (!s)
        return Fail(sqlite3_errcode(db_));
    BindTrigger(s.get(), 1, trigger);
    if (const int rc = sqlite3_step(s.get()); rc != SQLITE_DONE)
        return Fail(rc);
    const sqlite3_int64 id = sqlite3_last_insert_rowid(db_);
    if (id < 1 || id > 0xFFFFFFFFll)
        return NotifyError;
    if (handle)
        *handle = static_cast<uint32_t>(id);
    return NotifyOk;
}

NotifyResult NotifyStore::Remove(uint32_t handle)
{
    if (handle == 0)
        return NotifyNotFound;
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StRemove));
    if (!s)
        return Fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(s.get(), 1, handle);
    if (const int rc = sqlite3_step(s.get()); rc != SQLITE_DONE)
        return Fail(rc);
    return sqlite3_changes(db_) == 1 ? NotifyOk : NotifyNotFound;
}

NotifyResult NotifyStore::Get(uint32_t handle, StoredRecord* out)
{
    if (handle == 0)
        return NotifyNotFound;
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StGet));
    if (!s)
        return Fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(s.get(), 1, handle);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE)
        return NotifyNotFound;
    if (rc != SQLITE_ROW)
        return Fail(rc);
    if (out)
        *out = ReadRow(s.get());
    return NotifyOk;
}

NotifyResult NotifyStore::Take(uint32_t handle, StoredRecord* out)
{
    if (handle == 0)
        return NotifyNotFound;
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StTake));
    if (!s)
        return Fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(s.get(), 1, handle);
    int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE)
        return NotifyNotFound;
    if (rc != SQLITE_ROW)
        return Fail(rc);
    const StoredRecord taken = ReadRow(s.get());
    // The removal is committed once the statement has run to its end.
    if ((rc = sqlite3_step(s.get())) != SQLITE_DONE)
        return Fail(rc);
    if (out)
        *out = taken;
    return NotifyOk;
}

NotifyResult NotifyStore::Handles(std::vector<uint32_t>* out)
{
    out->clear();
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StHandles));
    if (!s)
        return Fail(sqlite3_errcode(db_));
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        out->push_back(static_cast<uint32_t>(sqlite3_column_int64(s.get(), 0)));
    return rc == SQLITE_DONE ? NotifyOk : Fail(rc);
}

NotifyResult NotifyStore::All(std::vector<StoredRecord>* out)
{
    out->clear();
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StAll));
    if (!s)
        return Fail(sqlite3_errcode(db_));
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        out->push_back(ReadRow(s.get()));
    return rc == SQLITE_DONE ? NotifyOk : Fail(rc);
}

} // namespace dawnbell::notify
