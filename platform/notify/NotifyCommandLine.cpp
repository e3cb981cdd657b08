#include "NotifyCommandLine.h"

#include "Notify.h"

#include <cstdio>

namespace dawnbell::notify {

namespace {

bool Digits(const std::string& s, size_t pos, size_t n, int* out)
{
    int v = 0;
    for (size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    *out = v;
    return true;
}

void AppendEscaped(std::string* out, const std::string& text)
{
    for (unsigned char c : text) {
        switch (c) {
        case '\t': *out += "\\t"; break;
        case '\n': *out += "\\n"; break;
        case '\r': *out += "\\r"; break;
        case '\\': *out += "\\\\"; break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                *out += buf;
            } else {
                *out += static_cast<char>(c);
            }
        }
    }
}

} // namespace

std::string EscapeNotifyText(const std::string& text)
{
    std::string out;
    AppendEscaped(&out, text);
    return out;
}

const char* NotifyUsage()
{
    return "Usage:\n"
           "  dawnbell-notify list\n"
           "      one record per line: HANDLE<TAB>YYYY-MM-DD HH:MM:SS<TAB>APPLICATION<TAB>ARGUMENTS,\n"
           "      ordered by start time, then handle\n"
           "  dawnbell-notify add --at \"YYYY-MM-DD HH:MM:SS\" APPLICATION [ARGUMENTS]\n"
           "      stores a time notification (local time) and prints its handle; APPLICATION is\n"
           "      an absolute path and is started with ARGUMENTS as exactly one argument\n"
           "  dawnbell-notify clear HANDLE\n"
           "      removes a notification\n"
           "  dawnbell-notify --help | --version\n"
           "The records belong to the device directory $DAWNBELL_HOME.\n"
           "Exit status: 0 done, 1 no such notification or the store failed, 2 usage error.\n"
           "When the service found the store damaged and moved it aside, every command says so on\n"
           "standard error until the schedule has been rebuilt from the alarms, and list exits with 1.\n";
}

bool ParseNotifyTime(const std::string& s, clock::LocalTime* out)
{
    if (s.size() != 19 || s[4] != '-' || s[7] != '-' || (s[10] != ' ' && s[10] != 'T') || s[13] != ':' ||
        s[16] != ':')
        return false;
    clock::LocalTime t;
    if (!Digits(s, 0, 4, &t.year) || !Digits(s, 5, 2, &t.month) || !Digits(s, 8, 2, &t.day) ||
        !Digits(s, 11, 2, &t.hour) || !Digits(s, 14, 2, &t.minute) || !Digits(s, 17, 2, &t.second))
        return false;
    t.milliseconds = 0;
    if (!NotifyTimeIsValid(t))
        return false;
    t.dayOfWeek = clock::ToLocal(clock::FromLocal(t)).dayOfWeek;
    *out = t;
    return true;
}

bool ParseNotifyHandle(const std::string& s, uint32_t* out)
{
    if (s.empty() || s.size() > 10)
        return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v == 0 || v > 0xFFFFFFFFull)
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

NotifyCommand ParseNotifyCommand(const std::vector<std::string>& args)
{
    NotifyCommand cmd;
    if (args.empty()) {
        cmd.error = "no command given";
        return cmd;
    }
    const std::string& verb = args[0];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        cmd.verb = NotifyCommand::Help;
    } else if (verb == "--version") {
        if (args.size() != 1)
            cmd.error = "--version takes no arguments";
        else
            cmd.verb = NotifyCommand::Version;
    } else if (verb == "list") {
        if (args.size() != 1)
            cmd.error = "list takes no arguments";
        else
            cmd.verb = NotifyCommand::List;
    } else if (verb == "clear") {
        if (args.size() != 2)
            cmd.error = "clear takes one handle";
        else if (!ParseNotifyHandle(args[1], &cmd.handle))
            cmd.error = "not a notification handle: " + args[1];
        else
            cmd.verb = NotifyCommand::Clear;
    } else if (verb == "add") {
        if (args.size() < 4 || args.size() > 5 || args[1] != "--at")
            cmd.error = "usage: add --at \"YYYY-MM-DD HH:MM:SS\" APPLICATION [ARGUMENTS]";
        else if (!ParseNotifyTime(args[2], &cmd.at))
            cmd.error = "not a valid time (YYYY-MM-DD HH:MM:SS): " + args[2];
        else if (args[3].empty() || args[3][0] != '/' || args[3].size() > kNotifyMaxApplicationBytes)
            cmd.error = "the application must be an absolute path";
        else if (args.size() == 5 && args[4].size() > kNotifyMaxArgumentsBytes)
            cmd.error = "the arguments are too long";
        else {
            cmd.verb = NotifyCommand::Add;
            cmd.application = args[3];
            if (args.size() == 5)
                cmd.arguments = args[4];
        }
    } else {
        cmd.error = "unknown command: " + verb;
    }
    return cmd;
}

std::string FormatNotifyLine(uint32_t handle, const clock::LocalTime& t, const std::string& application,
                             const std::string& arguments)
{
    char head[64];
    std::snprintf(head, sizeof head, "%u\t%04d-%02d-%02d %02d:%02d:%02d\t", handle, t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    std::string line = head;
    AppendEscaped(&line, application);
    line += '\t';
    AppendEscaped(&line, arguments);
    return line;
}

} // namespace dawnbell::notify
