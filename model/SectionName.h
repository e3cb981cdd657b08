#pragma once
// Recognition of the subkeys below the program's registry root, reading an
// alarm's schedule back from its section name, and writing it as a key. The
// loader (and with it the program and the command-line tool), the scheduler and
// the today item use these functions, so what is an alarm is decided in one place.
//
// The rule, applied to each subkey name:
//  - "settings" (any letter case, as the registry compares names) is skipped;
//  - a name starting with "T" is a template; its name is the rest;
//  - otherwise the first character must be a decimal digit or "A"; a name of one
//    character must be a digit (keys "0".."9": an alarm at 00:00:00 with repeat
//    days 0-9, which the program itself writes); a longer name needs a decimal
//    digit as its second character. Anything else is not an alarm.
//  - "A..." is an appointment: "A" + seconds of day + YYYYMMDD, digits only.
//  - any other alarm: its leading decimal number k (parsing stops at the first
//    non-digit, so "12x" is 12) holds seconds of day * 128 + repeat days.
// Names whose time of day is outside 0..86399 or whose date is impossible are not
// alarms: such a section cannot have been written by the program, and loading it
// would give an alarm whose key no longer names its section.
#include <QString>

#include <cstdint>

namespace dawnbell {

enum class SectionKind {
    None,        // not an alarm or template (including "settings")
    Alarm,       // plain alarm: key = repeat days + seconds of day * 128
    Appointment, // "A" + seconds of day + YYYYMMDD
    Template,    // "T" + template name
};

struct SectionInfo {
    SectionKind kind = SectionKind::None;
    int secondsOfDay = 0; // 0..86399 (alarms and appointments)
    int repeatDays = 0;   // bit 0 Monday ... bit 6 Sunday (plain alarms)
    int year = 0;         // appointment date
    int month = 0;        // 1-12
    int day = 0;          // 1-31
    QString templateName; // templates: the name after "T"
};

// Longest subkey name the loader reads (UTF-16 code units).
constexpr int kMaxSectionNameChars = 255;

// Seconds in one day; a time of day is 0..kSecondsPerDay - 1.
constexpr int kSecondsPerDay = 86400;

// Classifies a subkey name and parses its schedule. Returns the kind (also stored
// in out->kind); templates carry only their name, their time comes from `time`.
SectionKind ParseSectionName(const QString& name, SectionInfo* out);

// True when `name` can be written as one section directly below the root: not
// empty, at most kMaxSectionNameChars long, and without "\" (which would make a
// nested key that the loader never sees). Template names from the user or from
// template files are checked with this before saving.
bool IsStorableSectionName(const QString& name);

// The key of an alarm of `type` (0 compact, 1 wizard, 3 command: a plain key;
// 2 appointment) at `secondsOfDay` (0..86399) with `repeatDays` and the date
// year-month-day: the decimal text of repeat days (their seven day bits only) +
// seconds of day * 128, or "A" + seconds of day + the date as YYYYMMDD; the
// empty text for any other type. ParseSectionName reads such a key back; the
// alarm record and the today item name alarms with it.
QString AlarmKey(int type, int secondsOfDay, int repeatDays, int year, int month, int day);

// Splits a key value (repeat days + seconds of day * 128) into its two parts.
// False (outputs untouched) when the seconds are outside 0..86399.
bool SplitKeyValue(int64_t keyValue, int* secondsOfDay, int* repeatDays);

} // namespace dawnbell
