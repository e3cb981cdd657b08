#pragma once
// The process that owns the window in the foreground, as far as the window
// system tells (ForegroundWindow.h: on X11 the root window's _NET_ACTIVE_WINDOW
// and that window's _NET_WM_PID, on Wayland the activated window's application
// id where the compositor tells it); the program file of a process from /proc.
// Where the window system does not tell (the offscreen platform, no display)
// the foreground is unknown.
//
// The lookup can be replaced for tests (SetForegroundLookupForTesting).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dawnbell {

// Process id of the foreground window's owner; 0 when unknown.
int64_t ForegroundProcessId();

// The lower-case file name (no folder) of the program process `pid` runs:
// /proc/PID/exe, or the first word of its command line when the link cannot be
// read (processes of other users). Empty when there is no such process.
std::string ProcessFileName(int64_t pid);
// The same for a /proc-like tree rooted at `procRoot` (tests).
std::string ProcessFileName(int64_t pid, const std::string& procRoot);

// The lower-case file name of the foreground window's program; empty when
// unknown. Uses the test lookup when one is set.
std::string ForegroundProcessName();

// Replaces the foreground lookup of ForegroundProcessName; an empty function
// restores the window system's.
using ForegroundLookup = std::function<std::string()>;
void SetForegroundLookupForTesting(ForegroundLookup lookup);

// The program an application id (a Wayland window's, or a desktop file's name
// without ".desktop") stands for: the lower-case file name of the program its
// desktop entry's Exec starts (looked up in $XDG_DATA_HOME/applications, then
// each of $XDG_DATA_DIRS), else the id itself in lower case. Empty for an id
// that is not a plain name (slashes, a leading dot, other characters).
std::string ProgramOfApplicationId(const std::string& appId);

// The phone applications whose coming to the front ends a ringing alarm:
// "cprog.exe", "gnome-calls", "plasmaphonedialer" (lower-case file names).
bool IsPhoneApplication(std::string_view fileName);

} // namespace dawnbell
