#include "SpokenDuration.h"

#include "TextFormat.h"
#include "Texts.h"

#include <QStringList>

#include <algorithm>

namespace dawnbell {

namespace {
constexpr int kTextOneHour = 325;      // "1 hour"
constexpr int kTextHours = 326;        // "%d hours"
constexpr int kTextOneMinute = 327;    // "1 minute"
constexpr int kTextMinutes = 328;      // "%d minutes"
constexpr int kTextUnderAMinute = 329; // "less than a minute"
} // namespace

QString SpokenDuration(int64_t seconds)
{
    const int64_t minutes = std::max<int64_t>(seconds, 0) / 60;
    if (minutes == 0)
        return Text(kTextUnderAMinute);
    const int64_t hours = minutes / 60;
    const int64_t rest = minutes % 60;
    QStringList parts;
    if (hours > 0)
        parts << (hours == 1 ? Text(kTextOneHour) : FormatTextId(kTextHours, {hours}));
    if (rest > 0)
        parts << (rest == 1 ? Text(kTextOneMinute) : FormatTextId(kTextMinutes, {rest}));
    return parts.join(QLatin1Char(' '));
}

} // namespace dawnbell
