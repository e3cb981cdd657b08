#pragma once
// The user's graphical session for a program started at an alarm time.
//
// A service started before the desktop (the systemd user unit at login) or from
// a shell without a display has no display of its own; the session running when
// an alarm falls due has one. So the display is looked up at each start, from
// three sources in this order:
//  1. the user service manager's environment (`systemctl --user
//     show-environment`), where desktop sessions export WAYLAND_DISPLAY,
//     DISPLAY, XDG_SESSION_TYPE, DBUS_SESSION_BUS_ADDRESS and XAUTHORITY;
//  2. logind's sessions of this user (`loginctl list-sessions`, `loginctl
//     show-session`): a local graphical session, the active one first, with its
//     X display, or for a Wayland session the lowest wayland-N socket in the
//     runtime directory (and the session bus there);
//  3. the service's own environment.
// A display whose socket is gone (/tmp/.X11-unix/XN, a Wayland socket) is passed
// over, and so is a source that does not answer within kAskTimeoutMs. A network
// X display (host:N) cannot be checked and is taken as named. The programs asked
// are replaced by DAWNBELL_SYSTEMCTL and DAWNBELL_LOGINCTL when set (tests).
// Plain C++ and POSIX; no D-Bus library.
#include <map>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace dawnbell::notify {

// Longest wait for one answer of the service manager or logind (ms).
constexpr int kAskTimeoutMs = 2000;

struct SessionDisplay {
    enum Source { FromManager, FromLogind, FromOwnEnvironment, NoDisplay };
    Source source = NoDisplay;
    // Where it was found, for the log: "the service manager's environment",
    // "logind session 7 (wayland)", "the service's own environment"; empty for NoDisplay.
    std::string origin;
    // The session's variables for the program, in the order set (name, value):
    // DISPLAY and/or WAYLAND_DISPLAY, and what else the source names of
    // XDG_SESSION_TYPE, DBUS_SESSION_BUS_ADDRESS and XAUTHORITY.
    std::vector<std::pair<std::string, std::string>> variables;
    // One line per source or display passed over, and why.
    std::vector<std::string> passedOver;

    // The value of `name` among the variables; empty when not set.
    std::string Value(const std::string& name) const;
    // For the log: "on WAYLAND_DISPLAY=wayland-0 from the service manager's
    // environment", or "without a display: none of the service manager,
    // logind and the service's own environment names one that exists".
    std::string Describe() const;
};

// Looks up the session now, asking the service manager and logind with a
// bounded wait each. Blocks for at most a few times kAskTimeoutMs.
SessionDisplay FindSessionDisplay();

// `base` ("NAME=value" entries, e.g. the service's own environment) for a
// program started in `session`: DISPLAY and WAYLAND_DISPLAY are always replaced
// by the session's (removed when it has none), the other session variables
// replaced where the session names them.
std::vector<std::string> SessionEnvironment(const std::vector<std::string>& base, const SessionDisplay& session);

// `base` for a program that is to run without a display: DISPLAY,
// WAYLAND_DISPLAY and QT_QPA_PLATFORM removed.
std::vector<std::string> HeadlessEnvironment(const std::vector<std::string>& base);

// Whether the environment `env` names a display (DISPLAY or WAYLAND_DISPLAY) or
// a Qt platform (QT_QPA_PLATFORM).
bool NamesDisplay(const std::vector<std::string>& env);

// The value of one "NAME=value" line of `systemctl show-environment` output:
// plain, or quoted as $'...' with C-style escapes. False for a line that is not
// NAME=value.
bool ParseEnvironmentLine(const std::string& line, std::string* name, std::string* value);

// The "NAME=value" lines of `text` (`systemctl show-environment`, `loginctl
// show-session` output) by name; a later line replaces an earlier one, lines
// that are not NAME=value are skipped.
std::map<std::string, std::string> ParseEnvironmentText(const std::string& text);

// The session ids of user `uid` in `loginctl list-sessions --no-legend` output
// (columns SESSION UID USER ...), in the order listed, at most 8; ids are
// letters, digits, '_' and '-' only (up to 32), other lines are skipped.
std::vector<std::string> SessionsOfUser(const std::string& list, uid_t uid);

// The socket of X display `display` (":N", ":N.S", "unix:N", "/path:N"):
// its path, or empty for a network display whose socket cannot be checked.
// False when `display` is no X display name at all.
bool XDisplaySocket(const std::string& display, std::string* socketPath);

} // namespace dawnbell::notify
