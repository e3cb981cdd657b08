#pragma once
// The program's command line: one text, as the notification service, the today
// plug-in, the shortcuts and dawnbell-alarm start it ("", an alarm key, "edit KEY",
// "test KEY", "reinit", "autoclose", "reset"), and what it asks the first instance
// to do.
#include <QString>
#include <QStringList>

namespace dawnbell {

class CommandLine {
public:
    enum Verb {
        Start,     // empty: rebuild the schedule, then the main window
        Reinit,    // "reinit": rebuild the schedule and end
        AutoClose, // "autoclose": toggle disableAutoStop and end
        Reset,     // "reset": first-launch defaults again, then the main window
        Edit,      // "edit " + key: the main window opens that alarm's editor
        Test,      // "test " + key: the main window tests that alarm (as its Test button)
        Ring,      // anything else: an alarm key to ring
    };

    // Longest command line taken from the arguments (UTF-16 code units); longer
    // text is cut. Keys are at most 255 characters.
    static constexpr int kMaxChars = 4096;

    // The command line from the program's arguments (without the program name):
    // the arguments joined by single blanks, so `dawnbell edit 3456031` and the
    // one argument "edit 3456031" mean the same.
    static QString FromArguments(const QStringList& arguments);

    // A command line classified once, at process entry, and handed on from there
    // (start-up, the forwarding to a running window, the main window, a late or
    // window-less start), so that no later step reads the text again.
    struct Parsed {
        Verb verb = Start;
        QString key;  // Edit, Test: the text after the verb word and its blank;
                      // Ring: the whole line; empty for every other verb
        QString text; // the command line exactly as given (a running window gets
                      // "autoclose" and "reset" as keys, which match no alarm)
    };

    // Classifies `line` for a first instance; the words are compared exactly
    // (letter case matters, "reinit x" is a key).
    static Parsed Classify(const QString& line);

    // What the arguments ask for before any verb or key: an argument that
    // begins with "-" is an option (alarm keys and verbs never do).
    enum Option {
        NoOption,      // no option: the command line is a verb or a key
        HelpOption,    // "--help": the usage on standard output, exit status 0
        VersionOption, // "--version": the program's version on standard output, exit status 0
        BadOption,     // any other "-..." argument: the usage on standard error, exit status 2
    };
    // The first option among `arguments` decides; `bad`, when given, receives
    // the argument of a BadOption.
    static Option FindOption(const QStringList& arguments, QString* bad = nullptr);
    // The short usage text: the commands and the environment variables.
    static QString Usage();
};

} // namespace dawnbell
