#include "OptionsSettings.h"

#include "Broadcast.h"
#include "ColorHelpers.h"
#include "Profile.h"
#include "Registry.h"

#include <algorithm>
#include <cstdlib>

namespace dawnbell {

namespace {

const QString kSettings = QStringLiteral("settings");
const QString kColorsSection = QStringLiteral("settings\\colors");

int ReadSetting(const char* name, int def)
{
    return Profile::ReadInt(kSettings, QLatin1String(name), def);
}

void WriteSetting(const char* name, int value)
{
    Profile::WriteInt(kSettings, QLatin1String(name), value);
}

// The today item's "Enabled", written into an existing or new item key; then
// the today screen is told to reload its items, so the new rows, button size
// and the item's presence show at once.
void WriteTodayEnabled(bool on)
{
    RegKey key;
    if (RegKey::Create(Hive::LocalMachine, OptionsSettings::kTodayItemKey, &key) == RegOk)
        key.WriteDword("Enabled", on ? 1 : 0);
    key.Close();
    RegFlush(Hive::LocalMachine);
    SendBroadcast({kMsgSettingChange, kSettingChangeToday});
}

} // namespace

OptionsSettings OptionsSettings::Load(bool olderPlatform, const QList<NamedColor>& named)
{
    OptionsSettings s;
    s.languageFile = Profile::ReadText(kSettings, QStringLiteral("languageFile"), QString());
    s.doubleClick = ReadSetting("doubleClick", 0);
    s.autoExit = ReadSetting("autoExit", 1);
    s.bgColor = AppBackColor();
    s.textColor = AppTextColor();
    s.colors = named;
    s.simulateSystemAlarm = ReadSetting("simulateSystemAlarm", 0);
    uint32_t enabled = 0;
    s.todayEnabled = !ReadTodayEnabled(&enabled) || enabled == 1;
    s.todayLines = ReadSetting("todayLines", kDefaultTodayLines);
    if (s.todayLines < kMinTodayLines || s.todayLines > kMaxTodayLines)
        s.todayLines = kDefaultTodayLines;
    s.todayCompact = ReadSetting("todayCompact", 0);
    s.fullPath = ReadSetting("fullPath", 0);
    s.endSound = ReadSetting("endSound", 0);
    if (olderPlatform)
        s.fixAlarmBug = ReadSetting("fixAlarmBug", 1);
    return s;
}

bool OptionsSettings::ReadTodayEnabled(uint32_t* value)
{
    RegKey key;
    return RegKey::Open(Hive::LocalMachine, kTodayItemKey, &key) == RegOk && key.ReadDword("Enabled", value);
}

bool OptionsSettings::TodayChanged(const OptionsSettings& a, const OptionsSettings& b)
{
    return a.todayEnabled != b.todayEnabled || (a.todayCompact != 0) != (b.todayCompact != 0)
        || a.todayLines != b.todayLines;
}

bool OptionsSettings::Write(const OptionsSettings& before, bool olderPlatform) const
{
    // 1. The plain settings.
    WriteSetting("fullPath", fullPath);
    WriteSetting("endSound", endSound);
    Profile::WriteText(kSettings, QStringLiteral("languageFile"), languageFile.isNull() ? QStringLiteral("") : languageFile);
    WriteSetting("autoExit", autoExit);
    WriteSetting("doubleClick", doubleClick);
    WriteSetting("bgColor", int(bgColor));
    WriteSetting("textColor", int(textColor));
    if (olderPlatform)
        WriteSetting("fixAlarmBug", fixAlarmBug);
    WriteSetting("simulateSystemAlarm", simulateSystemAlarm);

    // 2. The today item, only when one of its values changed.
    const bool today = TodayChanged(*this, before);
    if (today) {
        WriteSetting("todayLines", todayLines);
        WriteSetting("todayCompact", todayCompact ? 1 : 0);
        Profile::Flush();
        WriteTodayEnabled(todayEnabled);
    }

    // 3. The alarm-bug fix's suspend time-outs, on older platforms only.
    if (olderPlatform) {
        RegKey key;
        if (RegKey::Open(Hive::LocalMachine, kPowerTimeoutsKey, &key) == RegOk) {
            const uint32_t seconds = fixAlarmBug ? kResumingTimeoutFixed : kResumingTimeoutPlain;
            key.WriteDword("BattResumingSuspendTimeout", seconds);
            key.WriteDword("ACResumingSuspendTimeout", seconds);
        }
        key.Close();
        RegFlush(Hive::LocalMachine);
    }

    // 5. The named colours replace the stored table as a whole.
    Profile::DeleteSection(kColorsSection);
    for (const NamedColor& c : colors)
        Profile::WriteInt(kColorsSection, c.name, int(c.color));
    Profile::Flush();
    return today;
}

bool OptionsSettings::TooAlike(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 29)
            return false;
    }
    return true;
}

uint32_t OptionsSettings::ColorFromChannels(int r, int g, int b)
{
    auto channel = [](int v) { return uint32_t(((v % 256) + 256) % 256); };
    return channel(r) + channel(g) * 256 + channel(b) * 65536;
}

int OptionsSettings::AddNamedColor(QList<NamedColor>* list, const NamedColor& entry)
{
    for (qsizetype i = 0; i < list->size(); ++i) {
        if (list->at(i).name == entry.name) {
            list->removeAt(i);
            break;
        }
    }
    // Sorted insertion after equal names keeps the order a stable sort gives.
    const auto at = std::upper_bound(list->begin(), list->end(), entry, [](const NamedColor& a, const NamedColor& b) {
        return AlarmStore::NameLess(a.name, b.name);
    });
    const int index = int(at - list->begin());
    list->insert(index, entry);
    return index;
}

} // namespace dawnbell
