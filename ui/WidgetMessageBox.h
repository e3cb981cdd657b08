#pragma once
// Message boxes drawn as dialogs, for the programs that have windows. Installed
// once at start; ShowMessageBox (platform/shell) then shows its boxes this way.
#include "MessageBox.h"

class QMessageBox;

namespace dawnbell {

// Gives `box` the caption, text, icon and buttons of a box ShowMessageBox shows,
// with the button Enter presses: Yes for YesNo and YesNoCancel, No for YesNoSafe
// (whose Yes deletes or replaces something of the user's), OK otherwise. The
// buttons read Yes, No, OK and Cancel in the program's language (texts 15, 16,
// 24, 25).
void PrepareMessageBox(QMessageBox* box, const QString& text, const QString& caption, MsgButtons buttons,
                       MsgIcon icon);

// Makes ShowMessageBox draw a QMessageBox when a QApplication runs on a real
// window system; on the offscreen and minimal platforms, and without a
// QApplication, boxes keep going to stderr with their safe default answer.
void InstallWidgetMessageBox();

} // namespace dawnbell
