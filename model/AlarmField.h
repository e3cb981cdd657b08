#pragma once
// The alarm record's stored values in one table. Each row names one value of an
// alarm section: its registry name, the member it holds, the value a new alarm
// starts with, the value loading assumes when it is missing or unreadable, and the
// range the program itself writes. Save, load, CopyFrom and the tests walk this
// table, so a value added to the record is added here and nowhere else.
//
// Rows are in the order Save writes them: the playlist ("playlist%d" entries, then
// "playlistCount"), "fade", the texts, the eleven background images, the numbers,
// "notificationHandle". The time of day, the repeat days and an appointment's date
// are not values: they are the section's name (the alarm's key).
#include "Alarm.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace dawnbell {

// How a row is kept in a section.
enum class FieldKind {
    Playlist, // "playlist%d" texts for each entry, then REG_DWORD "playlistCount"
    Fade,     // REG_BINARY of exactly kFadePoints bytes; any other length is ignored
    Text,     // REG_SZ of a text member or one background image
    Integer,  // REG_DWORD of an int member
    Colour,   // REG_DWORD of a 0x00BBGGRR member
    Handle,   // REG_BINARY of four zero bytes; written, never read, never copied
};

struct AlarmField {
    const char* name;          // registry value name
    FieldKind kind;
    int Alarm::*integer;       // Integer: the member
    uint32_t Alarm::*colour;   // Colour: the member
    QString Alarm::*text;      // Text: the member, null for a background image
    int image;                 // Text: the BackImageField, or -1
    int64_t newValue;          // Integer, Colour: what a newly constructed alarm holds
    int64_t loadDefault;       // Integer, Colour: what loading assumes when the value is missing
    int64_t min, max;          // Integer, Colour: the range the program writes (loading keeps any value)

    // Integer and Colour rows: the member's value as a number / sets it.
    int64_t Number(const Alarm& a) const;
    void SetNumber(Alarm* a, int64_t v) const;
    // Text rows: the member.
    const QString& TextOf(const Alarm& a) const;
    QString& TextOf(Alarm* a) const;
};

// Every stored value of an alarm section, in save order.
const std::vector<AlarmField>& AlarmFields();

// The row of a value name (exact spelling), or null.
const AlarmField* FindAlarmField(const char* name);

// The fade curve of a new alarm (and of a loaded one without a valid `fade`):
// point i is 2 * i, so 0, 2, ... 98.
std::array<uint8_t, kFadePoints> NewFadeCurve();

} // namespace dawnbell
