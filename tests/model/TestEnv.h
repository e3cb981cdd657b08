#pragma once
// Shared set-up of the model tests: a fixed time zone with daylight saving
// (Central European rules, given inline so no zone database is needed) and the
// German locale (24-hour "HH:mm", dates "dd.MM.yy"), both before Qt reads them.
#include <QByteArray>
#include <QString>

#include <ctime>

#include "Alarm.h"
#include "AlarmField.h"
#include "Clock.h"

#include <vector>

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

// A value for number row `row` of the field table that no other row gets and that
// differs from both of the row's defaults (outside the row's range where the
// range is small: storage must keep any 32-bit value).
inline int64_t DistinctNumber(size_t row)
{
    return 1000 + 37 * static_cast<int64_t>(row);
}

// Sets every stored field of `a` to a value of its own that differs from the
// new-alarm and the load defaults and from every other field, so two fields
// swapped anywhere show (time of day 06:15:30, Saturday and Sunday).
inline void FillNonDefault(Alarm* a)
{
    a->alarmTime = At(QStringLiteral("2024-03-04 06:15:30"));
    a->repeatDays = 96;
    a->dateYear = 2031;
    a->dateMonth = 2;
    a->dateDay = 28;
    const std::vector<AlarmField>& fields = AlarmFields();
    for (size_t row = 0; row < fields.size(); ++row) {
        const AlarmField& f = fields[row];
        switch (f.kind) {
        case FieldKind::Playlist:
            a->SetPlaylist({QString::fromUtf8("/music/\xC3\x84 \xC3\xB6.mp3"), QStringLiteral("/music/two.ogg")});
            break;
        case FieldKind::Fade:
            for (int i = 0; i < kFadePoints; ++i)
                a->fade[i] = static_cast<uint8_t>(100 - i);
            break;
        case FieldKind::Text:
            f.TextOf(a) = QString::fromUtf8("%1 \xE2\x80\x93 \xC3\xBC\r\n%2").arg(QLatin1String(f.name)).arg(row);
            break;
        case FieldKind::Integer:
        case FieldKind::Colour:
            f.SetNumber(a, DistinctNumber(row));
            break;
        case FieldKind::Handle:
            break;
        }
    }
    // Values that must stay valid for the key and the load: on (loading keeps
    // only on or off), and a kind with a plain key that is neither default.
    a->activated = 1;
    a->type = AlarmCommand;
}

// Copies the value of one row of the field table from `from` to `to`.
inline void CopyField(const AlarmField& f, const Alarm& from, Alarm* to)
{
    switch (f.kind) {
    case FieldKind::Playlist:
        to->SetPlaylist(from.GetPlaylist());
        break;
    case FieldKind::Fade:
        to->fade = from.fade;
        break;
    case FieldKind::Text:
        f.TextOf(to) = f.TextOf(from);
        break;
    case FieldKind::Integer:
    case FieldKind::Colour:
        f.SetNumber(to, f.Number(from));
        break;
    case FieldKind::Handle:
        break;
    }
}

// Name of the first field (besides alarmTime and the appointment date, which
// a caller compares itself) in which a and b differ; empty when none does.
inline QString FirstDifference(const Alarm& a, const Alarm& b)
{
    if (a.repeatDays != b.repeatDays)
        return QStringLiteral("repeatDays");
    if (a.GetSecondsOfDay() != b.GetSecondsOfDay())
        return QStringLiteral("time of day");
    for (const AlarmField& f : AlarmFields()) {
        bool same = true;
        switch (f.kind) {
        case FieldKind::Playlist:
            same = a.GetPlaylist() == b.GetPlaylist();
            break;
        case FieldKind::Fade:
            same = a.fade == b.fade;
            break;
        case FieldKind::Text:
            same = f.TextOf(a) == f.TextOf(b);
            break;
        case FieldKind::Integer:
        case FieldKind::Colour:
            same = f.Number(a) == f.Number(b);
            break;
        case FieldKind::Handle:
            break;
        }
        if (!same)
            return QLatin1String(f.name);
    }
    return QString();
}

} // namespace dawnbell::test
