#include "ProgramServices.h"

#include "CEditAlarm.h"
#include "CMainDialog.h"
#include "Scheduler.h"
#include "SessionInhibitor.h"
#include "SystemAlarmSimulation.h"

namespace dawnbell {

namespace {

bool RunCompactEditor(Alarm* alarm, CMainDialog* owner)
{
    CEditAlarm editor(alarm, owner, [owner, alarm](const Alarm& candidate) { return owner->TimeClash(candidate, alarm); });
    return editor.exec() == QDialog::Accepted;
}

} // namespace

void InstallScheduleServices()
{
    ScheduleServices s = Scheduler::Services();
    s.idleTimerReset = SessionInhibitor::SimulateUserActivity;
    Scheduler::SetServices(std::move(s));
}

MainWindowServices ProgramMainWindowServices()
{
    MainWindowServices s;
    s.compactEditor = RunCompactEditor;
    s.simulation = [](Alarm* next) { SystemAlarmSimulation::Refresh(next); };
    return s;
}

} // namespace dawnbell
