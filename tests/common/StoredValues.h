#pragma once
// Every stored field of an alarm as one "name=value" text each, so two alarms
// compare field by field and a difference names the field. The moment, the
// repeat days and the date come first (they make the key), then the record's
// field table in save order, so a value added to the record is compared too.
#include "Alarm.h"
#include "AlarmField.h"

#include <QByteArray>
#include <QStringList>

namespace dawnbell::test {

inline QStringList StoredValues(const Alarm& a)
{
    QStringList f;
    auto add = [&f](const QString& name, const QString& value) { f << name + QLatin1Char('=') + value; };
    add(QStringLiteral("alarmTime"), QString::number(a.alarmTime));
    add(QStringLiteral("repeatDays"), QString::number(a.repeatDays));
    add(QStringLiteral("date"), QStringLiteral("%1-%2-%3").arg(a.dateYear).arg(a.dateMonth).arg(a.dateDay));
    for (const AlarmField& row : AlarmFields()) {
        const QString name = QLatin1String(row.name);
        switch (row.kind) {
        case FieldKind::Playlist: add(name, a.playlist.join(QLatin1Char('|'))); break;
        case FieldKind::Fade:
            add(name, QByteArray(reinterpret_cast<const char*>(a.fade.data()), int(a.fade.size())).toHex());
            break;
        case FieldKind::Text: add(name, row.TextOf(a)); break;
        case FieldKind::Integer:
        case FieldKind::Colour: add(name, QString::number(row.Number(a))); break;
        case FieldKind::Handle: break; // never copied
        }
    }
    return f;
}

} // namespace dawnbell::test
