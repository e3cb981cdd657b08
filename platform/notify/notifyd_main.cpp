// dawnbell-notifyd: the notification service (see NotifyDaemon.h).
#include "NotifyDaemon.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        std::fprintf(help ? stdout : stderr,
                     "Usage: dawnbell-notifyd\n"
                     "Serves the time notifications of the device directory ($DAWNBELL_HOME):\n"
                     "starts each record's application when it is due. One service runs per\n"
                     "device directory; a second one ends at once (exit code 3).\n");
        return help ? 0 : 2;
    }
    dawnbell::notify::NotifyDaemon daemon;
    return daemon.Run();
}
