#include "TodayAlarm.h"

#include "NextRinging.h"
#include "Registry.h"
#include "SectionName.h"

#include <QString>

#include <algorithm>
#include <utility>

namespace dawnbell::today {

namespace {

// The record of section `name` as of `now`: its time of day, repeat days and
// date as the program's loader reads them from the name (ParseSectionName), the
// values left at their defaults. False for a name the loader takes for no alarm.
bool FromSectionName(const std::string& name, int64_t now, TodayAlarm* out)
{
    SectionInfo info;
    const SectionKind kind = ParseSectionName(QString::fromStdString(name), &info);
    if (kind != SectionKind::Alarm && kind != SectionKind::Appointment)
        return false;
    TodayAlarm a;
    a.section = name;
    a.days = uint8_t(info.repeatDays);
    // A plain alarm's date is the day it is read, as in the program's record.
    const clock::LocalTime& today = clock::LocalDaysAt(now).Today();
    const bool appointment = kind == SectionKind::Appointment;
    a.year = uint16_t(appointment ? info.year : today.year);
    a.month = uint8_t(appointment ? info.month : today.month);
    a.day = uint8_t(appointment ? info.day : today.day);
    a.time.year = a.year;
    a.time.month = a.month;
    a.time.day = a.day;
    a.time.hour = info.secondsOfDay / 3600;
    a.time.minute = info.secondsOfDay % 3600 / 60;
    a.time.second = info.secondsOfDay % 60;
    *out = std::move(a);
    return true;
}

} // namespace

int64_t TodayAlarm::Moment() const
{
    return clock::MakeLocal(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

std::string TodayAlarm::Key() const
{
    return AlarmKey(int(type), SecondsOfDay(), days, year, month, day).toStdString();
}

bool TodayAlarm::operator==(const TodayAlarm& o) const
{
    return activated == o.activated && type == o.type && days == o.days && title == o.title
        && time.year == o.time.year && time.month == o.time.month && time.day == o.time.day
        && time.hour == o.time.hour && time.minute == o.time.minute && time.second == o.time.second
        && year == o.year && month == o.month && day == o.day;
}

int64_t NextOccurrence(const TodayAlarm& alarm, int64_t now)
{
    const CalendarDate own{alarm.year, alarm.month, alarm.day};
    return NextRingingMoment(alarm.SecondsOfDay(), alarm.days, alarm.IsAppointment() ? &own : nullptr, now);
}

void SortBySoonest(std::vector<TodayAlarm>* alarms, int64_t now)
{
    // Each alarm's remaining time once, then a stable sort of the indices.
    std::vector<std::pair<int64_t, size_t>> order;
    order.reserve(alarms->size());
    for (size_t i = 0; i < alarms->size(); ++i)
        order.emplace_back(NextOccurrence((*alarms)[i], now) - now, i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TodayAlarm> sorted;
    sorted.reserve(alarms->size());
    for (const auto& o : order)
        sorted.push_back(std::move((*alarms)[o.second]));
    *alarms = std::move(sorted);
}

std::vector<TodayAlarm> AlarmsAsOf(const std::vector<TodayAlarm>& read, int64_t now)
{
    std::vector<TodayAlarm> alarms;
    alarms.reserve(read.size());
    for (const TodayAlarm& r : read) {
        TodayAlarm a;
        if (!FromSectionName(r.section, now, &a))
            continue; // not reached: the name was an alarm's when it was read
        a.type = r.type;
        a.activated = r.activated;
        a.title = r.title;
        alarms.push_back(std::move(a));
    }
    SortBySoonest(&alarms, now);
    return alarms;
}

bool ReadAlarms(int64_t now, std::vector<TodayAlarm>* out)
{
    RegReadScope snapshot;
    RegKey root;
    if (RegKey::Open(Hive::CurrentUser, kProgramKey, &root) != RegOk)
        return false;
    uint32_t count = 0;
    root.QueryInfo(&count, nullptr);
    std::vector<TodayAlarm> alarms;
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        if (root.EnumKey(i, &name) != RegOk || name.size() > kRegMaxKeyNameChars)
            continue;
        TodayAlarm a;
        if (!FromSectionName(name, now, &a))
            continue;
        RegKey section;
        if (RegKey::Open(Hive::CurrentUser, root.path() + "\\" + name, &section) != RegOk)
            continue; // left out of the list
        uint32_t v = 0;
        a.type = section.ReadDword("type", &v) ? v : 0;
        a.activated = section.ReadDword("activated", &v) ? v : 0;
        std::u16string title;
        if (section.ReadString("title", &title))
            a.title = std::move(title);
        alarms.push_back(std::move(a));
    }
    SortBySoonest(&alarms, now);
    *out = std::move(alarms);
    return true;
}

} // namespace dawnbell::today
