#pragma once
// Shared set-up of the model tests: a fixed time zone with daylight saving
// (Central European rules, given inline so no zone database is needed) and the
// German locale (24-hour "HH:mm", dates "dd.MM.yy"), both before Qt reads them.
#include <QByteArray>
#include <QString>

#include <ctime>

#include "Clock.h"

namespace dawnbell::test {

inline void UseFixedZoneAndLocale()
{
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    tzset();
}

// Parses "YYYY-MM-DD HH:MM:SS" as local time.
inline int64_t At(const QString& text)
{
    const auto moment = clock::ParseLocal(text.toUtf8().constData());
    return moment ? *moment : -1;
}

// A local time as "YYYY-MM-DD HH:MM:SS".
inline QString Format(const clock::LocalTime& t)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

inline QString Format(int64_t moment)
{
    return Format(clock::ToLocal(moment));
}

} // namespace dawnbell::test
