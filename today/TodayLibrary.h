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

// Reads the program path and installs the on-screen message box for the item's
// questions; called when the library is loaded (and again by tests that change
// "InstallDir").
void LoadTodayLibrary();
// Frees the icons; called when the library is unloaded.
void UnloadTodayLibrary();
// When the store has never been set up (the today screen came before any of
// Dawnbell's programs), writes the program's first-launch defaults, with the
// sounds of the program folder this library lives in; called before the item's
// window is made. A store that refuses is logged; the item shows it as it is.
void SetUpStoreOnFirstUse();
// The library state, loaded on first use.
TodayLibrary& TheTodayLibrary();

} // namespace dawnbell::today
