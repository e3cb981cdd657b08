#include "TodayLibrary.h"

#include "AccessibleFactory.h"
#include "DevicePaths.h"
#include "FirstUse.h"
#include "TodaySettings.h"
#include "Texts.h"
#include "WidgetMessageBox.h"

#include <QAccessible>
#include <QCoreApplication>
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

// The library loads no language file: the program leaves the texts the item
// needs in the settings, the box's Yes and No and the names a screen reader
// says among them; they answer for their numbers.
void InstallTextProvider()
{
    SetTextProvider([](int id) {
        for (int t = 0; t < TodayTextCount; ++t) {
            if (id != 0 && TodayTextNumber(t) == id)
                return TodayText(TodayTextId(t));
        }
        return QString();
    });
}

} // namespace

void LoadTodayLibrary()
{
    State().programPath = ReadProgramPath();
    // The library has its own copy of the message box's presenter (the
    // platform libraries inside it are private), so it installs the on-screen
    // box itself: its question is asked on screen, not answered No on stderr.
    InstallWidgetMessageBox();
    InstallTextProvider();
    // Likewise its owner-drawn window reaches a screen reader through the
    // library's own accessible factory (a host has none of its own).
    InstallAccessibleFactory();
    g_loaded = true;
}

void UnloadTodayLibrary()
{
    // The factory's code goes with the library. At the process's exit (no
    // application any more) Qt's list of factories may be gone before this runs,
    // and nothing asks it again.
    if (QCoreApplication::instance())
        QAccessible::removeFactory(&OwnerDrawnAccessibleFactory);
    State().icons.Clear();
}

void SetUpStoreOnFirstUse()
{
    const QString programDir =
        QString::fromStdString(ModuleDir(reinterpret_cast<const void*>(&SetUpStoreOnFirstUse)));
    if (FirstUse::Run(programDir) == FirstLaunch::Outcome::Failed)
        qWarning("Dawnbell today item: the first-launch defaults could not be written to the store");
    // Writing the defaults lends the texts to a language table of its own and
    // clears them when it is done: the item's texts come back.
    InstallTextProvider();
}

TodayLibrary& TheTodayLibrary()
{
    if (!g_loaded)
        LoadTodayLibrary();
    return State();
}

} // namespace dawnbell::today
