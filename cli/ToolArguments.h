#pragma once
// The command line of dawnbell-alarm: what a user may type, checked and turned
// into one request without touching the store. Arguments are outside input: every
// value is bounded and checked here, and a bad one gives one line that says what
// is wrong (the tool then exits with its usage code).
#include "AlarmField.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <string>

namespace dawnbell::cli {

enum class Command {
    None,           // no command given
    Help,           // "help [COMMAND]" or "--help"
    Version,        // "--version"
    List,           // every alarm in the main window's order (and templates)
    Show,           // one alarm or template in full
    Next,           // the next alarm and its countdown
    Add,            // a new alarm
    Enable,         // activate an alarm
    Disable,        // deactivate an alarm
    Remove,         // delete an alarm
    Test,           // ring an alarm now
    Snooze,         // snooze the alarm ringing now
    Stop,           // end the alarm ringing now
    ExportTemplate, // write a template to a file
    ImportTemplate, // read templates from files
    Doctor,         // whether the alarms will ring, and what to fix
};

// A local calendar date.
struct Date {
    int year = 0;  // 4 digits
    int month = 0; // 1-12
    int day = 0;   // 1-31, valid for the month
};

// A stored value given to "add" through its option (see ToolFields).
struct GivenValue {
    QString text;      // Text, Command: as typed
    QStringList files; // Playlist: the files as typed, in order
    int number = 0;    // Flag: 1 or 0; Number, Switched: in the option's unit, within its range
};

// What "add" was asked for; unset fields are left as the alarm's kind (or its
// template) has them.
struct AddOptions {
    std::optional<int> secondsOfDay;   // --time, 0..86399
    std::optional<int> inSeconds;      // --in, 1..86399
    std::optional<int> days;           // --days, repeat-day mask, bit 0 Monday (1..127)
    std::optional<Date> date;          // --date: an appointment
    std::map<std::string, GivenValue> values; // the stored values given, by their ToolField's row
    bool inactive = false;             // --inactive: stored switched off
    std::optional<QString> templateName; // --from-template

    // The value given for `field`, or null.
    const GivenValue* Value(const ToolField& field) const;
    // The first ToolFields row (in place order) given whose form is `form`, or null.
    const ToolField* FirstGiven(ToolForm form) const;
    // The first ToolFields row given that belongs to `kinds` alone, or null.
    const ToolField* FirstGiven(ToolKinds kinds) const;
};

struct ToolRequest {
    Command command = Command::None;
    Command helpFor = Command::None; // with Command::Help: the command asked about (None: the tool)
    bool json = false;               // --json
    bool templates = false;          // list --templates
    bool keys = false;               // list --keys: keys only, one per line
    QString key;                     // show, enable, disable, remove, test
    QString templateName;            // export-template
    QStringList files;               // export-template (one), import-template (one or more)
    bool overwrite = false;          // import-template: --overwrite (default: --keep)
    AddOptions add;
};

// Day names accepted besides the English ones: for each day (0 = Monday), the
// names the program's language and the user's locale use. Compared without regard
// to letter case; a trailing "." is ignored.
struct DayNames {
    QStringList names[7];
};

class ToolArguments {
public:
    // Longest text value (a title, a message; UTF-16 code units), as the editors allow.
    static constexpr int kMaxTextChars = 1000;
    // Most sound files of one alarm.
    static constexpr int kMaxSounds = 10000;
    // Longest argument taken at all (UTF-16 code units); longer is a usage error.
    static constexpr int kMaxArgumentChars = 4096;

    // Parses the arguments after the program name. False with a one-line `error`
    // when they cannot be understood. `--help` anywhere asks for help on the
    // command it follows (or the tool).
    static bool Parse(const QStringList& args, const DayNames& localNames, ToolRequest* out, QString* error);

    // "HH:MM" or "HH:MM:SS" (hour 0-23, one or two digits) -> seconds of day.
    static bool ParseTime(const QString& text, int* secondsOfDay);
    // Comma-separated day names, "a-b" ranges (wrapping past Sunday), and the
    // words "weekdays", "weekend", "daily" -> repeat-day mask. On failure `bad`
    // receives the item that was not understood.
    static bool ParseDays(const QString& text, const DayNames& localNames, int* mask, QString* bad);
    // "YYYY-MM-DD", a date that exists.
    static bool ParseDate(const QString& text, Date* date);
    // A relative time: numbers with units d, h, m, s ("25m", "1h30m", "90s"),
    // in total more than 0 and under 24 hours.
    static bool ParseDuration(const QString& text, int* seconds);

    // The day a name means (0 = Monday), or -1: English names first ("mo", "mon",
    // "monday"), then `localNames`.
    static int DayOfName(const QString& name, const DayNames& localNames);
    // The two-letter English name of day `d` (0 = Monday): "mo" ... "su".
    static QString EnglishDay(int d);

    // The help text of a command (Command::None: the tool's overview).
    static QString Usage(Command command);
    // The command's name as typed ("export-template"); "" for None.
    static QString Name(Command command);
};

} // namespace dawnbell::cli
