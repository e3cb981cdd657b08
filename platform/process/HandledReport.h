#pragma once
// How a program started at an alarm time tells the notification service that
// it has taken charge of its command line, so that a start that fails before
// that (no display to open, a crash in the window system's set-up) is told
// apart from one that runs.
//
// The service hands the program one end of a connected Unix stream socket as
// descriptor kHandledFd and names it in the environment variable
// DAWNBELL_HANDLED_FD ("3"). The program writes the single byte kHandledByte
// and closes the descriptor once its command line is in hand: its window runs
// and takes the line, its ringing without a display is under way, or the line
// was handed to an instance that was already running. Until then the service
// takes a non-zero exit or a signal for a failed start. A program that knows
// nothing of the channel (exit status 0, no byte) is not taken for failed.
//
// A socket, not a pipe: the byte is sent with MSG_NOSIGNAL, so a program whose
// service has gone meanwhile gets an error instead of SIGPIPE. The descriptor
// is made close-on-exec and the variable removed as soon as the program starts
// (TakeHandledReport), so nothing the program starts in turn inherits either.
// Plain C++ and POSIX.
namespace dawnbell::process {

constexpr const char* kHandledFdVariable = "DAWNBELL_HANDLED_FD";
constexpr int kHandledFd = 3;
constexpr char kHandledByte = 'h';

// Program side, first thing at process entry: takes the descriptor named by
// DAWNBELL_HANDLED_FD when it is an open socket, makes it close-on-exec and
// removes the variable. Nothing when no channel was handed over.
void TakeHandledReport();

// Program side: sends the report once and closes the channel. Safe to call any
// number of times and from any thread; nothing when there is no channel.
void ReportHandled();

} // namespace dawnbell::process
