#include "CommandAlarm.h"

#include "Process.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <string>
#include <vector>

namespace dawnbell {

namespace {

// Separator between target and parameters.
const QString kSeparator = QStringLiteral("::");
// The desktop's "open this document" command.
const QString kOpener = QStringLiteral("xdg-open");

// The executable file `target` names, or "" when it names none.
QString ExecutablePath(const QString& target)
{
    if (target.isEmpty())
        return QString();
    if (!target.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(target);
    const QFileInfo info(target);
    if (info.isFile() && info.isExecutable())
        return info.absoluteFilePath();
    return QString();
}

} // namespace

bool IsProgramTarget(const QString& target)
{
    if (target.size() >= 5 && target.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        return true;
    return !ExecutablePath(target).isEmpty();
}

CommandLaunch PlanCommand(const QString& command)
{
    CommandLaunch plan;
    const int sep = command.indexOf(kSeparator);
    if (sep >= 1) {
        plan.target = command.left(sep);
        plan.parameters = command.mid(sep + kSeparator.size());
    } else {
        plan.target = command;
    }
    if (plan.target.isEmpty())
        return plan;
    plan.valid = true;
    plan.isProgram = IsProgramTarget(plan.target);
    if (plan.isProgram) {
        plan.program = plan.target;
        plan.arguments = QProcess::splitCommand(plan.parameters);
    } else {
        plan.program = kOpener;
        plan.arguments = QStringList{plan.target};
    }
    return plan;
}

int RunCommandAlarm(const QString& command)
{
    const CommandLaunch plan = PlanCommand(command);
    if (!plan.valid)
        return EINVAL;
    std::vector<std::string> args;
    args.reserve(static_cast<size_t>(plan.arguments.size()));
    for (const QString& a : plan.arguments)
        args.push_back(a.toStdString());
    return process::SpawnDetachedArgs(plan.program.toStdString(), args);
}

} // namespace dawnbell
