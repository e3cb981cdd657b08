#include "Scheduler.h"

#include "AlarmChanges.h"
#include "Clock.h"
#include "DevicePaths.h"
#include "MissedAlarms.h"
#include "NextRinging.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "SectionName.h"
#include "WaitCursor.h"

#include <algorithm>
#include <set>
#include <vector>

namespace dawnbell {

namespace {

// The program's own notifications carry this in their upper-cased path.
const QString kProgramMark = QStringLiteral("DAWNBELL");

// The executable named in the notifications; empty: the running program.
QString& ProgramPathSet()
{
    static QString path;
    return path;
}

// Why a rebuild finds an alarm missed: its record was still waiting long after
// its time, so the service never started it.
const char* const kNotStartedReason =
    "the notification service did not start it at its time (it was not running, or the device was off or "
    "asleep without the wake capability)";

// An active alarm section as the rebuild reads it.
struct ActiveSection {
    std::string name; // the section's name: the alarm key
    SectionInfo info; // its schedule, from the name
};

// Reads the active alarm sections below the root in one snapshot. RegOk when the
// root was read (unreadable sections are skipped); RegNotFound when there is no
// root (no alarms at all); RegError when the root cannot be read.
RegResult ReadActiveSections(std::vector<ActiveSection>* out)
{
    RegReadScope snapshot;
    RegKey root;
    const std::string rootPath = Profile::RootPath().toStdString();
    if (const RegResult opened = RegKey::Open(Hive::CurrentUser, rootPath, &root); opened != RegOk)
        return opened == RegNotFound ? RegNotFound : RegError;
    uint32_t count = 0;
    if (root.QueryInfo(&count, nullptr) != RegOk)
        return RegError;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (root.EnumKey(i, &name) != RegOk)
            continue;
        SectionInfo info;
        const SectionKind kind = ParseSectionName(QString::fromStdString(name), &info);
        if (kind != SectionKind::Alarm && kind != SectionKind::Appointment)
            continue;
        RegKey key;
        if (RegKey::Open(Hive::CurrentUser, rootPath + "\\" + name, &key) != RegOk)
            continue;
        uint32_t activated = 0;
        if (!key.ReadDword("activated", &activated) || activated == 0)
            continue;
        out->push_back(ActiveSection{name, info});
    }
    return RegOk;
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
    st.dayOfWeek = clock::ToLocal(NextRingingClockAt(now).MomentOn(date, 12 * 3600)).dayOfWeek;
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

} // namespace

QString Scheduler::ProgramPath()
{
    if (!ProgramPathSet().isEmpty())
        return ProgramPathSet();
    return QString::fromStdString(dawnbell::ProgramPath());
}

void Scheduler::SetProgramPath(const QString& path)
{
    ProgramPathSet() = path;
}

void Scheduler::ReRegisterAll()
{
    WaitCursor wait;
    ++AlarmChanges::Trace().rebuilds;
    std::vector<std::string> switchOff; // one-time alarms whose only ringing was missed
    bool recorded = false;              // a missed alarm was recorded
    {
        // One transaction and one wake-up of the service for the whole rebuild.
        notify::NotifyBatch batch;
        std::vector<ActiveSection> active;
        const RegResult read = ReadActiveSections(&active);
        std::set<std::string> activeKeys;
        for (const ActiveSection& a : active)
            activeKeys.insert(a.name);
        const int64_t realNow = clock::RealNow();
        // Clears the program's records but those the service still starts late.
        std::vector<notify::NotifyRecord> missed;
        notify::NotifyClearForRebuild(kProgramMark.toStdString(), realNow, activeKeys, &missed);

        // What never rang is recorded; a missed one-time alarm or appointment is
        // switched off (its one ringing has passed) rather than moved on, a
        // repeating one keeps its next occurrence.
        for (const notify::NotifyRecord& r : missed) {
            const QString key = QString::fromStdString(r.trigger.arguments);
            const QString title = Profile::ReadText(key, QStringLiteral("title"), QString());
            recorded = MissedAlarms::Record(QString::fromStdString(r.trigger.application), key, title,
                                            clock::FromLocal(r.trigger.start), realNow,
                                            QString::fromLatin1(kNotStartedReason)) ||
                       recorded;
            for (const ActiveSection& a : active) {
                if (a.name == r.trigger.arguments &&
                    (a.info.kind == SectionKind::Appointment || (a.info.repeatDays & 0x7F) == 0))
                    switchOff.push_back(a.name);
            }
        }

        if (read != RegOk) {
            if (read == RegNotFound)
                AnswerSetAsideNotes(); // no alarms at all: the empty schedule is whole
            return;
        }
        const std::string program = ProgramPath().toStdString();
        const int64_t now = clock::Now();
        for (const ActiveSection& a : active) {
            if (std::find(switchOff.begin(), switchOff.end(), a.name) != switchOff.end())
                continue;
            notify::NotifyTrigger trigger;
            trigger.application = program;
            trigger.arguments = a.name;
            trigger.start = StartTime(a.info, now);
            trigger.end = trigger.start;
            notify::NotifySetTime(trigger);
        }
        AnswerSetAsideNotes();
    }
    for (const std::string& name : switchOff) {
        const QString section = QString::fromStdString(name);
        if (Profile::WriteInt(section, QStringLiteral("activated"), 0))
            qInfo("The one-time alarm %s was switched off: its time passed without a ringing.", name.c_str());
        else
            qWarning("The one-time alarm %s, whose time passed without a ringing, could not be switched off.",
                     name.c_str());
    }
    if (!switchOff.empty())
        Profile::Flush();
    AlarmChanges::Instance().NoteRebuilt(recorded);
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

} // namespace dawnbell
