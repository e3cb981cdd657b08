#pragma once
// The notification daemon as the user's service, so stored alarms are armed
// after a reboot before any desktop starts: a systemd user unit,
// dawnbell-notifyd.service, enabled for the user; where no systemd user manager
// runs, an XDG autostart entry starts the daemon at login instead.
//
// The systemctl program can be replaced with DAWNBELL_SYSTEMCTL (tests).
#include <string>
#include <vector>

namespace dawnbell::install {

class UserService {
public:
    static constexpr const char* kUnitName = "dawnbell-notifyd.service";

    // $XDG_CONFIG_HOME/systemd/user/dawnbell-notifyd.service
    static std::string UnitPath();
    // $XDG_CONFIG_HOME/autostart/dawnbell-notifyd.desktop
    static std::string AutostartPath();
    // True when a systemd user manager answers.
    static bool ManagerRuns();

    // Installs the service for the daemon in `installDir` and starts it (the
    // unit, enabled and started; or the autostart entry). `*report` says what
    // was done or what failed. False when nothing could be installed.
    static bool Install(const std::string& installDir, std::string* report);
    // Stops the daemon of the current device directory (through systemd when it
    // manages it).
    static void Stop();
    // Stops and disables the service and removes the unit and the autostart
    // entry.
    static void Remove(std::string* report);

    // The unit's and the autostart entry's text for the daemon at `daemonPath`;
    // `home` is the device directory to pass on ("" for the default).
    static std::string UnitText(const std::string& daemonPath, const std::string& home);
    static std::string AutostartText(const std::string& daemonPath, const std::string& home);
};

// Runs a program with arguments and waits for it (output discarded). Its exit
// status, or -1 when it could not be run.
int RunAndWait(const std::string& program, const std::vector<std::string>& arguments);

} // namespace dawnbell::install
