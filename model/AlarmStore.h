#pragma once
// Alarms, templates and named colours in the registry root: loading everything at
// start, loading one section, deleting a section, and the named-colour table.
// Saving is the alarm's own Save (Alarm.h).
#include "Alarm.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace dawnbell {

// One entry of the named-colour table.
struct NamedColor {
    QString name;   // display name
    uint32_t color; // 0x00BBGGRR
};

// One colour of the first-launch table: its name is text `textId`.
struct DefaultColor {
    int textId;     // string id of the name
    uint32_t color; // 0x00BBGGRR
};

class AlarmStore {
public:
    // Most playlist entries read from one section; a larger `playlistCount` is
    // cut to this, so a damaged count cannot stall or exhaust the program.
    static constexpr int kMaxPlaylistEntries = 10000;
    // Longest colour name read from "settings\colors" (UTF-16 code units).
    static constexpr int kMaxColorNameChars = 255;

    // Loads every stored alarm and template in one consistent read. Alarms are
    // appended in enumeration order, templates sorted by name (UTF-16 code units,
    // stable). Sections that are not alarms are skipped (SectionName.h). A
    // missing root loads nothing.
    static void LoadAll(std::vector<std::unique_ptr<Alarm>>* alarms,
                        std::vector<std::unique_ptr<AlarmTemplate>>* templates);

    // Loads the alarm or template stored under `section` (an AlarmTemplate for
    // "T..."); null when the name is not an alarm or the section does not exist.
    static std::unique_ptr<Alarm> LoadSection(const QString& section);

    // Removes the alarm's section with all its values, then flushes. False when
    // the key is not a storable section name (IsStorableSectionName) or the
    // section could not be removed.
    static bool DeleteSection(const Alarm& alarm);

    // Fills an empty `colors` from "settings\colors": REG_DWORD values only, names
    // up to kMaxColorNameChars, sorted by name in UTF-16 code units. A list that
    // already holds entries is left alone.
    static void LoadNamedColors(QList<NamedColor>* colors);

    // The 29 colours written at first launch, in their order.
    static const std::vector<DefaultColor>& DefaultNamedColors();

    // Writes the first-launch colours into "settings\colors" (names through
    // Text(), so in the current language), then flushes. False on a write failure.
    static bool WriteDefaultNamedColors();

    // Orders names by their UTF-16 code units (the list and template order).
    static bool NameLess(const QString& a, const QString& b);
};

} // namespace dawnbell
