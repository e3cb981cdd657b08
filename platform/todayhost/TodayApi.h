#pragma once
// The today screen's interface to its custom items: the item record the host
// keeps for each item, the two entry points an item library exports, and the
// messages host and item exchange. Messages travel as TodayEvent, sent
// synchronously with QCoreApplication::sendEvent; the receiver puts its answer
// in `result`. Numbers are the classic today screen's.
//
// An item library exports, as extern "C":
//   QWidget* InitializeCustomItem(TodayListItem* item, QWidget* parent);     (ordinal 240)
//   intptr_t CustomItemOptionsDlgProc(QDialog* dialog, uint32_t message,
//                                     uintptr_t wparam, intptr_t lparam);     (ordinal 241)
// The host calls the first once per item record and keeps the returned child
// window of `parent`; it opens the options by creating an empty dialog, calling
// the second with WM_INITDIALOG (lparam = the item record) and running the
// dialog; the procedure builds its controls and ends the dialog itself.
#include <QEvent>
#include <QRect>

#include <cstdint>

class QDialog;
class QPainter;
class QWidget;

namespace dawnbell::today {

// Registry: HKEY_LOCAL_MACHINE, one subkey per item below this key, with the
// values "DLL" (REG_SZ, the library's full path), "Enabled" (DWORD, 0 = not
// shown), "Options" (DWORD, 1 = the item has an options dialog), "Order" (DWORD,
// position on the screen), "Type" (DWORD, 4 = custom item) and "Selectability"
// (DWORD, 2 = the item handles its own selection).
constexpr const char kItemsKey[] = "SOFTWARE\\Microsoft\\Today\\Items";
// The named event the host sets once it is ready to serve its items.
constexpr const char kShellReadyEvent[] = "SYSTEM/ShellAPIReady";

// Item types.
constexpr uint32_t kTodayItemCustom = 4;

// The host's record of one item. The item sets `height` (logical pixels) when it
// answers a refresh query; 0 means "not known yet", and the host resets it to 0
// whenever it reloads its items.
struct TodayListItem {
    char name[64] = {};        // subkey name, e.g. "Dawnbell"
    uint32_t type = kTodayItemCustom;
    uint32_t height = 0;       // logical pixels; 0 = not set yet
    uint32_t enabled = 0;      // "Enabled"
    uint32_t options = 0;      // "Options": has an options dialog
    uint32_t selectability = 0;// "Selectability"
    char libraryPath[4096] = {}; // "DLL"
    void* library = nullptr;   // the loaded library (dlopen handle)
    QWidget* window = nullptr; // the item's window, a child of the host
};

// Messages from the host to an item's window.
enum TodayItemMessage : uint32_t {
    WM_TODAYCUSTOM_CLEARCACHE = 1266,         // not sent by this host
    WM_TODAYCUSTOM_QUERYREFRESHCACHE = 1267,  // wparam = TodayListItem*; result: repaint needed
    WM_TODAYCUSTOM_RECEIVEDSELECTION = 1268,  // wparam = virtual key that moved the selection; result: item takes it
    WM_TODAYCUSTOM_LOSTSELECTION = 1269,
    WM_TODAYCUSTOM_USERNAVIGATION = 1270,     // wparam = virtual key; result: the item used the key
    WM_TODAYCUSTOM_ACTION = 1271,             // the action key was pressed on the selected item
};

// Messages from an item's window to the host (its parent window).
enum TodayHostMessage : uint32_t {
    TODAYM_GETCOLOR = 1124,        // wparam = colour index; result = 0x00BBGGRR
    TODAYM_DRAWWATERMARK = 1125,   // lparam = TodayDrawWatermarkInfo*; the host paints its background
};

// Colour indices of TODAYM_GETCOLOR.
constexpr uint32_t TODAYCOLOR_TEXT = 0x10000004;
constexpr uint32_t TODAYCOLOR_HIGHLIGHT = 0x10000022;
constexpr uint32_t TODAYCOLOR_HIGHLIGHTEDTEXT = 0x10000023;

// Virtual keys the host passes on.
enum TodayVirtualKey : uint32_t { VK_RETURN = 13, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40 };

// Dialog messages for the options procedure, and its command ids.
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uintptr_t IDOK = 1;
constexpr uintptr_t IDCANCEL = 2;

// What TODAYM_DRAWWATERMARK paints: the host's background behind `rect` of
// `window`, with `painter` open on that window.
struct TodayDrawWatermarkInfo {
    QPainter* painter = nullptr;
    QRect rect;
    QWidget* window = nullptr;
};

// A today message.
class TodayEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::Type(QEvent::User + 1267);

    TodayEvent(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0)
        : QEvent(kType), message(message), wparam(wparam), lparam(lparam)
    {
    }

    uint32_t message; // TodayItemMessage or TodayHostMessage
    uintptr_t wparam;
    intptr_t lparam;
    intptr_t result = 0; // the receiver's answer
};

// The entry points, as the host looks them up.
using InitializeCustomItemFn = QWidget* (*)(TodayListItem* item, QWidget* parent);
using CustomItemOptionsDlgProcFn = intptr_t (*)(QDialog* dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
constexpr const char kInitializeCustomItemName[] = "InitializeCustomItem";
constexpr const char kOptionsDlgProcName[] = "CustomItemOptionsDlgProc";

} // namespace dawnbell::today
