#pragma once
// The first-launch defaults: the named colours, the main-window colours and the
// five built-in templates, written in the current language (dawnbell::Text).
#include <QString>

namespace dawnbell {

class AlarmTemplate;

class FirstLaunch {
public:
    // Number of built-in templates.
    static constexpr int kTemplateCount = 5;

    // Fills `t` with built-in template `index` (0-4: Morning Mist, High Noon,
    // Medication, Meeting, Pizza Timer), setting every field the templates define
    // and leaving the others as they are. Playlist entries are full paths in
    // `programDir`/sounds; pictures are bare names (prefix + suffix + ".jpg").
    static void FillTemplate(int index, const QString& programDir, AlarmTemplate* t);

    // Writes the named colours, bgColor and textColor, then the five templates
    // (one object, its fields set anew for each), then flushes.
    static void WriteDefaults(const QString& programDir);

    // Picture prefix of built-in template `index` ("morning", ..., "pizza").
    static const char* ImagePrefix(int index);
};

} // namespace dawnbell
