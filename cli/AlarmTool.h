#pragma once
// dawnbell-alarm: Dawnbell's alarms from a shell. Every change takes the path the
// windows take: the editors' checks and texts (a time clash, a date in the past),
// the activation rules, the save, the rebuild of the schedule from the store and,
// when the setting asks for it, the system-alarm refresh. A running main window
// is then told to reload (copy-data code 0), so it shows the change at once.
//
// The tool needs no display and no window system; output goes to the streams it
// is given, errors as one line "dawnbell-alarm: ..." each.
#include "ToolArguments.h"

#include <QObject>
#include <QString>
#include <QTextStream>

#include <memory>
#include <vector>

namespace dawnbell {
class Alarm;
class AlarmTemplate;
class LanguageTable;
}

namespace dawnbell::cli {

class AlarmTool {
public:
    // Exit codes.
    enum Exit : int {
        ExitOk = 0,      // done
        ExitRefused = 1, // refused (a clash, a date in the past, ...) or not found
        ExitUsage = 2,   // the command line cannot be understood
        ExitStore = 3,   // the alarm store cannot be read or written
    };

    AlarmTool(QTextStream& out, QTextStream& err);
    ~AlarmTool();

    // Runs the command line (the arguments after the program name).
    int Run(const QStringList& args);

    // The program the schedule starts and the tool talks to: $DAWNBELL_EXECUTABLE, or
    // "dawnbell" in the tool's own folder.
    static QString ProgramPath();

private:
    int List(const ToolRequest& r);
    int Show(const ToolRequest& r);
    int Next(const ToolRequest& r);
    int Add(const ToolRequest& r);
    int SetActive(const ToolRequest& r, bool on);
    int Remove(const ToolRequest& r);
    int Test(const ToolRequest& r);
    // snooze / stop: the alarm ringing in the running Dawnbell (window or none).
    int ToRinging(Command command);
    int ExportTemplate(const ToolRequest& r);
    int ImportTemplate(const ToolRequest& r);
    // Deletes the template named `name` (sounds and pictures stay).
    int RemoveTemplate(const QString& name);

    // Loads every alarm (into list order) and template.
    void Load();
    // Loads, then the alarm with `key`; writes "no alarm ..." and returns null when none.
    Alarm* Find(const QString& key);
    // The loaded template named `name` (letter case ignored when no exact match).
    AlarmTemplate* FindTemplate(const QString& name) const;
    // Tells a running main window to reload (`rebuilt`: this tool has rebuilt
    // the schedule after its change, so the window does not); quiet when none
    // runs. True when a window took the message.
    bool TellWindow(bool rebuilt);
    // After an alarm change (stored and scheduled): tells a running main window
    // once, or, without one, refreshes the system-alarm simulation (when the
    // setting asks for it) from the alarms loaded here, which hold the change.
    void Announce();
    // The error line for a change the store refused; returns ExitStore.
    int NotStored();

    // Writes one error line; returns `code`.
    int Fail(int code, const QString& message);
    // The error line for a refused activation: the message shown by the model if
    // any, else the "time is in the past" text.
    int Refused();

    QTextStream& out_;                                      // normal output
    QTextStream& err_;                                      // error lines
    std::vector<std::unique_ptr<Alarm>> alarms_;            // loaded alarms, owned
    std::vector<Alarm*> order_;                             // the alarms in list order
    std::vector<std::unique_ptr<AlarmTemplate>> templates_; // loaded templates, by name
    QStringList shownMessages_;                             // message boxes raised during this run
    std::unique_ptr<LanguageTable> language_;               // the program's texts, while running
    QMetaObject::Connection missedTold_;                    // to AlarmChanges::missedRecorded
};

} // namespace dawnbell::cli
