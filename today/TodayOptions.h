#pragma once
// The today item's options dialog (dialog 500): how many rows to show and
// whether the buttons are small. The host creates an empty dialog and runs it;
// this procedure fills it on WM_INITDIALOG and saves and ends it on OK.
#include <QString>

#include <cstdint>

class QDialog;

namespace dawnbell::today {

// Control ids, kept as object names.
enum TodayOptionsId { IdRowsLabel = 1007, IdRowsEdit = 1008, IdRowsUpDown = 1010, IdSmallButtons = 1011, IdDone = 1 };

// The dialog procedure: WM_INITDIALOG builds and fills the controls (answers 1),
// WM_COMMAND with IDOK saves `todayLines` and `todayCompact` and accepts the
// dialog, IDCANCEL rejects it. Other messages answer 0.
intptr_t OptionsDialogProc(QDialog* dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);

// The row count an entry in the rows edit stands for: its first two characters
// read as a number; 0 or no number gives 1, anything above 15 (negative numbers
// included) gives 15.
int RowsFromText(const QString& text);

} // namespace dawnbell::today
