#include "AlarmList.h"

namespace dawnbell {

size_t AlarmList::InsertionIndex(const std::vector<Alarm*>& rows, Alarm* alarm)
{
    const bool active = alarm->activated != 0;
    const int64_t remaining = alarm->GetTimeToNext();
    for (size_t i = 0; i < rows.size(); ++i) {
        Alarm* row = rows[i];
        const bool rowActive = row->activated != 0;
        if ((!rowActive && active) || (rowActive == active && row->GetTimeToNext() > remaining))
            return i;
    }
    return rows.size();
}

Alarm* AlarmList::NextAlarm(const std::vector<Alarm*>& rows)
{
    Alarm* best = nullptr;
    int64_t bestTime = 0;
    for (Alarm* a : rows) {
        if (!a->activated)
            continue;
        const int64_t t = a->GetTimeToNext();
        if (t <= 0)
            continue;
        if (!best || t < bestTime) {
            best = a;
            bestTime = t;
        }
    }
    return best;
}

QString AlarmList::FormatRemaining(int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(static_cast<int>((seconds / 60) % 60), 2, 10, QLatin1Char('0'))
        .arg(static_cast<int>(seconds % 60), 2, 10, QLatin1Char('0'));
}

Alarm* AlarmList::FindByKey(const std::vector<Alarm*>& rows, const QString& key)
{
    for (Alarm* a : rows) {
        if (a->GetKey() == key)
            return a;
    }
    return nullptr;
}

size_t AlarmList::InsertSorted(Alarm* alarm)
{
    const size_t at = InsertionIndex(items_, alarm);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), alarm);
    return at;
}

} // namespace dawnbell
