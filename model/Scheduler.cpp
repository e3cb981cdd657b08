#include "Scheduler.h"

#include "AlarmStore.h"
#include "Clock.h"
#include "DevicePaths.h"
#include "NextRinging.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "SectionName.h"
#include "WaitCursor.h"

#include <vector>

namespace dawnbell {

namespace {

// The program's own notifications carry this in their upper-cased path.
const QString kProgramMark = QStringLiteral("DAWNBELL");

ScheduleServices& Installed()
{
    static ScheduleServices services;
    return services;
}

// Clears every notification whose application belongs to the program.
void ClearProgramNotifications()
{
    std::vector<uint32_t> handles;
    // Records may be added between counting and fetching: count again then.
    for (int attempt = 0; attempt < 10; ++attempt) {
        uint32_t count = 0;
        const notify::NotifyResult rc = notify::NotifyGetHandles(nullptr, 0, &count);
        if (rc == notify::NotifyOk)
            return; // none at all
        if (rc != notify::NotifyMoreData)
            return;
        handles.assign(count, 0);
        if (notify::NotifyGetHandles(handles.data(), count, &count) == notify::NotifyOk) {
            handles.resize(count);
            break;
        }
        handles.clear();
    }
    for (uint32_t handle : handles) {
        notify::NotifyRecord record;
        // A damaged record still names its application when that field is readable.
        const notify::NotifyResult rc = notify::NotifyGetRecord(handle, &record);
        if (rc != notify::NotifyOk && rc != notify::NotifyError)
            continue;
        const QString app = QString::fromStdString(record.trigger.application);
        if (app.toUpper().contains(kProgramMark))
            notify::NotifyClear(handle);
    }
}

// The start time of one alarm section, from the current local time `now`.
clock::LocalTime StartTime(const SectionInfo& info, int64_t now)
{
    CalendarDate date{info.year, info.month, info.day};
    // A repeating alarm whose time of day equals the current second counts as
    // passed (NextRingingDate): the service has started the program for it
    // already, and registering it again would start it once more at once (a
    // repeating alarm is re-registered right after it rang).
    if (info.kind != SectionKind::Appointment)
        date = NextRingingDate(info.secondsOfDay, info.repeatDays, now);
    clock::LocalTime st;
    st.year = date.year;
    st.month = date.month;
    st.day = date.day;
    st.hour = info.secondsOfDay / 3600;
    st.minute = (info.secondsOfDay % 3600) / 60;
    st.second = info.secondsOfDay % 60;
    st.milliseconds = 0;
    st.dayOfWeek = clock::ToLocal(clock::MakeLocal(date.year, date.month, date.day, 12, 0, 0)).dayOfWeek;
    return st;
}

// A full rebuild answers the notification service's notes of damaged stores it
// moved aside (the notes leave with the rebuild's commit); the program's log
// tells which it answered.
void AnswerSetAsideNotes()
{
    std::vector<notify::SetAsideNote> answered;
    if (notify::NotifyScheduleRebuilt(&answered) != notify::NotifyOk) {
        qWarning("The schedule was rebuilt, but the notification service's notes could not be read.");
        return;
    }
    for (const notify::SetAsideNote& note : answered)
        qInfo("The schedule was rebuilt from the alarms after the damaged notification store was set aside as %s "
              "(at %s).",
              note.copy.c_str(), note.at.c_str());
}

void RefreshSystemAlarmIfWanted()
{
    // A copy: the refresh may install other services while it runs.
    const std::function<void()> refresh = Installed().systemAlarmRefresh;
    if (refresh && Profile::ReadInt(QStringLiteral("settings"), QStringLiteral("simulateSystemAlarm"), 0) == 1)
        refresh();
}

} // namespace

QString Scheduler::ProgramPath()
{
    if (!Installed().programPath.isEmpty())
        return Installed().programPath;
    return QString::fromStdString(dawnbell::ProgramPath());
}

void Scheduler::SetServices(ScheduleServices services)
{
    Installed() = std::move(services);
}

const ScheduleServices& Scheduler::Services()
{
    return Installed();
}

void Scheduler::SetProgramPathForTesting(const QString& path)
{
    Installed().programPath = path;
}

void Scheduler::ReRegisterAll()
{
    WaitCursor wait;
    {
        // One transaction and one wake-up of the service for the whole rebuild.
        notify::NotifyBatch batch;
        ClearProgramNotifications();

        const std::string program = ProgramPath().toStdString();
        RegReadScope snapshot;
        RegKey root;
        const std::string rootPath = Profile::RootPath().toStdString();
        if (const RegResult opened = RegKey::Open(Hive::CurrentUser, rootPath, &root); opened != RegOk) {
            if (opened == RegNotFound)
                AnswerSetAsideNotes(); // no alarms at all: the empty schedule is whole
            return;
        }
        uint32_t count = 0;
        if (root.QueryInfo(&count, nullptr) != RegOk)
            return;
        const int64_t now = clock::Now();
        for (uint32_t i = 0; i < count; ++i) {
            std::string name;
            if (root.EnumKey(i, &name) != RegOk)
                continue;
            const QString section = QString::fromStdString(name);
            SectionInfo info;
            const SectionKind kind = ParseSectionName(section, &info);
            if (kind != SectionKind::Alarm && kind != SectionKind::Appointment)
                continue;
            RegKey key;
            if (RegKey::Open(Hive::CurrentUser, rootPath + "\\" + name, &key) != RegOk)
                continue;
            uint32_t activated = 0;
            if (!key.ReadDword("activated", &activated) || activated == 0)
                continue;
            notify::NotifyTrigger trigger;
            trigger.application = program;
            trigger.arguments = name;
            trigger.start = StartTime(info, now);
            trigger.end = trigger.start;
            notify::NotifySetTime(trigger);
        }
        AnswerSetAsideNotes();
    }
    if (const std::function<void()> reset = Installed().idleTimerReset)
        reset();
}

bool Scheduler::Clashes(const Alarm& a, const Alarm& b)
{
    const bool aAppointment = a.type == AlarmAppointment;
    const bool bAppointment = b.type == AlarmAppointment;
    if (aAppointment && !bAppointment)
        return false;
    if (a.GetSecondsOfDay() != b.GetSecondsOfDay())
        return false;
    const int aDays = a.repeatDays & 0x7F;
    const int bDays = b.repeatDays & 0x7F;
    if (aDays != 0 && bDays != 0 && (aDays & bDays) == 0)
        return false;
    if (!aAppointment || !bAppointment)
        return true;
    return a.dateYear == b.dateYear && a.dateMonth == b.dateMonth && a.dateDay == b.dateDay;
}

bool Scheduler::Activate(Alarm* alarm)
{
    if (!alarm)
        return false;
    if (!alarm->SetActivated(true))
        return false;
    alarm->Save();
    ReRegisterAll();
    RefreshSystemAlarmIfWanted();
    return true;
}

void Scheduler::Deactivate(Alarm* alarm)
{
    if (!alarm)
        return;
    alarm->SetActivated(false);
    alarm->Save();
    ReRegisterAll();
    RefreshSystemAlarmIfWanted();
}

Scheduler::RangResult Scheduler::AfterRinging(Alarm* alarm, bool wasActive)
{
    if (!alarm)
        return RangKept;
    Deactivate(alarm);
    if (alarm->type == AlarmAppointment) {
        AlarmStore::DeleteSection(*alarm);
        return RangDeleted;
    }
    if (wasActive && (alarm->repeatDays & 0x7F) != 0)
        Activate(alarm);
    return RangKept;
}

} // namespace dawnbell
