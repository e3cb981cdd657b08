#pragma once
// Shared set-up of the today tests: a fixed zone, alarm sections written the way
// the program writes them, and the notifications of a device directory.
#include "Clock.h"
#include "Notify.h"
#include "Registry.h"

#include <QString>
#include <QStringList>

#include <ctime>
#include <string>
#include <vector>

namespace dawnbell::test {

// Central European rules, given inline so no zone database is needed.
inline void UseFixedZone()
{
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
}

inline int64_t At(const char* text)
{
    const auto moment = clock::ParseLocal(text);
    return moment ? *moment : -1;
}

// The key of a plain alarm at h:m:s with repeat days.
inline QString KeyOf(int h, int m, int s, int days = 0)
{
    return QString::number((h * 3600 + m * 60 + s) * 128 + days);
}

// Writes an alarm section: "KEY" or "KEY:activated[:type[:title]]".
inline void WriteAlarm(const QString& description)
{
    const QStringList f = description.split(QLatin1Char(':'));
    RegKey key;
    RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\" + f.value(0).toStdString(), &key);
    key.WriteDword("activated", f.value(1, QStringLiteral("0")).toUInt());
    key.WriteDword("type", f.value(2, QStringLiteral("0")).toUInt());
    if (f.size() > 3)
        key.WriteString("title", f.value(3).toStdU16String());
}

inline void WriteSetting(const char* name, uint32_t value)
{
    RegKey key;
    RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", &key);
    key.WriteDword(name, value);
}

inline uint32_t ReadDword(Hive hive, const std::string& path, const char* name, uint32_t fallback = 0xDEAD)
{
    RegKey key;
    uint32_t v = fallback;
    if (RegKey::Open(hive, path, &key) == RegOk)
        key.ReadDword(name, &v);
    return v;
}

inline bool KeyExists(Hive hive, const std::string& path)
{
    RegKey key;
    return RegKey::Open(hive, path, &key) == RegOk;
}

// The notifications as "application|arguments|YYYY-MM-DD HH:MM:SS", by time.
inline QStringList Notifications()
{
    std::vector<notify::NotifyRecord> records;
    notify::NotifyList(&records);
    QStringList out;
    for (const auto& r : records) {
        const auto& t = r.trigger.start;
        out << QString::fromStdString(r.trigger.application + "|" + r.trigger.arguments + "|")
                   + QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                                       t.second);
    }
    return out;
}

} // namespace dawnbell::test
