#pragma once
// The snooze wake-up: a time notification that starts this program (with an
// empty command line) shortly before a snooze countdown ends, so a device that
// fell asleep during the snooze wakes up for the ringing to resume. The object
// owns the notification's handle: setting a new wake-up clears the old one, and
// destruction clears whatever is still registered, so a wake-up never outlives
// the ringing window that asked for it.
#include <cstdint>
#include <string>

namespace dawnbell {

class SnoozeWake {
public:
    // `program` is the executable the wake-up starts.
    explicit SnoozeWake(std::string program);
    // Withdraw().
    ~SnoozeWake();
    SnoozeWake(const SnoozeWake&) = delete;
    SnoozeWake& operator=(const SnoozeWake&) = delete;

    // The wake-up fires this many seconds before a snooze countdown ends, and
    // the window withdraws it this many seconds before it fires.
    static constexpr int kLeadSeconds = 5;

    // Replaces any registered wake-up by one at local time `at` (seconds since
    // the epoch), marked as a resume (kNotifyEventResume) so the rebuild that
    // follows any alarm change during the snooze keeps it. False when the
    // notification service refused it.
    bool SetAt(int64_t at);
    // Replaces any registered wake-up by the one for a snooze of `snoozeSeconds`
    // starting now (kLeadSeconds before its end) and returns the delay in ms
    // after which a window still counting down should withdraw it; a snooze of
    // 2 * kLeadSeconds or less gets none (it would fire during the countdown)
    // and returns -1.
    int ForSnooze(int snoozeSeconds);
    // Registers a notification that starts the program with `arguments` at
    // local time `at` (seconds since the epoch) and leaves it to the service:
    // this object neither keeps nor withdraws it. It is marked as a resume
    // (kNotifyEventResume), so a rebuild of the schedule meanwhile keeps it. Its
    // handle; 0 when the service refused it.
    uint32_t StartAgainAt(int64_t at, const std::string& arguments) const;
    // Clears the registered wake-up, if any.
    void Withdraw();
    // Handle of the registered wake-up; 0 when none.
    uint32_t handle() const { return handle_; }

private:
    std::string program_; // started by the wake-up
    uint32_t handle_ = 0; // registered notification, 0 = none
};

} // namespace dawnbell
