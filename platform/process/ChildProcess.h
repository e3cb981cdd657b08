#pragma once
// A program started as a child of the caller and watched without blocking.
//
// The caller adds the descriptors AddPollFds offers to its own poll() and calls
// Update after every wake-up; Update reads what the program wrote and reaps it
// once it has ended. Where the kernel offers no process descriptor (before
// Linux 5.3) the end is not signalled: the caller then polls at short intervals
// (EndIsSignalled() is false).
//
// The program runs in its own session (so it is the leader of its own process
// group), with an empty signal mask and every signal at its default action,
// standard input and output on /dev/null, and exactly the environment given.
// Its standard error goes to a descriptor of the caller's choosing, or into a
// pipe whose text is kept (bounded) for the caller's log. Optionally it is
// handed the report channel of HandledReport.h, through which it says that it
// has taken charge of its command line. Every descriptor of the caller is
// expected to be close-on-exec; none but these is handed on.
//
// Destroying a ChildProcess neither kills nor waits for the program: one still
// running is inherited by the system's reaper when the caller ends.
// Plain C++ and POSIX.
#include <cstddef>
#include <poll.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dawnbell::process {

class ChildProcess {
public:
    // How much captured standard error is kept (bytes; the first ones).
    static constexpr size_t kMaxErrorBytes = 2048;

    struct Setup {
        // The program's whole environment, "NAME=value" entries. A
        // DAWNBELL_HANDLED_FD entry is dropped (the channel is ours to hand).
        std::vector<std::string> environment;
        // Standard error: this open descriptor, or -1 to capture it through a
        // pipe (ErrorText).
        int errorFd = -1;
        // Hands the program the report channel (HandledReport.h).
        bool reportChannel = false;
    };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (an absolute path) with `arguments` (argv[0] is the
    // program itself). 0 when the program was executed, else an errno value
    // (then nothing runs). Only once per object.
    int Start(const std::string& program, const std::vector<std::string>& arguments, const Setup& setup);

    pid_t Pid() const { return pid_; }
    // Started and not yet reaped.
    bool Running() const { return pid_ > 0 && !ended_; }
    // The program said through the report channel that it has taken charge.
    bool Reported() const { return reported_; }
    // Reaped; Status() is then its wait status.
    bool Ended() const { return ended_; }
    int Status() const { return status_; }
    // True when the program ended with exit status 0.
    bool Succeeded() const;
    // What it wrote to a captured standard error so far (at most kMaxErrorBytes).
    const std::string& ErrorText() const { return errorText_; }
    // Whether the end of the program wakes poll() (a process descriptor exists).
    bool EndIsSignalled() const { return pidFd_ >= 0; }

    // Appends the descriptors that become readable when there is news (output,
    // the report, the end).
    void AddPollFds(std::vector<struct pollfd>* fds) const;
    // Reads the captured output and the report channel and reaps the program if
    // it has ended. True once it has ended.
    bool Update();
    // Ends the program and its process group at once (SIGKILL) and reaps it.
    void Kill();

private:
    void CloseAll();

    pid_t pid_ = -1;
    int pidFd_ = -1;     // readable once the program ends; -1 without kernel support
    int errorPipe_ = -1; // read end of a captured standard error, -1 once closed
    int reportFd_ = -1;  // our end of the report channel, -1 once closed
    bool reported_ = false;
    bool ended_ = false;
    int status_ = 0;
    std::string errorText_;
};

// How a wait status ended, for logs: "exit status 1", "signal 6 (SIGABRT)".
std::string EndText(int status);

} // namespace dawnbell::process
