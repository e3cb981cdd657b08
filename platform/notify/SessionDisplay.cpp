#include "SessionDisplay.h"

#include "ChildProcess.h"
#include "Process.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dawnbell::notify {

namespace {

constexpr size_t kMaxAnswerBytes = 64 * 1024; // more than any real environment or session list
constexpr int kMaxSessions = 8;               // sessions of the user looked at
constexpr int kLogindBudgetMs = 2 * kAskTimeoutMs; // all of logind's answers together
constexpr const char* kManagerName = "the service manager";
constexpr const char* kOwnName = "the service's own environment";

using Values = std::map<std::string, std::string>;

// The value of `name` in `values`; empty when absent.
std::string Get(const Values& values, const char* name)
{
    const auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

std::string OwnEnv(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// The program to ask: the override in `variable` when set, else `fallback` from PATH.
std::string Tool(const char* variable, const char* fallback)
{
    const std::string custom = OwnEnv(variable);
    return custom.empty() ? std::string(fallback) : custom;
}

bool IsSocket(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// The runtime directory a source's Wayland socket and session bus live in: the
// source's own XDG_RUNTIME_DIR when it names an absolute one, else ours, else
// the usual /run/user/UID.
std::string RuntimeDirOf(const Values& source)
{
    for (const std::string& dir : {Get(source, "XDG_RUNTIME_DIR"), OwnEnv("XDG_RUNTIME_DIR")}) {
        if (!dir.empty() && dir[0] == '/')
            return dir;
    }
    return "/run/user/" + std::to_string(::getuid());
}

int64_t MonotonicMs()
{
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Runs `program args` for `who`, bounded by `timeoutMs`. True with its standard
// output when it ended with status 0; otherwise `*why` says what went wrong.
bool Ask(const char* who, const std::string& program, const std::vector<std::string>& args, int timeoutMs,
         std::string* out, std::string* why)
{
    int status = 0;
    const int rc = process::RunForOutput(program, args, std::max(timeoutMs, 1), kMaxAnswerBytes, out, &status);
    if (rc == ETIMEDOUT) {
        *why = std::string(who) + " (" + program + ") did not answer within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    if (rc != 0) {
        *why = std::string(who) + " cannot be asked (" + program + ": " + std::strerror(rc) + ")";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *why = std::string(who) + " (" + program + ") answered with " + process::EndText(status);
        return false;
    }
    return true;
}

} // namespace

std::map<std::string, std::string> ParseEnvironmentText(const std::string& text)
{
    std::map<std::string, std::string> values;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string name, value;
        if (ParseEnvironmentLine(text.substr(pos, end - pos), &name, &value))
            values[name] = value;
        pos = end + 1;
    }
    return values;
}

std::vector<std::string> SessionsOfUser(const std::string& list, uid_t uid)
{
    std::vector<std::string> ids;
    size_t pos = 0;
    while (pos < list.size() && ids.size() < static_cast<size_t>(kMaxSessions)) {
        size_t end = list.find('\n', pos);
        if (end == std::string::npos)
            end = list.size();
        const std::string line = list.substr(pos, end - pos);
        pos = end + 1;
        std::vector<std::string> words;
        size_t w = 0;
        while (words.size() < 2) {
            w = line.find_first_not_of(" \t", w);
            if (w == std::string::npos)
                break;
            const size_t e = line.find_first_of(" \t", w);
            words.push_back(line.substr(w, e == std::string::npos ? std::string::npos : e - w));
            w = e;
        }
        const bool idOk = words.size() == 2 && !words[0].empty() && words[0].size() <= 32 &&
                          words[0].find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") ==
                              std::string::npos;
        if (idOk && words[1] == std::to_string(uid))
            ids.push_back(words[0]);
    }
    return ids;
}

namespace {

void Set(SessionDisplay* session, const std::string& name, const std::string& value)
{
    for (auto& v : session->variables) {
        if (v.first == name) {
            v.second = value;
            return;
        }
    }
    session->variables.emplace_back(name, value);
}

// Takes the displays `source` names whose sockets exist into `session`, noting
// each one passed over under the name `who`. True when one was taken.
bool TakeDisplays(const std::string& who, const Values& source, SessionDisplay* session)
{
    bool taken = false;
    const auto wayland = source.find("WAYLAND_DISPLAY");
    if (wayland != source.end() && !wayland->second.empty()) {
        const std::string& name = wayland->second;
        const std::string socket = name[0] == '/' ? name : RuntimeDirOf(source) + "/" + name;
        if (IsSocket(socket)) {
            Set(session, "WAYLAND_DISPLAY", name);
            taken = true;
        } else {
            session->passedOver.push_back(who + " names WAYLAND_DISPLAY=" + name + ", whose socket " + socket +
                                          " is gone: passed over");
        }
    }
    const auto x = source.find("DISPLAY");
    if (x != source.end() && !x->second.empty()) {
        std::string socket;
        if (!XDisplaySocket(x->second, &socket)) {
            session->passedOver.push_back(who + " names DISPLAY=" + x->second + ", which is no X display: passed over");
        } else if (socket.empty() || IsSocket(socket)) {
            Set(session, "DISPLAY", x->second);
            taken = true;
        } else {
            session->passedOver.push_back(who + " names DISPLAY=" + x->second + ", whose socket " + socket +
                                          " is gone: passed over");
        }
    }
    return taken;
}

// The session type that goes with the displays taken.
void SetSessionType(SessionDisplay* session)
{
    Set(session, "XDG_SESSION_TYPE", session->Value("WAYLAND_DISPLAY").empty() ? "x11" : "wayland");
}

bool FromManager(SessionDisplay* session)
{
    std::string out, why;
    if (!Ask(kManagerName, Tool("DAWNBELL_SYSTEMCTL", "systemctl"), {"--user", "show-environment"}, kAskTimeoutMs,
             &out, &why)) {
        session->passedOver.push_back(why);
        return false;
    }
    const Values values = ParseEnvironmentText(out);
    const std::string who = std::string(kManagerName) + "'s environment";
    if (!TakeDisplays(who, values, session)) {
        if (!values.count("DISPLAY") && !values.count("WAYLAND_DISPLAY"))
            session->passedOver.push_back(who + " names no display");
        return false;
    }
    SetSessionType(session);
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY"}) {
        const auto it = values.find(name);
        if (it != values.end() && !it->second.empty())
            Set(session, name, it->second);
    }
    session->source = SessionDisplay::FromManager;
    session->origin = who;
    return true;
}

// The lowest wayland-N socket in `dir`; empty when none.
std::string LowestWaylandSocket(const std::string& dir)
{
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return std::string();
    long best = LONG_MAX;
    std::string found;
    while (const struct dirent* e = ::readdir(d)) {
        const char* name = e->d_name;
        if (std::strncmp(name, "wayland-", 8) != 0 || name[8] < '0' || name[8] > '9' || std::strlen(name) > 16)
            continue;
        char* end = nullptr;
        const long n = std::strtol(name + 8, &end, 10);
        if (*end != '\0' || n >= best || !IsSocket(dir + "/" + name))
            continue;
        best = n;
        found = name;
    }
    ::closedir(d);
    return found;
}

bool FromLogind(SessionDisplay* session)
{
    const std::string loginctl = Tool("DAWNBELL_LOGINCTL", "loginctl");
    const int64_t deadline = MonotonicMs() + kLogindBudgetMs;
    auto left = [&] { return static_cast<int>(std::min<int64_t>(kAskTimeoutMs, deadline - MonotonicMs())); };
    std::string list, why;
    if (!Ask("logind", loginctl, {"list-sessions", "--no-legend", "--no-pager"}, left(), &list, &why)) {
        session->passedOver.push_back(why);
        return false;
    }
    const std::string runtime = RuntimeDirOf(Values());
    // Local graphical sessions, the active ones first, each in the order listed.
    struct Found {
        std::string id;
        Values props;
    };
    std::vector<Found> graphical;
    for (const std::string& id : SessionsOfUser(list, ::getuid())) {
        if (left() <= 0) {
            session->passedOver.push_back("logind did not answer for all sessions within " +
                                          std::to_string(kLogindBudgetMs) + " ms");
            break;
        }
        std::string out;
        if (!Ask("logind", loginctl,
                 {"show-session", id, "-p", "Type", "-p", "Display", "-p", "Active", "-p", "Remote", "-p", "State",
                  "--no-pager"},
                 left(), &out, &why)) {
            session->passedOver.push_back(why);
            continue;
        }
        Values props = ParseEnvironmentText(out);
        const std::string type = Get(props, "Type");
        if ((type != "x11" && type != "wayland") || Get(props, "Remote") == "yes" || Get(props, "State") == "closing")
            continue;
        graphical.push_back({id, std::move(props)});
    }
    std::stable_partition(graphical.begin(), graphical.end(),
                          [](const Found& f) { return Get(f.props, "Active") == "yes"; });
    for (const Found& f : graphical) {
        const std::string type = Get(f.props, "Type");
        const std::string who = "logind session " + f.id + " (" + type + ")";
        Values displays;
        displays["DISPLAY"] = Get(f.props, "Display");
        if (type == "wayland") {
            displays["WAYLAND_DISPLAY"] = LowestWaylandSocket(runtime);
            if (displays["WAYLAND_DISPLAY"].empty()) {
                session->passedOver.push_back(who + ": no wayland-N socket in " + runtime + ": passed over");
                continue;
            }
        }
        if (!TakeDisplays(who, displays, session)) {
            if (displays["DISPLAY"].empty())
                session->passedOver.push_back(who + " names no display: passed over");
            continue;
        }
        SetSessionType(session);
        if (IsSocket(runtime + "/bus"))
            Set(session, "DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime + "/bus");
        struct stat st;
        if (OwnEnv("XAUTHORITY").empty() && !session->Value("DISPLAY").empty() &&
            ::stat((runtime + "/gdm/Xauthority").c_str(), &st) == 0 && S_ISREG(st.st_mode))
            Set(session, "XAUTHORITY", runtime + "/gdm/Xauthority"); // where GDM keeps it
        session->source = SessionDisplay::FromLogind;
        session->origin = who;
        return true;
    }
    if (graphical.empty())
        session->passedOver.push_back("logind knows no local graphical session of this user");
    return false;
}

bool FromOwnEnvironment(SessionDisplay* session)
{
    Values own;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}) {
        if (const char* v = std::getenv(name))
            own[name] = v;
    }
    if (!TakeDisplays(kOwnName, own, session))
        return false;
    session->source = SessionDisplay::FromOwnEnvironment;
    session->origin = kOwnName;
    return true;
}

bool StartsWithName(const std::string& entry, const char* name)
{
    const size_t n = std::strlen(name);
    return entry.size() > n && entry.compare(0, n, name) == 0 && entry[n] == '=';
}

} // namespace

std::string SessionDisplay::Value(const std::string& name) const
{
    for (const auto& v : variables) {
        if (v.first == name)
            return v.second;
    }
    return std::string();
}

std::string SessionDisplay::Describe() const
{
    if (source == NoDisplay)
        return "without a display: none of the service manager, logind and the service's own environment names "
               "one that exists";
    std::string text;
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const std::string v = Value(name);
        if (!v.empty())
            text += (text.empty() ? "" : " and ") + std::string(name) + "=" + v;
    }
    return "on " + text + " from " + origin;
}

SessionDisplay FindSessionDisplay()
{
    SessionDisplay session;
    if (FromManager(&session) || FromLogind(&session) || FromOwnEnvironment(&session))
        return session;
    session.variables.clear();
    session.source = SessionDisplay::NoDisplay;
    session.origin.clear();
    return session;
}

std::vector<std::string> SessionEnvironment(const std::vector<std::string>& base, const SessionDisplay& session)
{
    std::vector<std::string> env;
    env.reserve(base.size() + session.variables.size());
    for (const std::string& e : base) {
        bool replaced = StartsWithName(e, "DISPLAY") || StartsWithName(e, "WAYLAND_DISPLAY");
        for (const auto& v : session.variables)
            replaced = replaced || StartsWithName(e, v.first.c_str());
        if (!replaced)
            env.push_back(e);
    }
    for (const auto& v : session.variables)
        env.push_back(v.first + "=" + v.second);
    return env;
}

std::vector<std::string> HeadlessEnvironment(const std::vector<std::string>& base)
{
    std::vector<std::string> env;
    for (const std::string& e : base) {
        if (!StartsWithName(e, "DISPLAY") && !StartsWithName(e, "WAYLAND_DISPLAY") &&
            !StartsWithName(e, "QT_QPA_PLATFORM"))
            env.push_back(e);
    }
    return env;
}

bool NamesDisplay(const std::vector<std::string>& env)
{
    for (const std::string& e : env) {
        if (StartsWithName(e, "DISPLAY") || StartsWithName(e, "WAYLAND_DISPLAY") || StartsWithName(e, "QT_QPA_PLATFORM"))
            return true;
    }
    return false;
}

bool ParseEnvironmentLine(const std::string& line, std::string* name, std::string* value)
{
    const size_t eq = line.find('=');
    if (eq == 0 || eq == std::string::npos || eq > 256)
        return false;
    for (size_t i = 0; i < eq; ++i) {
        const char c = line[i];
        if (!(c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (i > 0 && c >= '0' && c <= '9')))
            return false;
    }
    *name = line.substr(0, eq);
    const std::string raw = line.substr(eq + 1);
    if (raw.size() < 3 || raw.compare(0, 2, "$'") != 0 || raw.back() != '\'') {
        *value = raw;
        return true;
    }
    // $'...': the quoting systemd uses for values with special characters.
    std::string out;
    const size_t last = raw.size() - 1;
    for (size_t i = 2; i < last; ++i) {
        char c = raw[i];
        if (c != '\\' || i + 1 >= last) {
            out += c;
            continue;
        }
        c = raw[++i];
        switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case 'x': {
            int digits = 0, code = 0;
            while (digits < 2 && i + 1 < last && std::isxdigit(static_cast<unsigned char>(raw[i + 1]))) {
                const char h = raw[++i];
                code = code * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                ++digits;
            }
            out += digits ? static_cast<char>(code) : 'x';
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                int code = c - '0', digits = 1;
                while (digits < 3 && i + 1 < last && raw[i + 1] >= '0' && raw[i + 1] <= '7') {
                    code = code * 8 + (raw[++i] - '0');
                    ++digits;
                }
                out += static_cast<char>(code & 0xff);
            } else {
                out += c; // \\ \' \" and anything else stand for themselves
            }
        }
    }
    *value = out;
    return true;
}

bool XDisplaySocket(const std::string& display, std::string* socketPath)
{
    socketPath->clear();
    const size_t colon = display.rfind(':');
    if (colon == std::string::npos || display.size() > 1024)
        return false;
    const std::string host = display.substr(0, colon);
    const std::string rest = display.substr(colon + 1);
    // N or N.S
    const size_t dot = rest.find('.');
    const std::string number = rest.substr(0, dot);
    const std::string screen = dot == std::string::npos ? std::string() : rest.substr(dot + 1);
    auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digits(number) || (dot != std::string::npos && !digits(screen)))
        return false;
    if (host.empty() || host == "unix") {
        *socketPath = "/tmp/.X11-unix/X" + std::to_string(std::stol(number));
        return true;
    }
    if (host[0] == '/') {
        *socketPath = host + ":" + number; // a socket named by its path
        return true;
    }
    return true; // a network display: nothing to check
}

} // namespace dawnbell::notify
