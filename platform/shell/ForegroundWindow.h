#pragma once
// The window system's answer to "which program owns the window in front".
// One back-end per window system (one file each); SessionForegroundWindow picks
// the one of the session the program runs in (ForegroundWindowFactory.cpp).
#include <cstdint>
#include <string>

namespace dawnbell {

class ForegroundWindow {
public:
    virtual ~ForegroundWindow() = default;

    // Process id of the foreground window's owner; 0 when the window system
    // does not tell or nothing is in front.
    virtual int64_t ProcessId() { return 0; }
    // The lower-case file name (no folder) of the program that owns the
    // foreground window; empty when unknown.
    virtual std::string ProgramName() = 0;
};

// The back-end of this process's window system (kept for the life of the
// process); null where the foreground cannot be known (the offscreen platform,
// no display, a window system without a back-end here).
ForegroundWindow* SessionForegroundWindow();

} // namespace dawnbell
