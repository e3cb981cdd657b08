#pragma once
// Named events shared between processes (create/open, set, reset, wait with
// time-out 0), kept as small record files in RuntimeDir()/events. Every change is
// made under an exclusive flock on the event's file, so processes never lose a
// Set. An event lives until Remove is called or the runtime directory goes away
// (unlike the classic kernel object, it does not vanish with its last handle).
//
// Each event also counts how often it has been set since it was created, so tests
// can observe signals that nobody waits for.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dawnbell {

enum EventResult : int {
    EventOk = 0,
    EventError = 1,        // the runtime directory or the event file could not be used
    EventNotFound = 2,     // no event of that name exists
    EventInvalidHandle = 6,
    EventInvalidName = 123,
};

// Longest event name accepted, in bytes of UTF-8.
constexpr size_t kEventMaxNameBytes = 200;

// The state kept in an event's file.
struct EventRecord {
    bool manualReset = false; // stays set after a successful wait
    bool signaled = false;    // current state
    uint64_t setCount = 0;    // number of Set calls since creation
};

// Parses an event file's content (at most 256 bytes are considered). False for
// anything but a well-formed record.
bool ParseEventRecord(const char* data, size_t size, EventRecord* out);
// The file content for a record (one text line).
std::string FormatEventRecord(const EventRecord& record);

class NamedEvent {
public:
    NamedEvent() = default;
    ~NamedEvent() = default;
    NamedEvent(NamedEvent&&) noexcept = default;
    NamedEvent& operator=(NamedEvent&&) noexcept = default;
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    // Creates the event, or opens it when it already exists (then manualReset and
    // initialState are ignored and *existed becomes true).
    static EventResult Create(std::string_view name, bool manualReset, bool initialState,
                              NamedEvent* out, bool* existed = nullptr);
    // Opens an existing event; EventNotFound when there is none of that name.
    static EventResult Open(std::string_view name, NamedEvent* out);
    // Deletes the event's file; EventNotFound when there is none.
    static EventResult Remove(std::string_view name);
    // Number of Set calls on the named event since it was created; 0 when there is
    // no such event.
    static uint64_t SetCount(std::string_view name);

    bool IsOpen() const { return !path_.empty(); }
    void Close() { path_.clear(); }
    const std::string& name() const { return name_; }

    // Signals the event and counts the call.
    EventResult Set();
    // Clears the signal.
    EventResult Reset();
    // Wait with time-out 0: true when the event is signalled; a successful wait
    // clears an auto-reset event.
    bool TryWait();
    // Reads the current record without changing it.
    EventResult Query(EventRecord* out) const;

private:
    // Runs `change` on the record under the file lock and writes it back when
    // `change` returns true.
    template <typename Change>
    EventResult Update(Change change) const;

    std::string name_; // event name as given
    std::string path_; // event file; empty when closed
};

// Full path of the file that holds a named event; "" for an invalid name.
std::string NamedEventPath(std::string_view name);

} // namespace dawnbell
