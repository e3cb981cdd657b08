#include "NewAlarm.h"

#include "Alarm.h"

#include <QFileInfo>

namespace dawnbell {

const char NewAlarm::kRingSound[] = "ring.mp3";

QString NewAlarm::RingSoundPath(const QString& programDir)
{
    return programDir + QStringLiteral("/sounds/") + QLatin1String(kRingSound);
}

void NewAlarm::Prepare(Alarm* alarm, int type, const QString& programDir)
{
    alarm->type = type;
    if (type == AlarmCommand)
        return;
    const QFileInfo sound(RingSoundPath(programDir));
    if (sound.isFile())
        alarm->SetPlaylist({sound.absoluteFilePath()});
    else
        alarm->SetPlaylist({});
}

} // namespace dawnbell
