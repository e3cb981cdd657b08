#pragma once
// A vibrator driven as a Linux force-feedback input device (an event device
// node, as phones' vibration motors appear): on uploads a rumble effect
// (EVIOCSFF) once and plays it with an EV_FF event of value 1, off writes value
// 0. The effect belongs to the open device, so the kernel removes it when the
// process ends, also in a crash. Plain C++; no Qt.
#include "Vibrator.h"

namespace dawnbell {

class ForceFeedbackVibrator : public Vibrator {
public:
    // The character devices `event*` below `devinput` (a /dev/input folder)
    // that this user may open for writing, whose name holds "vibrator" in any
    // case and that can rumble (FF_RUMBLE), sorted by path. Nothing else there
    // is opened for writing or read from (plain files, FIFOs, folders).
    static std::vector<std::unique_ptr<Vibrator>> FindAll(const std::string& devinput);

    // Stops the effect when this object left it playing, removes it and closes
    // the device.
    ~ForceFeedbackVibrator() override;

    std::string Kind() const override { return "force-feedback"; }
    std::string Name() const override { return name_; }
    bool Set(bool on) override;

    // Takes the open event device `fd` named `name` (for logs); used by FindAll
    // and by tests that make a device of their own (uinput).
    ForceFeedbackVibrator(int fd, std::string name);

private:
    int fd_ = -1;       // the open event device
    std::string name_;  // the input device's name
    int effect_ = -1;   // uploaded effect id, -1 when none
    bool on_ = false;   // last state set successfully
};

} // namespace dawnbell
