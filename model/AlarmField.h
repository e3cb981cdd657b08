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
#include <optional>
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

// --- The stored values as the shell tool (dawnbell-alarm) shows and takes them ---
//
// A row below gives one stored value its option of "add", its name in the JSON
// objects, its line in "show" and, for some, a column of "list". The tool walks
// these rows for all of that (and its help, its checks, its bash completion read
// the help), so a value added here is shown and taken by the tool without a line
// of the tool changed. The tool's own options and columns (the key, the kind,
// on/off, the time, the days or date, the next ringing) are not stored values and
// stay the tool's.

// How the tool shows and takes a value.
enum class ToolForm {
    Text,     // --OPTION TEXT (at most the tool's text length); shown on one line
    Command,  // --OPTION "PROGRAM ARGS": what a command alarm starts; shown as stored
    Playlist, // --OPTION FILE, once per entry, in order; JSON: the full paths
    Flag,     // --OPTION / --no-OPTION; JSON true or false; shown "yes" or "no"
    Number,   // --OPTION N within min..max, stored as N * unit; JSON the stored number
    Switched, // a Number that counts only while the Integer row `switchRow` is 1
};

// Which alarms a value belongs to in the tool.
enum class ToolKinds {
    All,     // every alarm
    Ringing, // alarms that ring (a command alarm starts its command instead)
    Command, // command alarms only
};

struct ToolField {
    const char* row;        // the stored value's registry name (an AlarmFields row)
    ToolForm form;
    ToolKinds kinds;
    int place;              // order among the tool's options and "show" lines, ascending
    const char* option;     // option name without "--"
    const char* json;       // name in the ALARM and TEMPLATE objects
    const char* label;      // label of its "show" line
    const char* listColumn; // header of its column in "list" (last columns), or null
    const char* metavar;    // the value's name in the help ("TEXT", "FILE"); null for a Flag
    const char* help;       // help text of the option; "\n" starts a continuation line
    const char* hint;       // Number, Switched: what a bad value is told, in brackets
    int min, max;           // Number, Switched: the option's range, in its own unit
    int unit;               // Number, Switched: stored units per option unit (60: minutes taken, seconds kept)
    const char* switchRow;  // Switched: the Integer row that is 1 while the value counts
    bool zeroSwitchesOff;   // Switched: 0 switches off and keeps the stored number; else any value switches on
    const char* offOption;  // Switched: an option (without "--") that switches it off, or null
    const char* offHelp;    // help text of offOption
    const char* shown;      // Number, Switched: the "show" text, %1 the stored number
    const char* offText;    // "show" text while switched off (Switched) or of 0 (Number), or null
    bool nullWhenOff;       // Switched: JSON null while off (else 0)

    // The stored row, and for Switched its switch row (null otherwise).
    const AlarmField& Field() const;
    const AlarmField* Switch() const;
    // Whether the value belongs to an alarm of `type` (AlarmType).
    bool AppliesTo(int type) const;
    // The number the tool shows: the stored one, or for a Switched value that is
    // off, nothing.
    std::optional<int64_t> Shown(const Alarm& a) const;
    // Sets the value from an option's number (Flag: 0 or 1; Number, Switched: in
    // the option's unit), as the editors set it.
    void SetFromOption(Alarm* a, int number) const;
};

// The values the tool shows and takes, in `place` order. Every row names an
// existing AlarmFields row (and switch row).
const std::vector<ToolField>& ToolFields();

// The fade curve of a new alarm (and of a loaded one without a valid `fade`):
// point i is 2 * i, so 0, 2, ... 98.
std::array<uint8_t, kFadePoints> NewFadeCurve();

} // namespace dawnbell
