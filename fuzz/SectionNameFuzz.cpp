// Subkey names of the registry root as the loader, the scheduler and the today
// item read them: any name must classify without a crash; whatever is accepted
// as an alarm must carry a valid time of day and date, ring next at most a week
// ahead (an appointment on its own date), and have a key that reads back as the
// same schedule.
#include "NextRinging.h"
#include "SectionName.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace dawnbell;
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SectionInfo info;
    const SectionKind kind = ParseSectionName(name, &info);
    if (kind != SectionKind::Alarm && kind != SectionKind::Appointment)
        return 0;
    if (info.secondsOfDay < 0 || info.secondsOfDay >= kSecondsPerDay || info.repeatDays < 0 || info.repeatDays > 127)
        std::abort();
    const bool appointment = kind == SectionKind::Appointment;
    if (appointment && (info.month < 1 || info.month > 12 || info.day < 1 || info.day > 31))
        std::abort();

    const int64_t now = 2123456789; // a fixed moment: 2037
    const CalendarDate own{info.year, info.month, info.day};
    const int64_t next = NextRingingMoment(info.secondsOfDay, info.repeatDays, appointment ? &own : nullptr, now);
    if (!appointment && (next < now || next > now + 8 * 86400))
        std::abort();

    SectionInfo again;
    const QString key = AlarmKey(appointment ? 2 : 1, info.secondsOfDay, info.repeatDays, info.year, info.month,
                                 info.day);
    if (ParseSectionName(key, &again) != kind || again.secondsOfDay != info.secondsOfDay
        || again.repeatDays != info.repeatDays || again.year != info.year || again.month != info.month
        || again.day != info.day)
        std::abort();
    return 0;
}
