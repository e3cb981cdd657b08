#pragma once
// Every stored field of an alarm as one "name=value" text each, so two alarms
// compare field by field and a difference names the field.
#include "Alarm.h"

#include <QByteArray>
#include <QStringList>
#include <QVariant>

namespace dawnbell::test {

inline QStringList AlarmFields(const Alarm& a)
{
    QStringList f;
    auto add = [&f](const char* name, const QVariant& v) {
        f << QStringLiteral("%1=%2").arg(QLatin1String(name), v.toString());
    };
    add("alarmTime", qint64(a.alarmTime));
    add("repeatDays", a.repeatDays);
    add("activated", a.activated);
    add("vibrate", a.vibrate);
    add("vibrateInterval", a.vibrateInterval);
    add("random", a.random);
    add("forceVolume", a.forceVolume);
    add("volume", a.volume);
    add("fadeDuration", a.fadeDuration);
    add("playlist", a.playlist.join(QLatin1Char('|')));
    add("snooze", a.snooze);
    add("quiz", a.quiz);
    add("quizLevel", a.quizLevel);
    add("type", a.type);
    add("date", QStringLiteral("%1-%2-%3").arg(a.dateYear).arg(a.dateMonth).arg(a.dateDay));
    add("quizTypes", a.quizTypes);
    add("useFade", a.useFade);
    add("useSnooze", a.useSnooze);
    add("fade", QByteArray(reinterpret_cast<const char*>(a.fade.data()), int(a.fade.size())).toHex());
    add("closeAfterMinutes", a.closeAfterMinutes);
    add("closeAfterTimes", a.closeAfterTimes);
    add("useBackColor", a.useBackColor);
    add("useTextColor", a.useTextColor);
    add("backImageStyle", a.backImageStyle);
    add("backColor", uint(a.backColor));
    add("textColor", uint(a.textColor));
    for (int i = 0; i < BackImageFieldCount; ++i)
        add("backImage", a.BackImage(i));
    add("layoutStyle", a.layoutStyle);
    add("showSoundControls", a.showSoundControls);
    add("confirmClose", a.confirmClose);
    add("title", a.title);
    add("message", a.message);
    add("command", a.command);
    return f;
}

} // namespace dawnbell::test
