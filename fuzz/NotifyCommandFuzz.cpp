// The command line of dawnbell-notify: arguments are the input split at line
// feeds. Any input must parse without a crash; an accepted "add" must carry a
// valid time and an absolute path; a list line must stay one line with exactly
// three tabs whatever the texts hold.
#include "Notify.h"
#include "NotifyCommandLine.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace dawnbell::notify;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    size_t start = 0;
    while (args.size() < 8) {
        const size_t end = input.find('\n', start);
        args.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    const NotifyCommand cmd = ParseNotifyCommand(args);
    if (cmd.verb == NotifyCommand::Invalid && cmd.error.empty())
        std::abort();
    if (cmd.verb == NotifyCommand::Add &&
        (!NotifyTimeIsValid(cmd.at) || cmd.application.empty() || cmd.application[0] != '/'))
        std::abort();
    if (cmd.verb == NotifyCommand::Clear && cmd.handle == 0)
        std::abort();

    dawnbell::clock::LocalTime t;
    if (ParseNotifyTime(input, &t) && !NotifyTimeIsValid(t))
        std::abort();
    uint32_t handle = 0;
    if (ParseNotifyHandle(input, &handle) && handle == 0)
        std::abort();

    const std::string line = FormatNotifyLine(1, t, input, input);
    if (line.find('\n') != std::string::npos || std::count(line.begin(), line.end(), '\t') != 3)
        std::abort();
    return 0;
}
