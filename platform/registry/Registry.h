#pragma once
// The device registry: two hives (current user, local machine) of keys and typed
// values, kept durably in one SQLite file, registry.db, in the device directory.
//
// Keys are case-insensitive and case-preserving; subkeys enumerate by index in
// sorted (case-folded) order; values enumerate in the order they were created.
// Every write is committed at once and visible to other processes; RegFlush makes
// all earlier writes durable against power loss. A killed process never leaves a
// store that fails to open or to pass an integrity check.
//
// Names are UTF-8. Paths use '\' between key names; a leading '\' is ignored.
// Results are integer codes, numbered like the classic registry's error codes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dawnbell {

enum class Hive { CurrentUser, LocalMachine };

// Value types, numbered as stored.
enum class RegType : uint32_t { None = 0, Sz = 1, Binary = 3, Dword = 4 };

enum RegResult : int {
    RegOk = 0,
    RegError = 1,          // the store could not be read or written
    RegNotFound = 2,       // key or value does not exist
    RegInvalidHandle = 6,  // the key handle is not open (or its key was deleted)
    RegInvalidParameter = 87,
    RegNoMoreItems = 259,  // enumeration index past the end
};

// Limits that keep outside input bounded.
constexpr size_t kRegMaxKeyNameChars = 255;     // one key name component
constexpr size_t kRegMaxValueNameChars = 16383;
constexpr size_t kRegMaxValueBytes = 1 << 20;   // one value's data
constexpr size_t kRegMaxPathDepth = 64;

struct RegValue {
    std::string name;
    RegType type = RegType::None;
    std::vector<uint8_t> data;
};

// An open key. Copyable handles are not offered: a key is owned by one RegKey and
// closed when it goes out of scope. A handle whose key is deleted (by this or
// another process) answers RegInvalidHandle / RegNotFound from then on.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() = default;
    // Moving hands the key over; the source is closed afterwards.
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens an existing key below the hive root ("" opens the root itself).
    static RegResult Open(Hive hive, std::string_view path, RegKey* out);
    // Opens the key, creating it and every missing parent.
    static RegResult Create(Hive hive, std::string_view path, RegKey* out);

    bool IsOpen() const { return id_ != 0; }
    void Close()
    {
        id_ = 0;
        path_.clear();
    }
    Hive hive() const { return hive_; }
    // Full path below the hive with the stored spelling, e.g. "Software\Torvane".
    const std::string& path() const { return path_; }

    // Reads a value (type and data may be null). RegNotFound when it does not exist.
    RegResult QueryValue(std::string_view name, RegType* type, std::vector<uint8_t>* data) const;
    // Creates or replaces a value; a replaced value keeps its enumeration position.
    RegResult SetValue(std::string_view name, RegType type, const void* data, size_t size);
    RegResult DeleteValue(std::string_view name);

    // Name of subkey `index` in sorted order; RegNoMoreItems past the end.
    RegResult EnumKey(uint32_t index, std::string* name) const;
    // Value `index` in creation order; RegNoMoreItems past the end.
    RegResult EnumValue(uint32_t index, RegValue* value) const;
    // Every value of the key in creation order, as EnumValue gives them one by
    // one, in one read: `values` is resized to their number and its entries
    // overwritten, so a caller that reads key after key into one vector reuses
    // its storage.
    RegResult ReadAllValues(std::vector<RegValue>* values) const;
    // Number of direct subkeys and values (either pointer may be null).
    RegResult QueryInfo(uint32_t* subkeys, uint32_t* values) const;

    // Typed helpers. A read succeeds only for a value of the right type and size:
    // REG_DWORD of exactly 4 bytes; REG_SZ of an even size (the text ends at the
    // first zero code unit); anything else reads as "cannot be read" (false).
    bool ReadDword(std::string_view name, uint32_t* out) const;
    bool ReadString(std::string_view name, std::u16string* out) const;
    bool ReadBinary(std::string_view name, std::vector<uint8_t>* out) const;
    RegResult WriteDword(std::string_view name, uint32_t value);
    // Stores UTF-16LE with a terminating zero (the stored size counts it).
    RegResult WriteString(std::string_view name, std::u16string_view text);
    RegResult WriteBinary(std::string_view name, const std::vector<uint8_t>& bytes);

private:
    friend class RegistryStore;
    Hive hive_ = Hive::CurrentUser;
    int64_t id_ = 0;
    std::string path_;
};

// Deletes a key with all its subkeys and values. Deleting a hive root is refused.
RegResult RegDeleteTree(Hive hive, std::string_view path);

// Makes every earlier write to the hive durable (both hives share one file, so
// this flushes both). Inside a RegReadScope or RegWriteBatch the flush happens
// when the outermost scope has committed.
RegResult RegFlush(Hive hive);

// How many times this process has seen the store changed by another process (a
// commit of another connection, or the store switched or reopened). It checks
// the store first, so every commit made before the call is counted; this
// process's own writes never count. A reader that keeps a copy of stored values
// remembers the count before it reads them; a different count later means its
// copy may be stale. 0 when the store cannot be opened.
uint64_t RegStoreChangeCount();

// Hive names accepted in full paths: "HKEY_CURRENT_USER", "HKCU",
// "HKEY_LOCAL_MACHINE", "HKLM" (any letter case). Splits "HKCU\A\B" into the hive
// and "A\B"; false for an unknown hive name.
bool RegSplitFullPath(std::string_view full, Hive* hive, std::string* path);
const char* RegHiveName(Hive hive); // "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"

// REG_SZ encoding: UTF-16LE code units plus the terminating zero.
std::vector<uint8_t> RegSzBytes(std::u16string_view text);
// Decodes REG_SZ data; false when the size is odd. Stops at the first zero unit.
bool RegSzText(const std::vector<uint8_t>& data, std::u16string* text);

// UTF-8 <-> UTF-16 for names and texts at the platform boundary. Invalid input
// is replaced with U+FFFD; never throws.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// A read scope: while one is alive on this thread, every registry read sees one
// consistent snapshot of the store and runs from an in-process cache, so loading
// hundreds of sections is fast. Writes inside the scope are not allowed to wait
// for other processes (they are refused with RegError when the store is busy), so
// keep scopes short and use them for bulk reads.
class RegReadScope {
public:
    RegReadScope();
    ~RegReadScope();
    RegReadScope(const RegReadScope&) = delete;
    RegReadScope& operator=(const RegReadScope&) = delete;
};

// A write batch: every write inside it is committed together at the end (one
// transaction), which makes saving many values cheap and atomic: when any write
// inside fails with RegError, or the store cannot be locked for writing (after
// the busy time-out), none of them is applied. Writes inside a batch that could
// not start are refused with RegError. Batches nest; the outermost one commits.
class RegWriteBatch {
public:
    RegWriteBatch();
    ~RegWriteBatch(); // commits, unless Commit or Cancel already ended the batch
    RegWriteBatch(const RegWriteBatch&) = delete;
    RegWriteBatch& operator=(const RegWriteBatch&) = delete;

    // Ends the batch now: RegOk when its writes were committed (or, for a nested
    // batch, are still to be committed by the outer one); RegError when nothing
    // was applied.
    RegResult Commit();
    // Ends the batch and discards every write made inside it (a nested Cancel
    // discards the outer batch too).
    void Cancel();

private:
    bool ended_ = false; // Commit or Cancel has run
};

// What went wrong with the store, for messages that name the cause.
enum class RegFault {
    None,        // no failure (yet)
    Unavailable, // the file cannot be opened or created (missing folder, a directory, no permission, I/O error)
    Damaged,     // not a database, or its pages are corrupt
    ReadOnly,    // the file (or its medium) cannot be written
    Full,        // the disk is full
    Busy,        // another process held the store locked for longer than the wait
};

struct RegStoreStatus {
    RegFault fault = RegFault::None;
    int sqliteCode = 0;  // SQLite's extended result code of the failure (0 for None)
    std::string file;    // the store's file, e.g. "/home/u/.local/share/dawnbell/registry.db"
    std::string detail;  // SQLite's or the system's own words, e.g. "database disk image is malformed"
};

// The cause of the latest failed store operation of this process (fault None when
// nothing failed since the store was opened or RegCheckStore last ran).
RegStoreStatus RegLastFault();

// One line for people: "the registry file F is damaged (detail)", "... is read-only",
// "the disk holding F is full", ... Empty for fault None.
std::string RegFaultText(const RegStoreStatus& status);

// Opens the store (creating it when missing) and checks every page of it: fault
// None when it can be used, ReadOnly when it can be read but not written (a
// read-only store is still a usable one), else the reason it cannot be used.
// Reads the whole file, so call it once at start, not per operation.
RegStoreStatus RegCheckStore();

// Moves a store that cannot be used out of the way, so the next operation starts
// a fresh, empty one: registry.db (file or anything else of that name) becomes
// registry.db.damaged-YYYYMMDD-HHMMSS (local time; "-2", "-3", ... appended when
// taken) and its "-wal" file moves along with the same name plus "-wal", so the
// copy holds every committed write. The process's connection is closed first.
// True with *copy set to the new path; false with *error set when it could not move.
bool RegSetStoreAside(std::string* copy, std::string* error);

// Called after each failed store operation with its cause (not for RegNotFound,
// RegInvalidParameter or a handle that is not open). The store is locked while
// it runs, on the failing thread: it must not use the registry (queue anything
// more). One observer per process; an empty function removes it.
void RegSetFaultObserver(std::function<void(const RegStoreStatus&)> observer);

// Closes the process's connection to the store (the next call reopens it, at the
// then-current device directory). For tests that switch DAWNBELL_HOME.
void RegCloseStore();

// Test hook: the first SQLite step of the store operation `operations` calls from
// now (1 = the next; every call on a key, RegDeleteTree and opening a key count;
// RegDeleteTree counts twice) fails with the SQLite result `code`, as a full disk
// or a damaged page would. 0 disarms it.
void RegFailOperationForTesting(int operations, int code);

} // namespace dawnbell
