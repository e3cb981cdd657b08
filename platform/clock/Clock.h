#pragma once
// The only source of "now" for Dawnbell, and local calendar conversions.
//
// Moments are 64-bit seconds since the Unix epoch. Calendar work is done in the
// local time zone with the daylight-saving flag left to the system (tm_isdst = -1),
// so "07:30 tomorrow" stays 07:30 across a daylight-saving change.
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace dawnbell::clock {

// A broken-down local time, laid out like the notification service's record.
struct LocalTime {
    int year = 1970;
    int month = 1;      // 1-12
    int dayOfWeek = 4;  // 0 = Sunday ... 6 = Saturday
    int day = 1;        // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

// The current moment in whole seconds. A value fixed with SetNowForTesting wins;
// otherwise DAWNBELL_NOW=YYYY-MM-DDTHH:MM:SS (local time) fixes it for every process
// of a test; otherwise the real clock.
int64_t Now();

// The real clock, ignoring every override (the notification daemon fires on it).
int64_t RealNow();

// Fixes (or with nullopt releases) the moment Now() returns in this process.
void SetNowForTesting(std::optional<int64_t> moment);

// Local broken-down time of a moment.
LocalTime ToLocal(int64_t moment);

// Moment of a local broken-down time (dayOfWeek and milliseconds are ignored;
// out-of-range fields are normalised as mktime does).
int64_t FromLocal(const LocalTime& t);

// The moment of local date year-month-day at h:m:s (out-of-range fields are
// normalised). A clock time that does not exist (skipped when clocks go forward)
// is the moment the same distance after the change: 02:30 becomes 03:30 when
// 02:00 jumps to 03:00. One that happens twice (when clocks go back) is its first
// moment.
int64_t MakeLocal(int year, int month, int day, int hour, int minute, int second);

// The same local clock time `days` calendar days later (may be negative).
int64_t AddDays(int64_t moment, int days);

// Weekday of a moment with 0 = Monday ... 6 = Sunday.
int WeekdayMondayFirst(int64_t moment);

// Parses "YYYY-MM-DDTHH:MM:SS" (a blank instead of T is accepted) as local time.
std::optional<int64_t> ParseLocal(const char* text);

// Calendar work for many questions asked at one moment (a list of thousands of
// alarms ordered by their next ringing). Each date's local midnight is worked
// out once, when first asked for; on a day whose clock runs a plain 24 hours (no
// daylight-saving or zone change) a clock time is then its midnight plus the
// seconds, a few integer steps instead of several conversions. Answers are
// exactly those of MakeLocal and ToLocal; a day with a change takes MakeLocal's
// own way.
class LocalDays {
public:
    explicit LocalDays(int64_t now);
    LocalDays(const LocalDays&) = delete;
    LocalDays& operator=(const LocalDays&) = delete;

    int64_t now() const { return now_; }
    // ToLocal(now()).
    const LocalTime& Today() const { return today_; }
    // MakeLocal(year, month, day, hour, minute, second).
    int64_t MakeLocal(int year, int month, int day, int hour, int minute, int second) const;

private:
    int64_t now_;
    LocalTime today_;
    struct Day {
        int64_t midnight = 0; // MakeLocal(the date, 00:00:00)
        bool plain = false;   // the next midnight is 86400 s later
    };
    mutable std::unordered_map<int64_t, Day> days_; // by year, month and day as asked
};

// The LocalDays of the moment `now`, kept for this thread until it is asked for
// another moment or TZ changes: every question of one listing shares it.
const LocalDays& LocalDaysAt(int64_t now);

} // namespace dawnbell::clock
