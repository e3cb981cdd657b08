#pragma once
// The working copy of the global settings the options sheet edits, how it is
// read when the sheet opens and how OK writes it back.
//
// Reading: every setting of section "settings" with its default; the today
// item's "Enabled" (HKLM SOFTWARE\Microsoft\Today\Items\Dawnbell) counts as on
// unless it can be read and is not 1; a stored row count outside 1-15 shows
// as 2; fixAlarmBug only on platforms that need the alarm-bug fix.
//
// Writing (Write), in this order: the plain settings; the today values with
// "Enabled" only when the plug-in flag, small buttons or rows changed; the
// power time-outs of the alarm-bug fix on older platforms; the named-colour
// table replaced as a whole. Both hives are flushed.
#include "AlarmStore.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace dawnbell {

struct OptionsSettings {
    // Registry path (HKLM) of the today item and of the power time-outs.
    static constexpr const char* kTodayItemKey = "SOFTWARE\\Microsoft\\Today\\Items\\Dawnbell";
    static constexpr const char* kPowerTimeoutsKey = "System\\CurrentControlSet\\Control\\Power\\Timeouts";
    // Rows of the today item, and what a stored value outside them shows as.
    static constexpr int kMinTodayLines = 1;
    static constexpr int kMaxTodayLines = 15;
    static constexpr int kDefaultTodayLines = 2;
    // Suspend time-out after a wake-up (seconds) with and without the alarm-bug fix.
    static constexpr uint32_t kResumingTimeoutFixed = 90;
    static constexpr uint32_t kResumingTimeoutPlain = 15;

    QString languageFile;        // base name of the language file; "english" = built-in texts
    int doubleClick = 0;         // 0 edit, 1 activate/deactivate, 2 remove
    int autoExit = 1;            // end the program after an alarm
    uint32_t bgColor = 0;        // application background colour, 0x00BBGGRR
    uint32_t textColor = 0;      // application text colour, 0x00BBGGRR
    QList<NamedColor> colors;    // the named colours, sorted by name
    int simulateSystemAlarm = 0; // keep the dummy system alarm
    bool todayEnabled = true;    // the today item's "Enabled" is 1
    int todayLines = kDefaultTodayLines; // rows of the today item, 1-15
    int todayCompact = 0;        // small buttons on the today item
    int fullPath = 0;            // file lists show full paths
    int endSound = 0;            // play a sound after an alarm ends
    int fixAlarmBug = 1;         // power time-outs of the alarm-bug fix (older platforms only)

    // Reads the settings; `colors` becomes a copy of `named`. With
    // `olderPlatform` false, fixAlarmBug keeps its default and is never used.
    static OptionsSettings Load(bool olderPlatform, const QList<NamedColor>& named);

    // Whether the today item's values differ between `a` and `b`.
    static bool TodayChanged(const OptionsSettings& a, const OptionsSettings& b);

    // Writes this copy as OK does (see the file comment); `before` is the copy
    // as it was read. Returns true when the today item's values were written.
    bool Write(const OptionsSettings& before, bool olderPlatform) const;

    // The today item's "Enabled" as stored; false when it cannot be read.
    static bool ReadTodayEnabled(uint32_t* value);

    // True when colours `a` and `b` differ by at most 29 in each of red, green
    // and blue (a text could become unreadable on such a background).
    static bool TooAlike(uint32_t a, uint32_t b);
    // R + G * 256 + B * 65536 with each channel taken modulo 256.
    static uint32_t ColorFromChannels(int r, int g, int b);
    // Adds `entry` to the sorted `list`, replacing an entry of exactly that
    // name; returns the new entry's index.
    static int AddNamedColor(QList<NamedColor>* list, const NamedColor& entry);
};

} // namespace dawnbell
