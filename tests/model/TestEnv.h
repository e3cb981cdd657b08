#pragma once
// Shared set-up of the model tests: a fixed time zone with daylight saving
// (Central European rules, given inline so no zone database is needed) and the
// German locale (24-hour "HH:mm", dates "dd.MM.yy"), both before Qt reads them.
#include <QByteArray>
#include <QString>

#include <ctime>

#include "Alarm.h"
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

// Sets every stored field of `a` to a value that differs from both the
// new-alarm and the load defaults (time of day 06:15:30, Saturday and Sunday).
inline void FillNonDefault(Alarm* a)
{
    a->alarmTime = At(QStringLiteral("2024-03-04 06:15:30"));
    a->repeatDays = 96;
    a->activated = 1;
    a->vibrate = 0;
    a->vibrateInterval = 0;
    a->random = 1;
    a->forceVolume = 1;
    a->volume = 80;
    a->fadeDuration = 30;
    a->SetPlaylist({QString::fromUtf8("/music/\xC3\x84 \xC3\xB6.mp3"), QStringLiteral("/music/two.ogg")});
    a->snooze = 300;
    a->quiz = 2;
    a->quizLevel = 3;
    a->type = AlarmCompact;
    a->dateYear = 2031;
    a->dateMonth = 2;
    a->dateDay = 28;
    a->quizTypes = 5;
    a->useFade = 0;
    a->useSnooze = 0;
    for (int i = 0; i < kFadePoints; ++i)
        a->fade[i] = static_cast<uint8_t>(100 - i);
    a->closeAfterMinutes = 15;
    a->closeAfterTimes = 4;
    a->useBackColor = 1;
    a->useTextColor = 1;
    a->backImageStyle = 3;
    a->backColor = 0x010203;
    a->textColor = 0xFFFFFFFF;
    for (int i = 0; i < BackImageFieldCount; ++i)
        a->backImages[i] = QStringLiteral("img%1.png").arg(i);
    a->layoutStyle = 1;
    a->showSoundControls = 1;
    a->confirmClose = 0;
    a->noTextBorder = 1;
    a->title = QStringLiteral("Wake\r\nup");
    a->message = QString::fromUtf8("Message \xE2\x80\x93 \xC3\xBC");
    a->command = QStringLiteral("/usr/bin/true :: -x");
}

// Name of the first field (besides alarmTime and the appointment date, which
// a caller compares itself) in which a and b differ; empty when none does.
inline QString FirstDifference(const Alarm& a, const Alarm& b)
{
    const struct {
        const char* name;
        int Alarm::*field;
    } ints[] = {{"repeatDays", &Alarm::repeatDays}, {"activated", &Alarm::activated},
                {"vibrate", &Alarm::vibrate}, {"vibrateInterval", &Alarm::vibrateInterval},
                {"random", &Alarm::random}, {"forceVolume", &Alarm::forceVolume}, {"volume", &Alarm::volume},
                {"fadeDuration", &Alarm::fadeDuration}, {"snooze", &Alarm::snooze}, {"quiz", &Alarm::quiz},
                {"quizLevel", &Alarm::quizLevel}, {"type", &Alarm::type}, {"quizTypes", &Alarm::quizTypes},
                {"useFade", &Alarm::useFade}, {"useSnooze", &Alarm::useSnooze},
                {"closeAfterMinutes", &Alarm::closeAfterMinutes}, {"closeAfterTimes", &Alarm::closeAfterTimes},
                {"useBackColor", &Alarm::useBackColor}, {"useTextColor", &Alarm::useTextColor},
                {"backImageStyle", &Alarm::backImageStyle}, {"layoutStyle", &Alarm::layoutStyle},
                {"showSoundControls", &Alarm::showSoundControls}, {"confirmClose", &Alarm::confirmClose},
                {"noTextBorder", &Alarm::noTextBorder}};
    for (const auto& f : ints) {
        if (a.*f.field != b.*f.field)
            return QLatin1String(f.name);
    }
    if (a.GetSecondsOfDay() != b.GetSecondsOfDay())
        return QStringLiteral("time of day");
    if (a.GetPlaylist() != b.GetPlaylist())
        return QStringLiteral("playlist");
    if (a.fade != b.fade)
        return QStringLiteral("fade");
    if (a.backColor != b.backColor || a.textColor != b.textColor)
        return QStringLiteral("colours");
    for (int i = 0; i < BackImageFieldCount; ++i) {
        if (a.backImages[i] != b.backImages[i])
            return BackImageValueName(i);
    }
    if (a.title != b.title || a.message != b.message || a.command != b.command)
        return QStringLiteral("texts");
    return QString();
}

} // namespace dawnbell::test
