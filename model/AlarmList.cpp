#include "AlarmList.h"

#include "Clock.h"

#include <algorithm>
#include <utility>

namespace dawnbell {

namespace {

// What places an alarm in the list at one moment: active alarms first, then the
// time to ring. Every alarm of one listing is seen at the same moment, so their
// remaining times compare as their next moments do.
struct Place {
    bool inactive = false;
    int64_t next = 0; // Alarm::NextRingingAt(now)
};

Place PlaceOf(const Alarm* alarm, int64_t now)
{
    return Place{alarm->activated == 0, alarm->NextRingingAt(now)};
}

// True when an alarm at `a` goes before a row at `b`: `b` is inactive while `a`
// is active, or both have the same activation and `b` rings strictly later.
bool GoesBefore(const Place& a, const Place& b)
{
    if (a.inactive != b.inactive)
        return !a.inactive;
    return b.next > a.next;
}

} // namespace

size_t AlarmList::InsertionIndex(const std::vector<Alarm*>& rows, Alarm* alarm)
{
    const int64_t now = clock::Now();
    const Place place = PlaceOf(alarm, now);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (GoesBefore(place, PlaceOf(rows[i], now)))
            return i;
    }
    return rows.size();
}

void AlarmList::SortIntoListOrder(std::vector<Alarm*>* alarms)
{
    const int64_t now = clock::Now();
    std::vector<std::pair<Place, Alarm*>> placed;
    placed.reserve(alarms->size());
    for (Alarm* a : *alarms)
        placed.emplace_back(PlaceOf(a, now), a);
    // Stable: an alarm placed like earlier ones goes after them, as InsertSorted puts it.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& a, const auto& b) { return GoesBefore(a.first, b.first); });
    for (size_t i = 0; i < placed.size(); ++i)
        (*alarms)[i] = placed[i].second;
}

Alarm* AlarmList::NextAlarm(const std::vector<Alarm*>& rows)
{
    const int64_t now = clock::Now();
    Alarm* best = nullptr;
    int64_t bestTime = 0;
    for (Alarm* a : rows) {
        if (!a->activated)
            continue;
        const int64_t t = a->NextRingingAt(now) - now;
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
