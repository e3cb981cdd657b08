#pragma once
// The today item's settings and texts, read from the program's settings section
// (HKEY_CURRENT_USER\Software\Torvane\Dawnbell\settings); the program copies the
// item's texts there from its language file, since the item cannot read those.
#include <QString>

#include <string>

namespace dawnbell::today {

// The item's texts, by the number in their value name todayString<N>.
enum TodayTextId {
    TextReallyDeactivate = 0,
    TextDeactivateCaption = 1,
    TextRowsLabel = 3,
    TextSmallButtons = 4,
    TextYes = 5, // the question's buttons
    TextNo = 6,
    // What a screen reader says for the item's parts.
    TextOn = 7,
    TextOff = 8,
    TextNextRingIn = 9, // "next ring in %s"
    TextOneHour = 10,
    TextHours = 11,
    TextOneMinute = 12,
    TextMinutes = 13,
    TextUnderAMinute = 14,
    TextEdit = 15,
    TextScrollUp = 16,
    TextScrollDown = 17,
    TextOpenProgram = 18,
    TodayTextCount = 19
};

// The number of the program's text that todayString<id> holds (the program
// writes them with each language it loads); 0 for an id without one.
int TodayTextNumber(int id);

// Rows and button size: `todayLines` clamped to 1-15 (missing: 2) and large
// buttons unless `todayCompact` is non-zero. A missing settings key gives 2 rows,
// large buttons.
struct TodayLayoutSettings {
    int rows = 2;
    bool large = true;
};
TodayLayoutSettings ReadLayoutSettings();

// `value` clamped to the 1-15 rows the item can show.
int ClampRows(int64_t value);

// The text todayString<id>, or the program's built-in English text of that
// number when the value is missing, not a text, or longer than 1000 bytes.
QString TodayText(TodayTextId id);

// The program's path: the value "InstallDir" of HKEY_LOCAL_MACHINE
// \SOFTWARE\Torvane\Dawnbell followed by "/dawnbell"; just "/dawnbell" when
// the value is missing or unreadable.
std::string ReadProgramPath();

} // namespace dawnbell::today
