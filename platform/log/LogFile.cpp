#include "LogFile.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell::log {

namespace {

constexpr mode_t kMode = 0600;

// Opens the log for appending (and reading when `readable`), creating it 0600;
// -1 when impossible or when the path is not a regular file (a FIFO or device
// must never hold up the caller).
int OpenLog(const std::string& path, bool readable = false)
{
    const int fd = ::open(path.c_str(),
                          (readable ? O_RDWR : O_WRONLY) | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK |
                              O_NOCTTY,
                          kMode);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    // The umask may have taken bits away, and an older file may be readable by others.
    if ((st.st_mode & 07777) != kMode && st.st_uid == ::geteuid())
        ::fchmod(fd, kMode);
    return fd;
}

bool WriteAll(int fd, const char* p, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// `text` as the body of one log entry: control bytes replaced, line breaks turned
// into indented continuation lines, cut at `maxBytes` on a UTF-8 boundary.
std::string Body(const std::string& text, size_t maxBytes)
{
    std::string out;
    out.reserve(text.size() < maxBytes ? text.size() : maxBytes);
    for (size_t i = 0; i < text.size() && out.size() < maxBytes; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (i + 1 < text.size())
                out += "\n    ";
        } else if (c < 0x20 && c != '\t') {
            out += '?';
        } else if (c == 0x7f) {
            out += '?';
        } else {
            out += static_cast<char>(c);
        }
    }
    if (out.size() > maxBytes) {
        out.resize(maxBytes);
        // Do not leave half a UTF-8 sequence at the end.
        while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80)
            out.pop_back();
        if (!out.empty() && (static_cast<unsigned char>(out.back()) & 0x80))
            out.pop_back();
    }
    return out;
}

} // namespace

LogFile::LogFile(std::string path, size_t maxBytes) : path_(std::move(path)), maxBytes_(maxBytes) {}

void LogFile::SetPath(std::string path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = std::move(path);
}

std::string LogFile::path() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

std::string LogFile::Timestamp()
{
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    const time_t seconds = ts.tv_sec;
    // An unknown moment keeps the line's shape; every second "?" is escaped so
    // that no "??" pair can be read as a trigraph.
    if (!::localtime_r(&seconds, &tm))
        return "?\?\?\?-?\?-?\? ?\?:?\?:?\?.?\?\?";
    char date[32];
    char zone[16];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &tm);
    std::strftime(zone, sizeof zone, "%z", &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s.%03ld %s", date, ts.tv_nsec / 1000000, zone);
    return buf;
}

int LogFile::RotateIfFull(int fd, size_t incoming, bool readable)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size <= 0 || static_cast<size_t>(st.st_size) + incoming <= maxBytes_)
        return fd;
    // Another process rotating at this moment holds the lock: append to the file
    // as it is; the next line rotates.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fd;
    struct stat now;
    const bool same = ::stat(path_.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev;
    if (same && ::rename(path_.c_str(), (path_ + ".1").c_str()) != 0)
        return fd; // cannot rotate (read-only folder?): keep appending
    ::close(fd); // releases the lock
    return OpenLog(path_, readable);
}

bool LogFile::Append(const std::string& text) noexcept
{
    try {
        std::string line = Timestamp();
        line += ' ';
        line += Body(text, kMaxLineBytes);
        line += '\n';
        std::lock_guard<std::mutex> lock(mutex_);
        if (path_.empty())
            return false;
        int fd = OpenLog(path_);
        if (fd < 0)
            return false;
        fd = RotateIfFull(fd, line.size());
        if (fd < 0)
            return false;
        const bool ok = WriteAll(fd, line.data(), line.size());
        ::close(fd);
        return ok;
    } catch (...) {
        return false; // out of memory, or a mutex error: drop the line
    }
}

int LogFile::OpenForAppend() noexcept
{
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        if (path_.empty())
            return -1;
        int fd = OpenLog(path_, true);
        if (fd >= 0)
            fd = RotateIfFull(fd, 0, true);
        if (fd >= 0)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    } catch (...) {
        return -1;
    }
}

bool LogFile::Printf(const char* format, ...) noexcept
{
    try {
        char small[512];
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(small, sizeof small, format, args);
        va_end(args);
        if (n < 0)
            return false;
        if (static_cast<size_t>(n) < sizeof small)
            return Append(std::string(small, static_cast<size_t>(n)));
        std::string big(static_cast<size_t>(n) + 1, '\0');
        va_start(args, format);
        std::vsnprintf(&big[0], big.size(), format, args);
        va_end(args);
        big.resize(static_cast<size_t>(n));
        return Append(big);
    } catch (...) {
        return false;
    }
}

} // namespace dawnbell::log
