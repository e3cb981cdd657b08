#include "TodayLibrary.h"

#include "TodaySettings.h"

namespace dawnbell::today {

namespace {

TodayLibrary& State()
{
    static TodayLibrary library;
    return library;
}

bool g_loaded = false; // the program path has been read

} // namespace

void LoadTodayLibrary()
{
    State().programPath = ReadProgramPath();
    g_loaded = true;
}

void UnloadTodayLibrary()
{
    State().icons.Clear();
}

TodayLibrary& TheTodayLibrary()
{
    if (!g_loaded)
        LoadTodayLibrary();
    return State();
}

} // namespace dawnbell::today
