#pragma once
// The ringing window's answer to an activation change: the automatic stop when
// the phone application has come to the front (an incoming call), and taking
// the foreground back from anything else.
//
// The ringing window asks on every activation change, after the default
// handling: Stop ends the ringing, Reassert takes the foreground back.
#include <functional>
#include <string>

class QWidget;

namespace dawnbell {

enum class AutoStopDecision {
    Nothing,  // the ringing has ended, or the window itself is (still) active
    Stop,     // end the ringing as if End alarm had been confirmed
    Reassert, // cover the screen again and take the foreground back
};

// What is known at an activation change of the ringing window.
struct ActivationFacts {
    bool ended = false;           // the ringing's cleanup has run
    bool activated = false;       // the window is being activated, not deactivated
    bool otherIsParent = false;   // the window now active is the ringing window's parent (the main window)
    bool otherIsOwned = false;    // the window now active is owned by the ringing window (the quiz, the
                                  // confirmation): it stands in front on purpose
    bool disableAutoStop = false; // the setting disableAutoStop is non-zero
    // The lower-case file name of the foreground window's program (empty when
    // unknown); asked only when the decision depends on it.
    std::function<std::string()> foregroundName;
};

// The decision for `facts`: Nothing when ended, activated, or when one of the
// ringing window's own windows took over (taking the foreground back would
// cover it); Stop only when the automatic stop is on, the other window is not
// the parent, and the foreground belongs to a phone application; otherwise
// Reassert.
AutoStopDecision DecideAutoStop(const ActivationFacts& facts);

// The decision for the ringing window `ringing` now: reads whether it is
// active, which window of the program is active instead (QApplication), the
// setting disableAutoStop and the foreground window's program
// (ForegroundProcessName). `ended` is the ringing window's ended flag.
AutoStopDecision DecideOnDeactivate(const QWidget* ringing, bool ended);

// For a call announced by the modem service while a ringing runs: true when
// the ringing has not `ended` and the setting disableAutoStop is zero.
bool AutoStopOnCall(bool ended);

// For the windows in front of the ringing window, on losing the activation:
// true when the window now active (if any) is neither `window`'s parent nor
// `window` or one of its own, and the setting disableAutoStop is zero.
bool LostToAnotherWindow(const QWidget* window);

} // namespace dawnbell
