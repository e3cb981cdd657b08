#pragma once
// The foreground on X11: the root window's _NET_ACTIVE_WINDOW (kept by the
// window manager) and that window's _NET_WM_PID, read over Qt's own connection
// to the X server; the program file of the process from /proc.
#include "ForegroundWindow.h"

namespace dawnbell {

class X11ForegroundWindow : public ForegroundWindow {
public:
    int64_t ProcessId() override;
    std::string ProgramName() override;
};

} // namespace dawnbell
