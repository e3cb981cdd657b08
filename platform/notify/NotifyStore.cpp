#include "NotifyStore.h"

#include "DevicePaths.h"

#include <sqlite3.h>

#include <cstring>

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
    " end_hour INTEGER, end_minute INTEGER, end_second INTEGER, end_ms INTEGER)";

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
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
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
    if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return NotifyError;
    }
    db_ = db;
    path_ = path;
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
        case StHandles:
            sql = "SELECT handle FROM notifications WHERE handle BETWEEN 1 AND 4294967295 ORDER BY handle";
            break;
        case StAll:
            sql = std::string("SELECT ") + kColumns + " FROM notifications" + kOrder;
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
        sqlite3_close(db_);
        db_ = nullptr;
    }
    path_.clear();
}

NotifyResult NotifyStore::Begin()
{
    if (!db_)
        return NotifyError;
    return sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK ? NotifyOk
                                                                                       : NotifyError;
}

NotifyResult NotifyStore::Commit()
{
    if (!db_)
        return NotifyError;
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return NotifyOk;
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
        return NotifyError;
    sqlite3_bind_int(s.get(), 1, trigger.kind);
    sqlite3_bind_int(s.get(), 2, trigger.event);
    sqlite3_bind_text(s.get(), 3, trigger.application.data(), static_cast<int>(trigger.application.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(s.get(), 4, trigger.arguments.data(), static_cast<int>(trigger.arguments.size()),
                      SQLITE_STATIC);
    BindTime(s.get(), 5, trigger.start);
    BindTime(s.get(), 13, trigger.end);
    if (sqlite3_step(s.get()) != SQLITE_DONE)
        return NotifyError;
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
        return NotifyError;
    sqlite3_bind_int64(s.get(), 1, handle);
    if (sqlite3_step(s.get()) != SQLITE_DONE)
        return NotifyError;
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
        return NotifyError;
    sqlite3_bind_int64(s.get(), 1, handle);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE)
        return NotifyNotFound;
    if (rc != SQLITE_ROW)
        return NotifyError;
    if (out)
        *out = ReadRow(s.get());
    return NotifyOk;
}

NotifyResult NotifyStore::Handles(std::vector<uint32_t>* out)
{
    out->clear();
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StHandles));
    if (!s)
        return NotifyError;
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        out->push_back(static_cast<uint32_t>(sqlite3_column_int64(s.get(), 0)));
    return rc == SQLITE_DONE ? NotifyOk : NotifyError;
}

NotifyResult NotifyStore::All(std::vector<StoredRecord>* out)
{
    out->clear();
    if (!db_)
        return NotifyError;
    Statement s(Prepared(StAll));
    if (!s)
        return NotifyError;
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        out->push_back(ReadRow(s.get()));
    return rc == SQLITE_DONE ? NotifyOk : NotifyError;
}

} // namespace dawnbell::notify
