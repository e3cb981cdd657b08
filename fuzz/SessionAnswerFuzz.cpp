// What the service manager and logind answer when the notification service
// looks for the user's display: any bytes as `systemctl show-environment` and
// `loginctl show-session` output, as a `loginctl list-sessions` listing and as
// display names. Nothing may crash; every name read is a variable name, every
// session id keeps to its characters and its bound, and an X display's socket
// is a path under /tmp/.X11-unix or the absolute path it names.
#include "SessionDisplay.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace dawnbell::notify;

namespace {

bool IsName(const std::string& name)
{
    if (name.empty() || name.size() > 256 || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (char c : name) {
        if (!(c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

void CheckDisplay(const std::string& display)
{
    std::string socket;
    if (!XDisplaySocket(display, &socket)) {
        if (!socket.empty())
            std::abort();
        return;
    }
    if (!socket.empty() && socket.compare(0, 16, "/tmp/.X11-unix/X") != 0 && socket[0] != '/')
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const auto& [name, value] : ParseEnvironmentText(input)) {
        if (!IsName(name))
            std::abort();
        CheckDisplay(value);
    }
    const auto ids = SessionsOfUser(input, 1000);
    if (ids.size() > 8)
        std::abort();
    for (const std::string& id : ids) {
        if (id.empty() || id.size() > 32 ||
            id.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") !=
                std::string::npos)
            std::abort();
    }
    CheckDisplay(input);
    return 0;
}
