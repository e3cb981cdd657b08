#pragma once
// A vibrator of the device: something that can be set vibrating and still again.
//
// Several back-ends serve it; FindVibrators picks those this session can drive
// (see VibratorFactory.cpp for the order). A vibrator found but gone or refused
// later fails its Set quietly: no device means no vibration, never an error
// the user sees. Destroying a vibrator stops what it started.
#include <memory>
#include <string>
#include <vector>

namespace dawnbell {

class Vibrator {
public:
    virtual ~Vibrator() = default;

    // Which back-end this is: "led" (a sysfs LED class device), "force-feedback"
    // (an input device with a rumble effect) or "feedbackd" (the session's
    // haptics service). For logs and tests.
    virtual std::string Kind() const = 0;
    // What it drives, for logs: the LED's or input device's name, or the service.
    virtual std::string Name() const = 0;
    // Sets it vibrating (`on`) or still; false when the device or service
    // refused, the state it had is kept then. Switching off what was never
    // switched on by this object succeeds without touching a started effect of
    // another program.
    virtual bool Set(bool on) = 0;

protected:
    // True when `name` holds "vibrator" in any letter case (how phones' kernels
    // name their vibration motors, as an LED or as an input device).
    static bool NameMeansVibrator(const std::string& name);
    // The entries of folder `dir` (without "." names), sorted, at most
    // kMaxFolderEntries of them; empty when it cannot be read.
    static std::vector<std::string> ListFolder(const std::string& dir);
    static constexpr size_t kMaxFolderEntries = 512;
};

// The vibrators of this device, found now, in the order they are driven: the
// sysfs LED class devices named "vibrator" below $DAWNBELL_SYSFS (default /sys),
// then the force-feedback input devices named "vibrator" below
// $DAWNBELL_DEVINPUT (default /dev/input), each kind sorted by name or path.
// When none of those can be driven by this user: the session's haptics service
// (feedbackd), if it runs and a Qt application object exists. Empty when there
// is nothing: the device then does not vibrate.
std::vector<std::unique_ptr<Vibrator>> FindVibrators();

} // namespace dawnbell
