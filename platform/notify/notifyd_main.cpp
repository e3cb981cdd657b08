// dawnbell-notifyd: the notification service (see NotifyDaemon.h).
#include "NotifyDaemon.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: dawnbell-notifyd [--help | --version]\n"
    "Serves the time notifications of the device directory ($DAWNBELL_HOME):\n"
    "starts each record's application when it is due. One service runs per\n"
    "device directory; a second one ends at once (exit code 3).\n"
    "Exit status: 0 ended normally, 1 failed (see notifyd.log in the device\n"
    "directory), 2 usage error, 3 another service runs.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        const bool alone = argc == 2;
        if (alone && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (alone && std::strcmp(argv[1], "--version") == 0) {
            std::printf("dawnbell-notifyd %s\n", DAWNBELL_VERSION);
            return 0;
        }
        std::fprintf(stderr, "dawnbell-notifyd: unexpected argument \"%s\"\n%s", argv[alone ? 1 : 2], kUsage);
        return 2;
    }
    dawnbell::notify::NotifyDaemon daemon;
    return daemon.Run();
}
