// The today screen with Dawnbell's item (the build's libdawnbell-today.so):
// two large rows with the countdown, four compact rows, one row, the keyboard
// selection on an alarm's switch, and no alarms at all. Alarms are stored in
// the gallery's temporary home, and the item reads them as it does at run time.
#include "Gallery.h"

#include "Registry.h"
#include "Scaling.h"
#include "TodayHost.h"

#include <QCoreApplication>

namespace dawnbell {
namespace {

const char kProgram[] = "Software\\Torvane\\Dawnbell";

void StoreAlarm(int hour, int minute, int days, bool active, const char* title)
{
    RegKey key;
    const int key_ = (hour * 3600 + minute * 60) * 128 + days;
    RegKey::Create(Hive::CurrentUser, std::string(kProgram) + "\\" + std::to_string(key_), &key);
    key.WriteDword("activated", active ? 1 : 0);
    key.WriteDword("type", 1);
    key.WriteString("title", Utf8ToUtf16(title));
}

void Prepare(const QString& state)
{
    RegDeleteTree(Hive::CurrentUser, kProgram);
    RegKey item;
    RegKey::Create(Hive::LocalMachine, std::string(today::kItemsKey) + "\\Dawnbell", &item);
    item.WriteString("DLL", Utf8ToUtf16(DAWNBELL_TODAY_LIBRARY));
    item.WriteDword("Enabled", 1);
    item.WriteDword("Options", 1);
    item.WriteDword("Type", today::kTodayItemCustom);
    RegKey settings;
    RegKey::Create(Hive::CurrentUser, std::string(kProgram) + "\\settings", &settings);
    settings.WriteDword("todayLines", state == "four-compact" ? 4 : state == "one-row" ? 1 : 2);
    settings.WriteDword("todayCompact", state == "four-compact" ? 1 : 0);
    if (state == "empty")
        return;
    StoreAlarm(7, 45, 0, true, "Dentist at nine");  // the gallery's day is a Saturday, 07:30
    StoreAlarm(8, 30, 0x60, true, "Weekend");
    StoreAlarm(6, 30, 0x1F, false, "Work");
    StoreAlarm(12, 0, 0, false, "Lunch");
    StoreAlarm(21, 15, 0x7F, true, "Pills");
}

QWidget* Build(const QString& state)
{
    Prepare(state);
    auto* host = new today::TodayHost;
    const ScreenGeometry screen = CurrentScreen();
    host->resize(screen.logicalWidth > 0 ? screen.logicalWidth : 240,
                 screen.logicalHeight > 0 ? screen.logicalHeight : 320);
    if (host->ItemCount() != 1) {
        delete host;
        return nullptr;
    }
    if (state == "selected") {
        host->Select(0);
        today::TodayEvent right(today::WM_TODAYCUSTOM_USERNAVIGATION, today::VK_RIGHT);
        QCoreApplication::sendEvent(host->Item(0)->window, &right);
    }
    return host;
}

const bool registered = gallery::Register(
    {QStringLiteral("today"), {"two-rows", "four-compact", "one-row", "selected", "empty"}, Build});

} // namespace
} // namespace dawnbell
