#pragma once
// What the today item library keeps while it is loaded: the program's path
// (read when the library is loaded) and the drawn icons (freed when it is
// unloaded).
#include "TodayIcons.h"

#include <string>

namespace dawnbell::today {

struct TodayLibrary {
    std::string programPath; // the program the item starts and registers
    TodayIconCache icons;    // icons drawn so far
};

// Reads the program path; called when the library is loaded (and again by tests
// that change "InstallDir").
void LoadTodayLibrary();
// Frees the icons; called when the library is unloaded.
void UnloadTodayLibrary();
// The library state, loaded on first use.
TodayLibrary& TheTodayLibrary();

} // namespace dawnbell::today
