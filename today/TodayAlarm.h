#pragma once
// The today item's view of the program's alarms: one TodayAlarm per alarm section
// of HKEY_CURRENT_USER\Software\Torvane\Dawnbell, read straight from the registry
// (the item never loads the program), ordered by how soon each rings.
#include "Clock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dawnbell::today {

// The program's registry root below HKEY_CURRENT_USER and its settings section.
constexpr const char kProgramKey[] = "Software\\Torvane\\Dawnbell";
constexpr const char kSettingsKey[] = "Software\\Torvane\\Dawnbell\\settings";

// Alarm kinds the item tells apart (the alarm's `type` value).
constexpr uint32_t kTypeAppointment = 2;

struct TodayAlarm {
    clock::LocalTime time;   // the alarm's time of day on its date below
    uint8_t days = 0;        // repeat days, bit 0 = Monday ... bit 6 = Sunday; 0 for appointment keys
    uint32_t activated = 0;  // value `activated` (default 0)
    uint32_t type = 0;       // value `type` (default 0)
    std::u16string title;    // value `title`; empty when missing
    uint16_t year = 0;       // the alarm's date as the program's record holds it: an
    uint8_t month = 0;       // appointment key's own date, for any other key the
    uint8_t day = 0;         // local date it was read on
    std::string section;     // the registry section it was read from

    // As the program tells an appointment: by its `type`.
    bool IsAppointment() const { return type == kTypeAppointment; }
    int SecondsOfDay() const { return time.hour * 3600 + time.minute * 60 + time.second; }
    // The moment `time` stands for.
    int64_t Moment() const;
    // The key the program names the same record by (AlarmKey of its type, time
    // of day, days and date), for "edit KEY" and the copy-data messages: the
    // section name itself for every section the program writes.
    std::string Key() const;
    // Same content (activated, type, date and time, days, title).
    bool operator==(const TodayAlarm& other) const;
    bool operator!=(const TodayAlarm& other) const { return !(*this == other); }
};

// The next moment the alarm rings, as of `now`, by the program's own rule
// (NextRingingMoment): an appointment on its own date; a repeating alarm today
// when today's day is set and its time is still ahead, else on the first
// following set day; any other alarm today, or tomorrow when its time has passed.
int64_t NextOccurrence(const TodayAlarm& alarm, int64_t now);

// Reads every alarm section (the sections the program's loader takes as alarms,
// ParseSectionName) with its `type`, `activated` and `title`, sorted by the
// seconds to its next occurrence (ties keep section order). False, leaving
// `out` alone, when the program's key does not open.
bool ReadAlarms(int64_t now, std::vector<TodayAlarm>* out);

// Sorts by the seconds from `now` to the next occurrence, ascending (each
// computed once; ties keep their order).
void SortBySoonest(std::vector<TodayAlarm>* alarms, int64_t now);

// The alarms of `read` (as ReadAlarms gave them, at any earlier moment) as a
// read at `now` would give them without the store changed: each dated anew
// from its section name (today's date; an appointment keeps its own) with its
// stored values, sorted by the seconds to its next occurrence.
std::vector<TodayAlarm> AlarmsAsOf(const std::vector<TodayAlarm>& read, int64_t now);

} // namespace dawnbell::today
