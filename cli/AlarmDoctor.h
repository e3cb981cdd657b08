#pragma once
// dawnbell-alarm doctor: tells a user whether their alarms will ring, and what
// to do where they will not. Each check looks at the system as it is now (the
// running notification service, how it starts at login, the display and the
// sound output an alarm would use, the clock the service armed, the schedule
// against the stored alarms, missed alarms) and gives one line per finding:
//   ok: ...                    nothing to do
//   warning: ... — fix: ...    alarms ring, but less well than they could
//   problem: ... — fix: ...    an alarm may not ring, or did not
// It repairs nothing, starts nothing and changes no alarm (an alarm store or
// schedule that does not exist yet is opened empty, as any reader opens it).
#include <QString>
#include <QTextStream>

#include <sys/types.h>

#include <vector>

namespace dawnbell::cli {

class AlarmDoctor {
public:
    // Longest wait for one outside program (service manager, sound server), ms.
    static constexpr int kAskTimeoutMs = 2000;

    enum class Verdict { Ok, Warning, Problem };

    // One line of the report.
    struct Finding {
        QString check;   // the check's name ("service", "login", ...)
        Verdict verdict; // how it stands
        QString text;    // what was found, one line
        QString fix;     // what to do (empty for Ok)
    };

    // `programPath` is the Dawnbell program the schedule starts (its fixes name it).
    explicit AlarmDoctor(QString programPath);

    // Runs every check in table order and returns the findings.
    std::vector<Finding> Examine();

    // Runs every check and writes one line per finding to `out` ("ok: ...",
    // "warning: ... — fix: ...", "problem: ... — fix: ..."), or with `json` one
    // object {"healthy": BOOL, "problems": N, "checks": [{"check", "status",
    // "text", "fix"}, ...]}. Returns 0 when no finding is a problem, else 1.
    int Report(QTextStream& out, bool json);

private:
    // One row of the table: a check, its name, and the fix it suggests when its
    // finding names none of its own.
    struct Check {
        const char* name;
        void (AlarmDoctor::*run)();
        const char* fix;
    };
    static const Check kChecks[];

    // The checks, in the order they are run and reported.
    void CheckStore();    // the alarm store can be read
    void CheckService();  // the notification service runs, and who started it
    void CheckLogin();    // something starts the service at login
    void CheckDisplay();  // the display an alarm would open on now
    void CheckSound();    // a sound output answers
    void CheckWake();     // a suspended device is woken (capability, armed clock)
    void CheckSchedule(); // each active alarm has its start in the schedule
    void CheckMissed();   // missed alarms the user has not seen

    // Adds a finding of the running check; an empty `fix` takes the row's.
    void Add(Verdict verdict, const QString& text, const QString& fix = QString());
    // How to give the service a new start: "restart the service: ...", or
    // "start the service: ..." when none runs.
    QString RestartHint() const;
    // The command that rebuilds the schedule from the stored alarms.
    QString RebuildCommand() const;

    QString programPath_;               // the program the schedule starts
    pid_t daemonPid_ = 0;               // the running service (-1 unknown id, 0 none)
    QString daemonUnit_;                // its systemd unit, empty when not started by one
    bool storeReadable_ = false;        // the alarm store could be read
    const Check* current_ = nullptr;    // the check now running
    std::vector<Finding> findings_;     // in order
};

} // namespace dawnbell::cli
