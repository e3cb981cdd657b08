// The entry points of libdawnbell-today.so, the today screen's Dawnbell item.
// Everything else in the library is hidden, so its copies of the platform
// libraries never mix with a host's own.
#include "CTodayItem.h"
#include "TodayApi.h"
#include "TodayLibrary.h"
#include "TodayOptions.h"

#define DAWNBELL_EXPORT extern "C" __attribute__((visibility("default")))

using namespace dawnbell::today;

namespace {

// Library load and unload.
__attribute__((constructor)) void OnLoad() { LoadTodayLibrary(); }
__attribute__((destructor)) void OnUnload() { UnloadTodayLibrary(); }

} // namespace

// Item initialisation (ordinal 240): the item's window for the host's record,
// on a store set up as the program's first start would.
DAWNBELL_EXPORT QWidget* InitializeCustomItem(TodayListItem* item, QWidget* parent)
{
    SetUpStoreOnFirstUse();
    auto* window = new CTodayItem(item, parent);
    if (item)
        item->window = window;
    return window;
}

// Options dialog procedure (ordinal 241).
DAWNBELL_EXPORT intptr_t CustomItemOptionsDlgProc(QDialog* dialog, uint32_t message, uintptr_t wparam,
                                                   intptr_t lparam)
{
    return OptionsDialogProc(dialog, message, wparam, lparam);
}
