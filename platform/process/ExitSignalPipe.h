#pragma once
// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP: logout,
// shutdown, kill, Ctrl+C) routed into a pipe, so the program's event loop can
// handle them like any other input. The handler only writes the signal number
// as one byte into the pipe (async-signal-safe); everything else happens when
// the loop reads it. Plain C++ and POSIX; no Qt.
namespace dawnbell::process {

// Installs the handlers once per process (SA_RESTART) and returns the pipe's
// read end (non-blocking, close-on-exec); -1 when the pipe cannot be made, in
// which case the signals keep their default action. Later calls return the same
// descriptor.
int InstallExitSignalPipe();

// Reads one signal number from the pipe; 0 when none is pending.
int ReadExitSignal();

// The name of an exit signal ("SIGTERM", "SIGINT", "SIGHUP"); "signal N" otherwise.
const char* ExitSignalName(int signo);

} // namespace dawnbell::process
