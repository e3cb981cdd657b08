#pragma once
// A small append-only log file for messages a user needs after a silent or odd
// alarm (what the service started, playback failures, restores, damaged stores).
//
// Each Append writes one line "YYYY-MM-DD HH:MM:SS.mmm +zzzz text" in the real
// local time. The file is created with mode 0600 whatever the umask, and an
// existing one is set to 0600. When a line would take the file past its limit
// (1 MiB by default), the file is first renamed to "<path>.1" (replacing the older
// copy), so at most two files of about the limit each exist.
//
// Logging must never cost an alarm: nothing here throws, nothing waits for
// another process (rotation is skipped while another process rotates), and a
// failure only makes Append return false. The file is opened for each line, so
// several processes may share one log and a removed file is simply recreated.
// Plain C++ and POSIX, so the notification service can use it.
#include <cstddef>
#include <mutex>
#include <string>

namespace dawnbell::log {

class LogFile {
public:
    static constexpr size_t kDefaultMaxBytes = 1024 * 1024; // rotation limit
    static constexpr size_t kMaxLineBytes = 8192;            // longer texts are cut

    // A log at `path` (absolute; an empty path makes every Append fail).
    explicit LogFile(std::string path = std::string(), size_t maxBytes = kDefaultMaxBytes);
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Changes the file (for a process whose device directory is known later).
    void SetPath(std::string path);
    std::string path() const;

    // Appends one line with a time stamp. Line breaks inside `text` start
    // indented continuation lines; other control bytes become '?'. True when the
    // whole line was written.
    bool Append(const std::string& text) noexcept;
    // printf-style Append.
    bool Printf(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

    // A descriptor for another process's standard error to write to the log
    // directly (its lines carry no time stamp): opened for appending
    // (O_APPEND, blocking, close-on-exec) and for reading (so the caller can
    // read back what was written through it), created with mode 0600 like the
    // log, and the file rotated first when it is already past its limit; a
    // rotation while it is open leaves it writing to "<path>.1". The caller owns
    // it. -1 when the log cannot be opened.
    int OpenForAppend() noexcept;

    // The time stamp Append puts before each line, for the current moment.
    static std::string Timestamp();

private:
    // Renames the file to "<path>.1" when `incoming` more bytes would pass the
    // limit; `fd` is the open log. Returns the descriptor to write to (a new one
    // after rotation, also open for reading when `readable`), or -1 when the
    // log cannot be reopened.
    int RotateIfFull(int fd, size_t incoming, bool readable = false);

    mutable std::mutex mutex_; // serialises this object's writers (threads of one process)
    std::string path_;         // the log; empty = disabled
    size_t maxBytes_;          // rotation limit in bytes
};

} // namespace dawnbell::log
