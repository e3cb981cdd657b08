#pragma once
// Starting other programs detached from the caller.
//
// A started program runs in its own session (setsid), with standard input from
// /dev/null, standard output and error inherited (no other descriptor of the
// caller), the caller's environment, an empty signal mask and default signal
// dispositions. It is never a child of the
// caller (an intermediate process is reaped at once), so nobody has to wait for it
// and it survives the caller. No shell is involved: every argument reaches the
// program exactly as given, without word splitting or quoting rules.
#include <string>
#include <sys/types.h>
#include <vector>

namespace dawnbell::process {

// Optional settings of a start.
struct SpawnOptions {
    // When set, standard output goes to /dev/null and standard error to this file
    // (created with mode 0600, truncated; "/dev/null" discards it), so a long-lived
    // program does not keep the caller's terminal or pipe open.
    std::string logFile;
    // When above 0, the start waits up to this many milliseconds for the
    // program to end. An opener such as xdg-open that cannot open a document
    // ends at once with a non-zero status; one still running then is taken as
    // started and left to run, detached as always.
    int watchMs = 0;
    // With watchMs: receives the program's wait status when it ended within
    // that time, else -1.
    int* endStatus = nullptr;
};

// Starts `program` with the given arguments (argv[0] is `program` itself).
// `program` is an absolute path, or a bare name looked up in PATH.
// Returns 0 when the program was executed, else an errno value (ENOENT, EACCES,
// ENOEXEC, ...); `pid`, when given, receives the started process id.
int SpawnDetachedArgs(const std::string& program, const std::vector<std::string>& arguments,
                      pid_t* pid = nullptr, const SpawnOptions& options = SpawnOptions());

// True when process `pid` exists and runs the executable `program` (the path
// /proc/<pid>/exe names, e.g. ProgramPath() for "another copy of this program").
// False for pid <= 0, for a process that has ended, and when the process cannot
// be looked at.
bool RunsProgram(pid_t pid, const std::string& program);

// Starts `program` with exactly one argument, or with none when `argument` is
// empty. Same results as SpawnDetachedArgs.
int SpawnDetached(const std::string& program, const std::string& argument, pid_t* pid = nullptr);

// Runs `program` (an absolute path, or a bare name looked up in PATH) with
// `arguments` and the caller's environment, and collects what it writes to
// standard output (at most `maxBytes`; standard input and error on /dev/null).
// It runs in its own process group; when it has not ended within `timeoutMs`
// the whole group is killed. Returns 0 when it ran to its end (`*status`, when
// given, is then its wait status), ETIMEDOUT when it was killed, or the errno
// value of a start that failed. Blocks the caller for at most about `timeoutMs`.
int RunForOutput(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs,
                 size_t maxBytes, std::string* output, int* status = nullptr);

} // namespace dawnbell::process
