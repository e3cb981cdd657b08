// Subkey names of the registry root as the loader and the scheduler read them:
// any name must classify without a crash, and whatever is accepted as an alarm
// must carry a valid time of day and date.
#include "SectionName.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    dawnbell::SectionInfo info;
    const dawnbell::SectionKind kind = dawnbell::ParseSectionName(name, &info);
    if (kind == dawnbell::SectionKind::Alarm || kind == dawnbell::SectionKind::Appointment) {
        if (info.secondsOfDay < 0 || info.secondsOfDay >= dawnbell::kSecondsPerDay || info.repeatDays < 0
            || info.repeatDays > 127)
            std::abort();
    }
    if (kind == dawnbell::SectionKind::Appointment && (info.month < 1 || info.month > 12 || info.day < 1 || info.day > 31))
        std::abort();
    return 0;
}
