#pragma once
// A bound on how long the end of a process may take.
//
// Once a program has stored and restored everything, what is left of its end
// (library teardown, static destructors) must not keep it alive: a process
// that hangs there still holds its instance lock, so the next alarm start
// would hand its command line to a program that never answers. Qt 6.4's
// Wayland client can do exactly that: its display teardown waits for an event
// thread that waits for a reader that never comes.
#include <string>

namespace dawnbell {

// Ends the process with `code` (through _exit: no further destructors, buffered
// standard streams flushed first) when it has not ended on its own within
// `seconds`, saying so on standard error and in the log file at `logPath`
// (none when empty). Returns at once; a process that ends in time is not
// affected.
void ArmExitDeadline(int seconds, int code, const std::string& logPath);

} // namespace dawnbell
