#include "TodayLibrary.h"

#include "DevicePaths.h"
#include "FirstUse.h"
#include "TodaySettings.h"

#include <QtGlobal>

namespace dawnbell::today {

namespace {

// Never destroyed: the library's unload hook (a destructor function, run after
// the exit-time destructors of static objects) still frees the icons, so the
// state must outlive them.
TodayLibrary& State()
{
    static TodayLibrary* const library = new TodayLibrary;
    return *library;
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

void SetUpStoreOnFirstUse()
{
    const QString programDir =
        QString::fromStdString(ModuleDir(reinterpret_cast<const void*>(&SetUpStoreOnFirstUse)));
    if (FirstUse::Run(programDir) == FirstLaunch::Outcome::Failed)
        qWarning("Dawnbell today item: the first-launch defaults could not be written to the store");
}

TodayLibrary& TheTodayLibrary()
{
    if (!g_loaded)
        LoadTodayLibrary();
    return State();
}

} // namespace dawnbell::today
