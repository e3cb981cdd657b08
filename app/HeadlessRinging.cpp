#include "HeadlessRinging.h"

#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmList.h"
#include "AlarmRinging.h"
#include "AlarmStore.h"
#include "CommandAlarm.h"
#include "CommandServer.h"
#include "ExitSignalPipe.h"
#include "ExitSignals.h"
#include "RingTrace.h"
#include "RingingCommands.h"
#include "RingingServices.h"
#include "Scheduler.h"
#include "SystemAlarmSimulation.h"

#include <QEventLoop>

#include <cstring>
#include <memory>
#include <vector>

namespace dawnbell {

namespace {

// The main window's copy-data codes this process answers in its place.
enum MainWindowCode : int { CopyRefresh = 0, CopyRing = 1, CopyEdit = 2, CopyActivate = 3, CopyDeactivate = 4,
                            CopyTest = 5 };

// The stored alarms, loaded now.
struct StoredAlarms {
    std::vector<std::unique_ptr<Alarm>> alarms;
    std::vector<Alarm*> rows;

    StoredAlarms()
    {
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        for (auto& a : alarms)
            rows.push_back(a.get());
    }
    Alarm* Find(const QString& key) const { return AlarmList::FindByKey(rows, key); }
};

// The system-alarm simulation with the next alarm as stored now (there is no
// list in memory to take it from), when the setting asks for it.
void RefreshSimulationFromStore()
{
    if (!AlarmChanges::SimulationWanted())
        return;
    StoredAlarms stored;
    std::vector<Alarm*> order = stored.rows;
    AlarmList::SortIntoListOrder(&order); // one sort: thousands of alarms stay quick
    SystemAlarmSimulation::Refresh(AlarmList::NextAlarm(order));
}

} // namespace

HeadlessRinging::HeadlessRinging(const QString& why, QObject* parent) : QObject(parent), why_(why) {}

HeadlessRinging::~HeadlessRinging() = default;

void HeadlessRinging::Run(const QString& key)
{
    // A change stored here (the after-ringing step) shows in the simulation.
    connect(&AlarmChanges::Instance(), &AlarmChanges::changed, this, [](const QStringList& keys) {
        RefreshSimulationFromStore();
        if (AlarmChanges::TraceWanted())
            qInfo("%s",
                  qPrintable(AlarmChanges::TraceLine(QStringLiteral("change of %1").arg(keys.join(QLatin1Char(' '))))));
    });

    CommandServer::Handlers handlers;
    handlers.copyData = [this](int code, const QString& k) { return OnCopyData(code, k); };
    handlers.reinit = [] { Scheduler::ReRegisterAll(); };
    handlers.foreground = [] {
        qInfo("A start of Dawnbell found an alarm ringing without a display: there is no window to show.");
    };
    CommandServer server(handlers);
    if (!server.Listen())
        qWarning("The command channel cannot be opened: dawnbell-alarm cannot stop or snooze this ringing.");
    if (ExitSignals* exits = ExitSignals::Installed())
        connect(exits, &ExitSignals::received, this, &HeadlessRinging::OnExitSignal);

    queue_.append(Request{key, false});
    while (!queue_.isEmpty()) {
        const Request request = queue_.takeFirst();
        if (ending_)
            qWarning("%s was not rung: the program was told to end.", qPrintable(request.key));
        else
            RingOne(request);
    }
    server.Close();
}

void HeadlessRinging::RingOne(const Request& request)
{
    StoredAlarms stored;
    Alarm* alarm = stored.Find(request.key);
    if (!alarm) {
        qWarning("No alarm has the key %s; nothing rings.", qPrintable(request.key));
        return;
    }
    qWarning("No display to show the ringing window on (%s): %s%s rings without a display.", qPrintable(why_),
             request.test ? "the test of " : "", qPrintable(request.key));
    const bool wasActive = alarm->activated != 0;
    bool snoozedAway = false;
    if (alarm->type == AlarmCommand) {
        if (const int rc = RunCommandAlarm(alarm->command); rc != 0)
            qWarning("The command of %s could not be started: %s.", qPrintable(request.key), std::strerror(rc));
    } else {
        RingingServices services = DefaultRingingServices();
        services.unattended = true;
        services.quiz = nullptr;
        services.confirmClose = [](QWidget*, uint32_t, uint32_t) { return true; };
        AlarmRinging ringing(alarm, services);
        QEventLoop loop;
        connect(&ringing, &AlarmRinging::endRequested, &loop, [&ringing, &loop](const QString& why) {
            ringing.End(why);
            loop.quit();
        });
        RingTraceMark("ringing-without-display");
        current_ = &ringing;
        ringing.Start();
        // A signal that came during start-up ends the ringing once it has begun,
        // so it still takes the after-ringing path.
        if (const int signo = ExitSignals::Received())
            OnExitSignal(signo);
        if (!ringing.ended())
            loop.exec();
        current_ = nullptr;
        ringing.End();
        snoozedAway = ringing.snoozedAway();
    }
    if (request.test || snoozedAway)
        return;
    // As after a ringing in the window: on the alarm as stored now (another
    // process may have changed or removed it meanwhile); one switched off
    // meanwhile stays off.
    StoredAlarms now;
    if (Alarm* after = now.Find(request.key))
        AlarmChanges::Instance().AfterRinging(after, wasActive && after->activated);
}

int HeadlessRinging::OnCopyData(int code, const QString& key)
{
    if (RingingCommands::Handles(code))
        return RingingCommands::Handle(code);
    switch (code) {
    case CopyRefresh:
        if (key != QString::fromUtf16(AlarmChanges::kRefreshAfterRebuild))
            Scheduler::ReRegisterAll(); // the sender did not rebuild after its change
        return 0;
    case CopyRing:
    case CopyTest:
        if (ending_) {
            qWarning("%s was not rung: the program is ending.", qPrintable(key));
            return 1;
        }
        qInfo("%s rings after the alarm ringing now.", qPrintable(key));
        queue_.append(Request{key, code == CopyTest});
        return 1;
    case CopyEdit:
        qWarning("The alarm %s cannot be edited: Dawnbell rings without a display.", qPrintable(key));
        return 1;
    case CopyActivate:
    case CopyDeactivate:
        return 1; // the sender has stored and scheduled the change; there is no list to show it in
    default:
        return 1;
    }
}

void HeadlessRinging::OnExitSignal(int signo)
{
    if (ending_)
        return;
    ending_ = true;
    const char* name = process::ExitSignalName(signo);
    qInfo("%s received: ending the program.", name);
    if (current_)
        current_->StopFromOutside(QStringLiteral("%1 received").arg(QLatin1String(name)));
}

} // namespace dawnbell
