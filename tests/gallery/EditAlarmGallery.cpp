// The compact editor: a new alarm, a weekday alarm with a forced volume and a
// long playlist, the countdown mode, and the same in dark colours.
#include "Gallery.h"

#include "Alarm.h"
#include "CEditAlarm.h"
#include "Clock.h"
#include "Profile.h"

#include <memory>
#include <vector>

namespace dawnbell {
namespace {

// The edited alarms live as long as the process; the editor does not own them.
Alarm* KeepAlarm()
{
    static std::vector<std::unique_ptr<Alarm>> alarms;
    alarms.push_back(std::make_unique<Alarm>());
    return alarms.back().get();
}

const bool registered = gallery::Register(
    {QStringLiteral("edit-alarm"),
     {QStringLiteral("new"), QStringLiteral("weekdays"), QStringLiteral("countdown"), QStringLiteral("dark")},
     [](const QString& state) -> QWidget* {
         const bool dark = state == QLatin1String("dark");
         Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("bgColor"), dark ? 0x402010 : 0xE6E6E6);
         Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("textColor"), dark ? 0xF0E0D0 : 0x505050);
         Alarm* alarm = KeepAlarm();
         alarm->type = AlarmCompact;
         if (state != QLatin1String("new")) {
             alarm->alarmTime = clock::MakeLocal(2026, 3, 16, 6, 45, 0);
             alarm->repeatDays = 0x1F;
             alarm->title = QStringLiteral("Work");
             alarm->message = QStringLiteral("Bus leaves at 7:20");
             alarm->forceVolume = 1;
             alarm->volume = 70;
             alarm->snooze = 300;
             alarm->quiz = 2;
             alarm->playlist = {QStringLiteral("/home/user/Music/Morning Birds.mp3"),
                                QStringLiteral("/home/user/Music/Sunrise with a very long file name.mp3"),
                                QStringLiteral("/home/user/Music/Zen Gong.mp3")};
         }
         auto* dialog = new CEditAlarm(alarm);
         if (state != QLatin1String("new"))
             dialog->SelectRow(1);
         if (state == QLatin1String("countdown"))
             dialog->TapTimeLabel();
         return dialog;
     }});

} // namespace
} // namespace dawnbell
