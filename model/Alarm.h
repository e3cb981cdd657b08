#pragma once
// The alarm record: one scheduled alarm with everything needed to ring it, its
// identity (the key), its next ringing, the two list columns, and its playlist walk.
//
// Time fields are moments in 64-bit seconds of local calendar time (see Clock.h);
// colours are 0x00BBGGRR.
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace dawnbell {

namespace clock { struct LocalTime; }

// Kinds of alarm (the `type` field).
enum AlarmType : int {
    AlarmCompact = 0,     // compact editor; time of day with optional repeat days
    AlarmWizard = 1,      // wizard; time of day with optional repeat days
    AlarmAppointment = 2, // one date and time
    AlarmCommand = 3,     // runs `command` instead of ringing
};

// Number of points of the fade-in curve.
constexpr int kFadePoints = 50;

// The eleven background-image fields, in declaration (and template file) order of
// the record; ScreenClass values index them through the screen-class table.
enum BackImageField : int {
    BackImageWVGA,
    BackImageWQVGA,
    BackImageWVGALandscape,
    BackImageWQVGALandscape,
    BackImageQVGA,
    BackImageQVGAWide,
    BackImageVGA,
    BackImageVGAWide,
    BackImageQVGASquare,
    BackImageVGASquare,
    BackImageSquare,
    BackImageFieldCount
};

// Registry value name of a background-image field, e.g. "backImageQVGAWide".
QString BackImageValueName(int field);

class Alarm {
public:
    // A new alarm: every field at its new-alarm value; alarmTime and the date
    // fields are the current local date and time.
    Alarm();
    virtual ~Alarm();

    // The alarm's identity: its registry section name, the argument the
    // notification service starts the program with, and what copy-data names.
    // type 0/1/3: "%d" of repeatDays + seconds of day * 128; type 2:
    // "A%d%04d%02d%02d" of seconds of day, year, month, day; other types: "".
    virtual QString GetKey() const;
    // Writes the alarm into its registry section (values in their fixed order),
    // then flushes the hive.
    virtual void Save();

    // Copies every field except notificationHandle, pendingTemplateName and the
    // playlist cursor (the stored values through the AlarmField table).
    void CopyFrom(const Alarm& other);

    // The alarm's time of day, hour * 3600 + minute * 60 + second: the one its
    // key holds. It is kept apart from alarmTime, the computed moment, so an
    // alarm at 02:30 keeps its key on a day when 02:30 does not exist (or exists
    // twice). Writing alarmTime directly (an editor's chosen moment) sets a new
    // time of day: the local clock time of that moment.
    int GetSecondsOfDay() const;
    // Sets the time of day (0..86399) and moves alarmTime to it today.
    void SetTimeOfDay(int secondsOfDay);

    // The snooze in whole minutes, as the compact editor and the command-line
    // tool show and take it: 0 when snooze is off, 1 for a length below one
    // minute, else the length in minutes rounded down.
    int SnoozeMinutes() const;
    // Sets the snooze from whole minutes: 0 switches it off and keeps the old
    // length; more switches it on with that length (minutes * 60 seconds).
    void SetSnoozeMinutes(int minutes);

    // Sets activated. Activating an appointment whose moment is not in the future
    // is refused: activated becomes 0 and the result is false, and the caller
    // tells the user (text 78, "The time of the alarm is in the past!"). True
    // otherwise.
    bool SetActivated(bool on);

    // Moves alarmTime to the date of the next ringing of its time of day (the
    // appointment's own date for type 2; today, or tomorrow when already passed).
    void UpdateTime();
    // The next ringing as local broken-down time (day of week and ms are 0).
    clock::LocalTime GetNextOccurrence();
    // Seconds from now to GetNextOccurrence (signed).
    int64_t GetTimeToNext();
    // The moment of the next ringing as seen at `now`: GetNextOccurrence's date
    // and time, without touching alarmTime. Many alarms asked at one moment share
    // the calendar work (NextRingingClockAt), and the answer is kept for that
    // moment and the alarm's time, days, kind and date, so a listing stays cheap.
    int64_t NextRingingAt(int64_t now) const;

    bool HasBackgroundImage() const;
    // Text of a background-image field (BackImageField) / its setter.
    const QString& BackImage(int field) const;
    void SetBackImage(int field, const QString& name);

    // List columns: time without seconds plus " - " title (CR-LF as one blank);
    // repeat days as "[Mo][We]" or an appointment's short date.
    QString GetTimeText();
    QString GetDaysText() const;

    // Playlist access.
    QStringList GetPlaylist() const { return playlist; }
    void SetPlaylist(const QStringList& entries);
    void ShufflePlaylist();
    void ResetPlaylistCursor();
    // The entry at the cursor, then advances (wrapping to the first after the
    // last); "" for an empty playlist.
    QString GetNextPlaylistEntry();

    // --- fields, in declaration order -------------------------------------
    // A new alarm's values and the load defaults of the stored ones are in the
    // AlarmField table (AlarmField.cpp); the constructor applies them.
    int64_t alarmTime = 0;     // time of day (and, after UpdateTime, date of the next ringing)
    int repeatDays = 0;        // bit 0 Monday ... bit 6 Sunday; 0 = rings once (0-127)
    int activated = 0;         // scheduled
    int vibrate = 0;           // vibrate while ringing
    int vibrateInterval = 0;   // one second on, one second off
    int random = 0;            // play the playlist shuffled
    int forceVolume = 0;       // force the device volume to `volume` while ringing
    int volume = 0;            // forced device volume, percent 0-100
    int fadeDuration = 0;      // length of the fade-in, seconds
    QStringList playlist;      // sound file paths, in order
    int snooze = 0;            // length of one snooze, seconds
    int quiz = 0;              // snooze number at which the quiz starts; 0 = never
    int quizLevel = 0;         // starting level of the quiz
    int type = 0;              // AlarmType
    int dateYear = 0;          // appointment date (type 2)
    int dateMonth = 0;         // 1-12
    int dateDay = 0;           // 1-31
    int quizTypes = 0;         // bit 0 Math, bit 1 Memory, bit 2 Repeat
    int useFade = 0;           // fade the volume in
    int useSnooze = 0;         // snooze is offered
    std::array<uint8_t, kFadePoints> fade{}; // player volume in % of target for each fade step
    int closeAfterMinutes = 0; // stop ringing after this many minutes; 0 = never
    int closeAfterTimes = 0;   // stop after the playlist played this many times; 0 = never
    int useBackColor = 0;      // use backColor while ringing
    int useTextColor = 0;      // use textColor while ringing
    int backImageStyle = 0;    // 0 none, 1 stretch, 2 centre, 3 tile
    uint32_t backColor = 0;    // background colour 0x00BBGGRR
    uint32_t textColor = 0;    // text colour 0x00BBGGRR
    QString backImages[BackImageFieldCount]; // bare file names in the program's images/ folder
    int layoutStyle = 0;       // ringing layout / close-button size: 0 small, 1 medium, 2 big
    int showSoundControls = 0; // volume controls while ringing
    int confirmClose = 1;      // ask before ending the alarm
    int noTextBorder = 0;      // texts without their shadow border
    QString title;             // first line when ringing; also in the list
    QString message;           // message shown when ringing
    QString command;           // command alarms: program or document [":: parameters"]
    QString pendingTemplateName; // not stored: name for saving as a template
    int playlistCursor = -1;   // not stored: next entry index, -1 = unset
    uint32_t notificationHandle = 0; // stored as four zero bytes; never used

private:
    mutable int timeOfDay_ = 0; // the time of day, seconds 0..86399
    // The alarmTime that timeOfDay_ belongs to; when alarmTime holds another
    // value, someone set it directly and the time of day is read from it anew.
    mutable int64_t timeOfDayMoment_ = INT64_MIN;
    // NextRingingAt's last answer and what it was asked: a list asks each of its
    // alarms again for every insertion made at the same moment.
    struct NextMemo {
        int64_t now = INT64_MIN;
        int64_t moment = 0;
        int seconds = -1, repeatDays = 0, type = 0, year = 0, month = 0, day = 0;
    };
    mutable NextMemo nextMemo_;
};

class AlarmTemplate : public Alarm {
public:
    AlarmTemplate() = default;
    // "T" + name.
    QString GetKey() const override;
    // The alarm's values, then `time` = repeatDays + seconds of day * 128.
    void Save() override;

    QString name; // the template's name
};

} // namespace dawnbell
