#include "RingingCommands.h"

#include "Alarm.h"
#include "AlarmRinging.h"

#include <QPointer>
#include <QTimer>

namespace dawnbell {

bool RingingCommands::Handles(int code) { return code == CopySnoozeRinging || code == CopyEndRinging; }

int RingingCommands::Handle(int code)
{
    AlarmRinging* ringing = AlarmRinging::Innermost();
    if (!ringing)
        return NothingRinging;
    const QString key = ringing->alarm()->GetKey();
    if (code == CopyEndRinging) {
        qInfo("dawnbell-alarm stop: ending the ringing of %s.", qPrintable(key));
        ringing->StopFromOutside(QStringLiteral("dawnbell-alarm stop"));
        return Done;
    }
    if (!ringing->CanSnooze()) {
        qInfo("dawnbell-alarm snooze: %s has no snooze; it keeps ringing.", qPrintable(key));
        return NoSnooze;
    }
    qInfo("dawnbell-alarm snooze: snoozing %s.", qPrintable(key));
    QTimer::singleShot(0, ringing, [ringing = QPointer<AlarmRinging>(ringing)] {
        if (ringing)
            ringing->SnoozeFromOutside();
    });
    return Done;
}

} // namespace dawnbell
