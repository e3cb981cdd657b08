#pragma once
// The program's log, for what a user needs to know after a silent or odd alarm:
// starts made, playback failures and the fallback sound, missing files, restores
// done after a ringing or a crash, exit signals. Every Qt message (qInfo,
// qWarning, qCritical, qFatal; qDebug too) is appended as one line to
// dawnbell.log in the device directory (mode 0600, rotated at 1 MiB, one old
// file kept), and also written to standard error when that is a terminal.
#include <string>

namespace dawnbell::ProgramLog {

// Installs the Qt message handler. Call once, early in main.
void Install();

// The log file's path ("<device directory>/dawnbell.log").
std::string Path();

} // namespace dawnbell::ProgramLog
