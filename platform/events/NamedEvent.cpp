#include "NamedEvent.h"

#include "DevicePaths.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

constexpr size_t kMaxRecordBytes = 256;
constexpr const char kMagic[] = "dawnbell-event 1";

// An open, flock-ed file descriptor that unlocks and closes on scope exit.
class LockedFile {
public:
    explicit LockedFile(int fd) : fd_(fd)
    {
        if (fd_ >= 0) {
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~LockedFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool IsPlainChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
        || c == '.';
}

// File name for an event: safe characters kept, every other byte as %XX, so
// "PowerManager/ReloadActivityTimeouts" becomes "PowerManager%2FReloadActivityTimeouts".
std::string EscapeName(std::string_view name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (IsPlainChar(c) && !(i == 0 && c == '.')) {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

// Reads the record from an open file; a missing or damaged record reads as a
// reset auto-reset event with no sets.
EventRecord ReadRecord(int fd)
{
    char buf[kMaxRecordBytes];
    ssize_t n;
    do {
        n = pread(fd, buf, sizeof buf, 0);
    } while (n < 0 && errno == EINTR);
    EventRecord record;
    if (n > 0 && !ParseEventRecord(buf, static_cast<size_t>(n), &record))
        record = EventRecord();
    return record;
}

bool WriteRecord(int fd, const EventRecord& record)
{
    const std::string text = FormatEventRecord(record);
    if (pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        return false;
    return ftruncate(fd, static_cast<off_t>(text.size())) == 0;
}

bool ReadFlag(const char*& p, const char* end, const char* key, bool* out)
{
    const size_t len = std::strlen(key);
    if (static_cast<size_t>(end - p) < len + 1 || std::memcmp(p, key, len) != 0)
        return false;
    p += len;
    if (*p != '0' && *p != '1')
        return false;
    *out = *p == '1';
    ++p;
    return true;
}

} // namespace

bool ParseEventRecord(const char* data, size_t size, EventRecord* out)
{
    if (!data || size == 0)
        return false;
    if (size > kMaxRecordBytes)
        size = kMaxRecordBytes;
    const char* p = data;
    const char* end = data + size;
    const size_t magicLen = sizeof kMagic - 1;
    if (size < magicLen || std::memcmp(p, kMagic, magicLen) != 0)
        return false;
    p += magicLen;
    EventRecord record;
    if (!ReadFlag(p, end, " manual=", &record.manualReset) || !ReadFlag(p, end, " signaled=", &record.signaled))
        return false;
    static const char kSets[] = " sets=";
    if (static_cast<size_t>(end - p) < sizeof kSets - 1 || std::memcmp(p, kSets, sizeof kSets - 1) != 0)
        return false;
    p += sizeof kSets - 1;
    uint64_t count = 0;
    int digits = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (++digits > 19) // stays below 2^64
            return false;
        count = count * 10 + static_cast<uint64_t>(*p - '0');
        ++p;
    }
    if (digits == 0 || p >= end || *p != '\n' || p + 1 != end)
        return false;
    record.setCount = count;
    *out = record;
    return true;
}

std::string FormatEventRecord(const EventRecord& record)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s manual=%d signaled=%d sets=%" PRIu64 "\n", kMagic,
                  record.manualReset ? 1 : 0, record.signaled ? 1 : 0, record.setCount);
    return buf;
}

std::string NamedEventPath(std::string_view name)
{
    if (name.empty() || name.size() > kEventMaxNameBytes || name.find('\0') != std::string_view::npos)
        return std::string();
    const std::string dir = RuntimeDir();
    if (dir.empty())
        return std::string();
    return dir + "/events/" + EscapeName(name);
}

EventResult NamedEvent::Create(std::string_view name, bool manualReset, bool initialState, NamedEvent* out,
                               bool* existed)
{
    const std::string path = NamedEventPath(name);
    if (path.empty())
        return EventInvalidName;
    if (!MakeDirs(path.substr(0, path.rfind('/')), 0700))
        return EventError;
    LockedFile file(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.fd() < 0)
        return EventError;
    struct stat st {};
    if (fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode))
        return EventError;
    const bool isNew = st.st_size == 0;
    if (isNew) {
        EventRecord record;
        record.manualReset = manualReset;
        record.signaled = initialState;
        if (!WriteRecord(file.fd(), record))
            return EventError;
    }
    if (existed)
        *existed = !isNew;
    out->name_ = std::string(name);
    out->path_ = path;
    return EventOk;
}

EventResult NamedEvent::Open(std::string_view name, NamedEvent* out)
{
    const std::string path = NamedEventPath(name);
    if (path.empty())
        return EventInvalidName;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? EventNotFound : EventError;
    if (!S_ISREG(st.st_mode))
        return EventError;
    out->name_ = std::string(name);
    out->path_ = path;
    return EventOk;
}

EventResult NamedEvent::Remove(std::string_view name)
{
    const std::string path = NamedEventPath(name);
    if (path.empty())
        return EventInvalidName;
    if (::unlink(path.c_str()) != 0)
        return errno == ENOENT ? EventNotFound : EventError;
    return EventOk;
}

uint64_t NamedEvent::SetCount(std::string_view name)
{
    NamedEvent event;
    EventRecord record;
    if (Open(name, &event) != EventOk || event.Query(&record) != EventOk)
        return 0;
    return record.setCount;
}

template <typename Change>
EventResult NamedEvent::Update(Change change) const
{
    if (path_.empty())
        return EventInvalidHandle;
    LockedFile file(::open(path_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (file.fd() < 0)
        return errno == ENOENT ? EventNotFound : EventError;
    EventRecord record = ReadRecord(file.fd());
    if (change(record) && !WriteRecord(file.fd(), record))
        return EventError;
    return EventOk;
}

EventResult NamedEvent::Set()
{
    return Update([](EventRecord& r) {
        r.signaled = true;
        ++r.setCount;
        return true;
    });
}

EventResult NamedEvent::Reset()
{
    return Update([](EventRecord& r) {
        r.signaled = false;
        return true;
    });
}

bool NamedEvent::TryWait()
{
    bool was = false;
    const EventResult result = Update([&was](EventRecord& r) {
        was = r.signaled;
        if (!was || r.manualReset)
            return false;
        r.signaled = false;
        return true;
    });
    return result == EventOk && was;
}

EventResult NamedEvent::Query(EventRecord* out) const
{
    return Update([out](EventRecord& r) {
        *out = r;
        return false;
    });
}

} // namespace dawnbell
