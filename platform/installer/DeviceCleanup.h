#pragma once
// What a removal of Dawnbell leaves behind once its data is gone, and that may
// go with it: the alarm store and the notification store when they hold nothing
// any more and no other program has them open, the lock file of the stopped
// alarm service, and socket files in the runtime folder that nobody listens on.
//
// Nothing of the user's is among them: a store that still holds any value
// (another program's keys, an alarm written since, a notification of another
// program, a missed alarm) stays, and so does a store or socket in use.
#include <string>
#include <vector>

namespace dawnbell::install {

class DeviceCleanup {
public:
    // Deletes what is described above. `*removed` gets "removed PATH" lines,
    // `*kept` "kept PATH: why" lines for an emptied store that is still open.
    // Closes this process's connections to both stores first: nothing may use
    // them afterwards (a later use would create them again).
    static void Run(std::vector<std::string>* removed, std::vector<std::string>* kept);

    // Whether the alarm store holds no value in either hive, apart from the two
    // resuming power time-outs at their default of 15 seconds (the values the
    // removal itself sets back).
    static bool RegistryEmptied();
    // Whether the notification store holds no notification, missed alarm or
    // note of a damaged store set aside.
    static bool NotificationsEmptied();
    // Whether the Unix socket file `path` has nobody listening (a connection is
    // refused); false when that cannot be told.
    static bool SocketIsStale(const std::string& path);
};

} // namespace dawnbell::install
