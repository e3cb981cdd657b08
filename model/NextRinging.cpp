#include "NextRinging.h"

#include "Clock.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace dawnbell {

namespace {

CalendarDate DateOf(int64_t moment)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    return CalendarDate{t.year, t.month, t.day};
}

} // namespace

int64_t MomentOn(const CalendarDate& date, int secondsOfDay)
{
    return clock::MakeLocal(date.year, date.month, date.day, secondsOfDay / 3600, (secondsOfDay % 3600) / 60,
                            secondsOfDay % 60);
}

CalendarDate NextRingingDate(int secondsOfDay, int repeatDays, int64_t now)
{
    return NextRingingClockAt(now).NextDate(secondsOfDay, repeatDays);
}

int64_t NextRingingMoment(int secondsOfDay, int repeatDays, const CalendarDate* appointmentDate, int64_t now)
{
    return NextRingingClockAt(now).NextMoment(secondsOfDay, repeatDays, appointmentDate);
}

NextRingingClock::NextRingingClock(int64_t now)
    : local_(now), today_{local_.Today().year, local_.Today().month, local_.Today().day},
      weekday_((local_.Today().dayOfWeek + 6) % 7)
{
}

const CalendarDate& NextRingingClock::DateAfter(int i) const
{
    if (!known_[i]) {
        // As AddDays: noon of the day, which every daylight-saving change leaves alone.
        after_[i] = i == 0 ? today_ : DateOf(local_.MakeLocal(today_.year, today_.month, today_.day + i, 12, 0, 0));
        known_[i] = true;
    }
    return after_[i];
}

int64_t NextRingingClock::MomentOn(const CalendarDate& date, int secondsOfDay) const
{
    return local_.MakeLocal(date.year, date.month, date.day, secondsOfDay / 3600, (secondsOfDay % 3600) / 60,
                            secondsOfDay % 60);
}

int64_t NextRingingClock::NextMoment(int secondsOfDay, int repeatDays, const CalendarDate* appointmentDate) const
{
    return MomentOn(appointmentDate ? *appointmentDate : NextDate(secondsOfDay, repeatDays), secondsOfDay);
}

CalendarDate NextRingingClock::NextDate(int secondsOfDay, int repeatDays) const
{
    const int64_t t = MomentOn(today_, secondsOfDay);
    const int64_t now = local_.now();
    const int days = repeatDays & 0x7F;
    if (days == 0)
        return t < now ? DateAfter(1) : today_;
    if (t > now && (days & (1 << weekday_)))
        return today_;
    const int twoWeeks = days + days * 128; // the mask doubled to 14 bits
    for (int i = 1; i <= 7; ++i) {
        if (twoWeeks & (1 << (weekday_ + i)))
            return DateAfter(i);
    }
    return today_; // not reached: some bit is set
}

const NextRingingClock& NextRingingClockAt(int64_t now)
{
    // Kept for one moment in one zone: a changed TZ (as tests set it) is a new clock.
    thread_local std::optional<NextRingingClock> kept;
    thread_local std::string keptZone;
    const char* tz = std::getenv("TZ");
    const char* zone = tz ? tz : "";
    if (!kept || kept->now() != now || keptZone != zone) {
        kept.emplace(now);
        keptZone = zone;
    }
    return *kept;
}

} // namespace dawnbell
