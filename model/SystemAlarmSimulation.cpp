#include "SystemAlarmSimulation.h"

#include "Alarm.h"
#include "AlarmChanges.h"
#include "Clock.h"
#include "Notify.h"
#include "Registry.h"

namespace dawnbell {

namespace {

const char* const kShellKey = "System\\State\\Shell\\Alarms";
const char* const kClockKey = "SOFTWARE\\Microsoft\\Clock\\0";

// Days from 1 January 1970 to the given proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void WriteBinary(RegKey& key, const char* name, std::vector<uint8_t> bytes)
{
    key.WriteBinary(name, bytes);
}

} // namespace

uint64_t SystemAlarmSimulation::LocalFileTime(int year, int month, int day, int hour, int minute, int second,
                                              int milliseconds)
{
    // 1601-01-01 is 134774 days before 1970-01-01.
    const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + 134774;
    const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return static_cast<uint64_t>(seconds) * 10000000ull + static_cast<uint64_t>(milliseconds) * 10000ull;
}

void SystemAlarmSimulation::Refresh(Alarm* next)
{
    ++AlarmChanges::Trace().simulationRefreshes;
    // 1. The shell's alarm state.
    {
        RegKey shell;
        if (RegKey::Open(Hive::CurrentUser, kShellKey, &shell) == RegOk) {
            if (next) {
                const clock::LocalTime t = next->GetNextOccurrence();
                const uint64_t ft = LocalFileTime(t.year, t.month, t.day, t.hour, t.minute, t.second, 0);
                std::vector<uint8_t> bytes(8);
                for (int i = 0; i < 8; ++i)
                    bytes[i] = static_cast<uint8_t>(ft >> (8 * i));
                shell.WriteBinary("Next", bytes);
            } else {
                shell.DeleteValue("Next");
            }
            shell.Close();
            RegFlush(Hive::CurrentUser);
        }
    }

    // 2. The clock's first alarm slot.
    RegKey slot;
    if (RegKey::Open(Hive::LocalMachine, kClockKey, &slot) != RegOk)
        return;

    // 3. Clear what the clock registered for the slot, so the dummy never rings.
    //    Only a value of exactly seven handles is trusted.
    std::vector<uint8_t> handles;
    RegType type = RegType::None;
    if (slot.QueryValue("AlarmHandle", &type, &handles) == RegOk && handles.size() <= size_t(kHandleBytes)) {
        handles.resize(kHandleBytes, 0);
        for (int i = 0; i < kHandleBytes; i += 4) {
            const uint32_t h = uint32_t(handles[i]) | uint32_t(handles[i + 1]) << 8 |
                               uint32_t(handles[i + 2]) << 16 | uint32_t(handles[i + 3]) << 24;
            notify::NotifyClear(h);
        }
    }

    // 4. The ten values, in this order.
    int days = 0, minutes = 0;
    if (next) {
        days = next->repeatDays & 0x7F;
        if (days == 0)
            days = 127;
        const int s = next->GetSecondsOfDay();
        minutes = (s / 3600) * 60 + (s / 60) % 60;
    }
    WriteBinary(slot, "AlarmDays", {static_cast<uint8_t>(days)});
    WriteBinary(slot, "AlarmFlags", {static_cast<uint8_t>(next ? 1 : 0)});
    WriteBinary(slot, "AlarmHandle", std::vector<uint8_t>(kHandleBytes, 0));
    WriteBinary(slot, "AlarmNotFlags", {28, 0, 0, 0});
    WriteBinary(slot, "AlarmOneTime", std::vector<uint8_t>(8, 0));
    WriteBinary(slot, "AlarmTime", {static_cast<uint8_t>(minutes & 0xFF), static_cast<uint8_t>(minutes >> 8)});
    slot.WriteString("AlarmSnd", u"");
    slot.WriteString("AlarmText", next ? kAlarmText : u"");
    slot.WriteDword("Len_AlarmSND", 0);
    slot.WriteDword("Len_AlarmText", next ? kAlarmTextLength : 0);

    // 5.
    slot.Close();
    RegFlush(Hive::LocalMachine);
}

} // namespace dawnbell
