#include "TodaySettings.h"

#include "BuiltinStrings.h"
#include "Registry.h"
#include "TodayAlarm.h"

#include <vector>

namespace dawnbell::today {

namespace {

constexpr size_t kMaxTextBytes = 1000;     // longest todayString value read
constexpr size_t kMaxInstallDirBytes = 8192; // longest "InstallDir" value read (UTF-16 with terminator)
constexpr const char kInstallKey[] = "SOFTWARE\\Torvane\\Dawnbell";

} // namespace

int ClampRows(int64_t value)
{
    return value < 1 ? 1 : value > 15 ? 15 : int(value);
}

TodayLayoutSettings ReadLayoutSettings()
{
    TodayLayoutSettings s;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kSettingsKey, &key) != RegOk)
        return s;
    uint32_t v = 0;
    s.rows = key.ReadDword("todayLines", &v) ? ClampRows(int64_t(v)) : 2;
    s.large = !(key.ReadDword("todayCompact", &v) && v != 0);
    return s;
}

int TodayTextNumber(int id)
{
    // By todayString number; the program's language loader writes the same pairs.
    static const int kNumbers[TodayTextCount] = {149, 150, 0,   157, 158, 15,  16,  322, 323, 324,
                                                 325, 326, 327, 328, 329, 26,  343, 344, 345};
    return id >= 0 && id < TodayTextCount ? kNumbers[id] : 0;
}

QString TodayText(TodayTextId id)
{
    const QString fallback = BuiltinString(TodayTextNumber(id));
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kSettingsKey, &key) != RegOk)
        return fallback;
    const std::string name = "todayString" + std::to_string(int(id));
    RegType type = RegType::None;
    std::vector<uint8_t> data;
    if (key.QueryValue(name, &type, &data) != RegOk || type != RegType::Sz || data.size() > kMaxTextBytes)
        return fallback;
    std::u16string text;
    if (!RegSzText(data, &text))
        return fallback;
    return QString::fromStdU16String(text);
}

std::string ReadProgramPath()
{
    RegKey key;
    RegType type = RegType::None;
    std::vector<uint8_t> data;
    std::u16string dir;
    if (RegKey::Open(Hive::LocalMachine, kInstallKey, &key) != RegOk
        || key.QueryValue("InstallDir", &type, &data) != RegOk || type != RegType::Sz
        || data.size() > kMaxInstallDirBytes || !RegSzText(data, &dir))
        return "/dawnbell";
    std::string path = Utf16ToUtf8(dir);
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path + "/dawnbell";
}

} // namespace dawnbell::today
