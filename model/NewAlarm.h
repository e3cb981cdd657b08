#pragma once
// What a blank new alarm starts with beyond the record's new-alarm values: its
// kind and, for every kind that rings, the built-in ring sound, so a new alarm
// is never silent unless the user removes the sound. Every way of making a
// blank alarm (the main window's menu, the template selection's "<new ...>"
// entries, dawnbell-alarm add without a template) goes through Prepare.
#include <QString>

namespace dawnbell {

class Alarm;

class NewAlarm {
public:
    // File name of the built-in ring sound in the program folder's sounds/.
    static const char kRingSound[];

    // Full path of the built-in ring sound of the program folder `programDir`.
    static QString RingSoundPath(const QString& programDir);

    // Turns `alarm`, fresh from Alarm(), into a blank new alarm of `type`:
    // sets the type and, unless the alarm only starts a command (AlarmCommand),
    // makes the playlist the built-in ring sound alone. When that file is not
    // in `programDir` (a broken installation) the playlist is left empty, so the
    // editors' empty-playlist warning tells the user instead of a dead entry.
    static void Prepare(Alarm* alarm, int type, const QString& programDir);
};

} // namespace dawnbell
