// dawnbell-notify: lists, adds and clears time notifications from the shell.
#include "Notify.h"
#include "NotifyCommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace dawnbell::notify;

namespace {

// Tells of every damaged store the service moved aside that no rebuild of the
// schedule has answered yet (one line each on standard error). True when there
// was one: alarms may then be missing from the records.
bool TellSetAside()
{
    std::vector<SetAsideNote> notes;
    if (NotifySetAsideNotes(&notes) != NotifyOk) {
        std::fprintf(stderr, "dawnbell-notify: cannot read the notes of the notification service\n");
        return false;
    }
    for (const SetAsideNote& n : notes)
        std::fprintf(stderr,
                     "dawnbell-notify: the notification store was damaged and set aside as %s at %s; the schedule "
                     "has not been rebuilt from the alarms since, so alarms may be missing (see notifyd.log; "
                     "starting Dawnbell rebuilds it)\n",
                     EscapeNotifyText(n.copy).c_str(), EscapeNotifyText(n.at).c_str());
    return !notes.empty();
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const NotifyCommand cmd = ParseNotifyCommand(args);
    switch (cmd.verb) {
    case NotifyCommand::Invalid:
        std::fprintf(stderr, "dawnbell-notify: %s\n%s", cmd.error.c_str(), NotifyUsage());
        return 2;
    case NotifyCommand::Help:
        std::fputs(NotifyUsage(), stdout);
        return 0;
    case NotifyCommand::Version:
        std::printf("dawnbell-notify %s\n", DAWNBELL_VERSION);
        return 0;
    case NotifyCommand::List: {
        std::vector<NotifyRecord> records;
        if (NotifyList(&records) != NotifyOk) {
            std::fprintf(stderr, "dawnbell-notify: cannot read the notifications\n");
            return 1;
        }
        for (const NotifyRecord& r : records) {
            const std::string line =
                FormatNotifyLine(r.handle, r.trigger.start, r.trigger.application, r.trigger.arguments);
            std::printf("%s\n", line.c_str());
        }
        // The list is not the whole schedule until a rebuild has answered the damage.
        return TellSetAside() ? 1 : 0;
    }
    case NotifyCommand::Add: {
        NotifyTrigger t;
        t.application = cmd.application;
        t.arguments = cmd.arguments;
        t.start = cmd.at;
        t.end = cmd.at;
        const uint32_t handle = NotifySetTime(t);
        if (handle == 0) {
            std::fprintf(stderr, "dawnbell-notify: the notification could not be stored\n");
            return 1;
        }
        std::printf("%u\n", handle);
        TellSetAside();
        return 0;
    }
    case NotifyCommand::Clear: {
        const NotifyResult rc = NotifyClear(cmd.handle);
        if (rc == NotifyNotFound) {
            std::fprintf(stderr, "dawnbell-notify: no notification %u\n", cmd.handle);
            return 1;
        }
        if (rc != NotifyOk) {
            std::fprintf(stderr, "dawnbell-notify: cannot clear notification %u\n", cmd.handle);
            return 1;
        }
        TellSetAside();
        return 0;
    }
    }
    return 2;
}
