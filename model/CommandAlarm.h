#pragma once
// Running the command of a command alarm: "target" or "target::parameters".
//
// The target is a program or a document. A program is started as a detached
// process with the parameters as its arguments; the parameter text is split the
// way a shell splits words (blanks separate, double quotes group, a tripled
// double quote is a literal quote: QProcess::splitCommand), but no shell ever
// sees it, so nothing in it is expanded or executed. Anything else is opened
// with the desktop's handler (xdg-open) without parameters.
#include <QString>
#include <QStringList>

namespace dawnbell {

// What running a command amounts to.
struct CommandLaunch {
    bool valid = false;    // false: nothing to run (empty command or target)
    QString target;        // text before "::" (or the whole command)
    QString parameters;    // text after "::" ("" when there is none)
    bool isProgram = false; // started as a process (else opened with xdg-open)
    QString program;       // the executable that is started
    QStringList arguments; // its arguments
};

// True when `target` names a program: it is at least 5 characters long and ends
// in ".exe" (any case), or it is an existing executable regular file (a name
// without '/' is looked up in PATH). Every part of the program that must decide
// "start it or open it" uses this rule.
bool IsProgramTarget(const QString& target);

// Splits a command at the first "::" found at character position 1 or later
// (a leading "::" belongs to the target, and the whole text is the target then)
// and decides how it is run. Empty command or target: invalid.
CommandLaunch PlanCommand(const QString& command);

// Runs a command alarm's command as PlanCommand describes. Returns 0 when it was
// started, otherwise an errno value (EINVAL for nothing to run). Callers of the
// alarm paths ignore failures: they are not reported to the user.
int RunCommandAlarm(const QString& command);

} // namespace dawnbell
