#pragma once
// The first-launch defaults: the named colours, the main-window colours and the
// five built-in templates, written in the current language (dawnbell::Text),
// and the setting `firstLaunch` that tells whether a store has been set up.
//
// Whichever of Dawnbell's programs first opens a store that has not been set up
// (the program, dawnbell-alarm, the today item, the install hooks) writes them,
// through WriteDefaultsOnce: the marker is read and cleared and the defaults
// written in one write batch, which holds the store's write lock, so of several
// programs starting at once exactly one writes them and the others find them
// whole.
#include <QString>

#include <cstdint>
#include <functional>

namespace dawnbell {

class AlarmTemplate;

class FirstLaunch {
public:
    // Number of built-in templates.
    static constexpr int kTemplateCount = 5;
    // Main-window colours written at first launch (0x00BBGGRR).
    static constexpr uint32_t kDefaultBgColor = 15132390;
    static constexpr uint32_t kDefaultTextColor = 5263440;

    // Fills `t` with built-in template `index` (0-4: Morning Mist, High Noon,
    // Medication, Meeting, Pizza Timer), setting every field the templates define
    // and leaving the others as they are. Playlist entries are full paths in
    // `programDir`/sounds; pictures are bare names (prefix + suffix + ".jpg").
    static void FillTemplate(int index, const QString& programDir, AlarmTemplate* t);

    // Picture prefix of built-in template `index` ("morning", ..., "pizza").
    static const char* ImagePrefix(int index);
    // Picture suffix of background-image field `field` (BackImageField): the
    // name of its screen class, e.g. "QVGALandscape" for BackImageQVGAWide;
    // "" outside the eleven fields.
    static const char* ImageSuffix(int field);

    // True while the store has not been set up: `firstLaunch` (default 1) is 1.
    // A hint only; WriteDefaultsOnce decides under the lock.
    static bool Pending();

    enum class Outcome {
        Written,     // this call wrote the defaults and cleared the marker
        AlreadyDone, // the store had been set up (by this or another program)
        Failed,      // the store refused the writes (read-only, full, busy): nothing was written
    };
    // When the store has not been set up: runs `prepare`, writes `firstLaunch` 0,
    // the named colours, bgColor and textColor and the five templates (one
    // object, its fields set anew for each), all in one write batch that also
    // read the marker, then flushes. `prepare` runs inside the batch only when the
    // defaults are written: it makes the current language (Text) the one the
    // names are to be written in, and may write settings that belong with them
    // (`languageFile`).
    static Outcome WriteDefaultsOnce(const QString& programDir, const std::function<void()>& prepare = {});
};

} // namespace dawnbell
