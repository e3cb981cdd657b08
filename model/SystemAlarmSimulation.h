#pragma once
// The dummy system alarm: shows the program's next alarm in the shell's alarm
// state (HKCU System\State\Shell\Alarms "Next") and in the platform clock's first
// alarm slot (HKLM SOFTWARE\Microsoft\Clock\0), and clears the notifications the
// clock registered for that slot so the dummy never rings. Neither key is created;
// a missing key's part is skipped. The registry values are the only state.
#include <cstdint>
#include <vector>

namespace dawnbell {

class Alarm;

class SystemAlarmSimulation {
public:
    // Text shown by the shell for the dummy alarm.
    static constexpr const char16_t* kAlarmText = u"Don't touch! Next Dawnbell";
    // "Len_AlarmText" as the clock expects it (a constant, whatever the text).
    static constexpr uint32_t kAlarmTextLength = 28;
    // Size of "AlarmHandle": seven 4-byte notification handles, Monday first.
    static constexpr int kHandleBytes = 28;

    // Writes the dummy alarm for `next` (its next occurrence, repeat days and time
    // of day), or removes it when `next` is null; flushes both hives.
    static void Refresh(Alarm* next);

    // A local date and time as a FILETIME: 100-ns units since 1 January 1601,
    // without conversion to UTC.
    static uint64_t LocalFileTime(int year, int month, int day, int hour, int minute, int second,
                                  int milliseconds);
};

} // namespace dawnbell
