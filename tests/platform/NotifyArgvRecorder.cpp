// A program for the notification tests: appends one line describing its
// arguments to the file named by NOTIFY_ARGV_FILE, in a form that keeps every
// byte: "<count>" then ";<length>:<bytes>" per argument. One write per run, with
// O_APPEND, so concurrent runs never interleave.
//
// When NOTIFY_ENV_FILE is set it also appends one line with the session
// variables it was given, "NAME=value" for each one set, tab-separated, in the
// order DISPLAY, WAYLAND_DISPLAY, XDG_SESSION_TYPE, DBUS_SESSION_BUS_ADDRESS,
// XAUTHORITY, QT_QPA_PLATFORM, DAWNBELL_DUE.
//
// NOTIFY_ARGV_MODE makes it behave like a program that starts well or badly
// ("with a display": DISPLAY or WAYLAND_DISPLAY is set):
//   (unset)              reports that it handled its command line, exits 0
//   silent               exits 0 without reporting
//   fail-with-display    with a display: a line on standard error, exit 1;
//                        without one: reports, exits 0
//   abort-with-display   likewise, but ends through SIGABRT
//   hang-with-display    with a display: hangs (60 s) without reporting
//   fail-always          a line on standard error, exit 1
//   report-then-fail     reports, then exits 3
//   report-then-hang     reports, then runs on for 60 s
#include "HandledReport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool AppendLine(const char* file, const std::string& line)
{
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return ok;
}

void Say(const char* text)
{
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, std::strlen(text));
}

} // namespace

int main(int argc, char** argv)
{
    dawnbell::process::TakeHandledReport();
    const char* file = std::getenv("NOTIFY_ARGV_FILE");
    if (!file)
        return 1;
    std::string line = std::to_string(argc - 1);
    for (int i = 1; i < argc; ++i)
        line += ";" + std::to_string(std::strlen(argv[i])) + ":" + argv[i];
    line += "\n";
    if (!AppendLine(file, line))
        return 1;
    if (const char* envFile = std::getenv("NOTIFY_ENV_FILE")) {
        std::string values;
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DBUS_SESSION_BUS_ADDRESS",
                                 "XAUTHORITY", "QT_QPA_PLATFORM", "DAWNBELL_DUE"}) {
            if (const char* v = std::getenv(name))
                values += (values.empty() ? "" : "\t") + std::string(name) + "=" + v;
        }
        if (!AppendLine(envFile, values + "\n"))
            return 1;
    }

    const std::string mode = std::getenv("NOTIFY_ARGV_MODE") ? std::getenv("NOTIFY_ARGV_MODE") : "";
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (mode == "silent")
        return 0;
    if (mode == "fail-always" || (mode == "fail-with-display" && display)) {
        Say("recorder: warming up\nrecorder: cannot open the display\n");
        return 1;
    }
    if (mode == "abort-with-display" && display) {
        Say("recorder: giving up\n");
        const struct rlimit none = {0, 0};
        ::setrlimit(RLIMIT_CORE, &none); // no core file left behind
        std::abort();
    }
    if (mode == "hang-with-display" && display) {
        ::sleep(60);
        return 0;
    }
    dawnbell::process::ReportHandled();
    if (mode == "report-then-fail")
        return 3;
    if (mode == "report-then-hang")
        ::sleep(60);
    return 0;
}
