#pragma once
// Message boxes drawn as dialogs, for the programs that have windows. Installed
// once at start; ShowMessageBox (platform/shell) then shows its boxes this way.
namespace dawnbell {

// Makes ShowMessageBox draw a QMessageBox when a QApplication runs on a real
// window system; on the offscreen and minimal platforms, and without a
// QApplication, boxes keep going to stderr with their safe default answer.
void InstallWidgetMessageBox();

} // namespace dawnbell
