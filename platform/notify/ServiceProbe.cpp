#include "ServiceProbe.h"

#include "Process.h"

#include <linux/capability.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace dawnbell::notify {

namespace {

// Most bytes read of a /proc file that is a path list or a table.
constexpr size_t kMaxSmallFileBytes = 64 * 1024;
// Most bytes of a process environment read.
constexpr size_t kMaxEnvironmentBytes = 256 * 1024;
// How much of the end of the service's log is searched for its last start.
constexpr off_t kLogTailBytes = 256 * 1024;
// Most bytes of the sound server's answer read.
constexpr size_t kMaxServerAnswerBytes = 64 * 1024;
// The start of the line the service writes when it arms its timer.
constexpr const char* kTimerOn = "timer on ";

// Reads at most `maxBytes` of a regular or /proc file, from `offset` on.
// False when it cannot be opened.
bool ReadBounded(const std::string& path, size_t maxBytes, off_t offset, std::string* out)
{
    out->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    // Only a regular file (a /proc file is one too): never wait on a FIFO or device.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    char buf[4096];
    while (out->size() < maxBytes) {
        const size_t want = std::min(sizeof buf, maxBytes - out->size());
        const ssize_t got = ::pread(fd, buf, want, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        out->append(buf, static_cast<size_t>(got));
        offset += got;
    }
    ::close(fd);
    return true;
}

// The value of the string field `name` of a flat JSON object, without its
// escapes resolved beyond \" and \\; empty when it is missing or not a string.
std::string JsonString(const std::string& json, const std::string& name)
{
    const std::string key = "\"" + name + "\"";
    size_t at = json.find(key);
    if (at == std::string::npos)
        return std::string();
    at = json.find_first_not_of(" \t\r\n", at + key.size());
    if (at == std::string::npos || json[at] != ':')
        return std::string();
    at = json.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string::npos || json[at] != '"')
        return std::string();
    std::string value;
    for (size_t i = at + 1; i < json.size(); ++i) {
        char c = json[i];
        if (c == '"')
            return value;
        if (c == '\\' && i + 1 < json.size())
            c = json[++i];
        if (static_cast<unsigned char>(c) >= 0x20)
            value += c;
    }
    return std::string(); // no closing quote: a cut answer
}

// The little-endian 32-bit word at `p` (capability records are stored so).
uint32_t LittleEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// True when `head` is the service log's time stamp and its blank, exactly:
// "YYYY-MM-DD HH:MM:SS.mmm +zzzz " (d: a decimal digit, s: "+" or "-").
bool IsLogStamp(const std::string& head)
{
    static const char kPattern[] = "dddd-dd-dd dd:dd:dd.ddd sdddd ";
    if (head.size() != sizeof kPattern - 1)
        return false;
    for (size_t i = 0; i < head.size(); ++i) {
        const char c = head[i];
        const bool ok = kPattern[i] == 'd'   ? c >= '0' && c <= '9'
                        : kPattern[i] == 's' ? c == '+' || c == '-'
                                             : c == kPattern[i];
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

ArmedClock LastArmedClockIn(const std::string& text)
{
    ArmedClock found;
    size_t at = text.rfind(kTimerOn);
    while (at != std::string::npos) {
        // A time stamp "YYYY-MM-DD HH:MM:SS.mmm +zzzz " at the start of the line
        // and nothing else before it.
        const bool lineStart = at >= 30 && (at == 30 || text[at - 31] == '\n');
        const std::string head = lineStart ? text.substr(at - 30, 30) : std::string();
        if (lineStart && IsLogStamp(head)) {
            const size_t clockAt = at + std::strlen(kTimerOn);
            const size_t end = text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_", clockAt);
            found.clock = text.substr(clockAt, (end == std::string::npos ? text.size() : end) - clockAt);
            found.when = head.substr(0, 29);
            if (found.clock.rfind("CLOCK_", 0) == 0)
                return found;
            found = ArmedClock();
        }
        if (at == 0)
            break;
        at = text.rfind(kTimerOn, at - 1);
    }
    return found;
}

std::string UnitOfCgroup(const std::string& text)
{
    // Lines "ID:CONTROLLERS:PATH"; the unified hierarchy's line is "0::PATH".
    size_t begin = 0;
    std::string path;
    bool unified = false;
    while (begin < text.size() && !unified) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        const size_t first = line.find(':');
        const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos)
            continue;
        unified = line.compare(0, 3, "0::") == 0;
        if (unified || path.empty())
            path = line.substr(second + 1);
    }
    const std::string last = path.substr(path.find_last_of('/') + 1);
    const std::string suffix = ".service";
    // A unit name is made of systemd's unit-name characters only; anything else
    // (a control character, a space) is a cgroup path this process cannot be
    // told by, and would break the one line it is shown on.
    const bool unitChars = last.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                  "0123456789:-_.\\@") == std::string::npos;
    if (unitChars && last.size() > suffix.size() &&
        last.compare(last.size() - suffix.size(), suffix.size(), suffix) == 0)
        return last;
    return std::string();
}

std::string ProcessUnit(pid_t pid)
{
    std::string text;
    if (pid <= 0 || !ReadBounded("/proc/" + std::to_string(pid) + "/cgroup", kMaxSmallFileBytes, 0, &text))
        return std::string();
    return UnitOfCgroup(text);
}

std::string ProcessExecutable(pid_t pid)
{
    if (pid <= 0)
        return std::string();
    char buf[4096];
    const ssize_t n = ::readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), buf, sizeof buf);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buf)
        return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

std::vector<std::string> ProcessEnvironment(pid_t pid)
{
    std::vector<std::string> out;
    std::string text;
    if (pid <= 0 || !ReadBounded("/proc/" + std::to_string(pid) + "/environ", kMaxEnvironmentBytes, 0, &text))
        return out;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\0', begin);
        if (end == std::string::npos)
            break; // a cut last entry is left out
        if (end > begin && text.find('=', begin) < end)
            out.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return out;
}

WakeCapability WakeCapabilityOfRecord(const unsigned char* data, size_t size)
{
    WakeCapability result;
    if (size < XATTR_CAPS_SZ_1) {
        result.detail = "its capability record is too short";
        return result;
    }
    const uint32_t magic = LittleEndian32(data);
    const uint32_t revision = magic & VFS_CAP_REVISION_MASK;
    const bool effective = (magic & VFS_CAP_FLAGS_EFFECTIVE) != 0;
    // Revision 1 holds capabilities 0-31 only; 2 and 3 (3 adds the namespace's
    // root id at the end) hold two words each of permitted and inheritable.
    if (revision == VFS_CAP_REVISION_1) {
        result.state = WakeCapability::Missing; // CAP_WAKE_ALARM is above 31
        return result;
    }
    const size_t need = revision == VFS_CAP_REVISION_2 ? XATTR_CAPS_SZ_2
        : revision == VFS_CAP_REVISION_3               ? XATTR_CAPS_SZ_3
                                                       : 0;
    if (need == 0 || size < need) {
        result.detail = need == 0 ? "its capability record is of an unknown kind" : "its capability record is too short";
        return result;
    }
    // data[1].permitted: after the magic word and data[0]'s two words.
    const uint32_t permittedHigh = LittleEndian32(data + 4 * 3);
    const bool permitted = (permittedHigh >> (CAP_WAKE_ALARM - 32) & 1u) != 0;
    result.state = permitted && effective ? WakeCapability::Granted : WakeCapability::Missing;
    return result;
}

WakeCapability FileWakeCapability(const std::string& path)
{
    WakeCapability result;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        result.detail = std::strerror(errno);
        return result;
    }
    unsigned char data[XATTR_CAPS_SZ_3 + 4] = {};
    const ssize_t n = ::getxattr(path.c_str(), "security.capability", data, sizeof data);
    if (n < 0) {
        if (errno == ENODATA || errno == ENOTSUP) {
            result.state = WakeCapability::Missing;
            return result;
        }
        result.detail = std::strerror(errno);
        return result;
    }
    return WakeCapabilityOfRecord(data, static_cast<size_t>(n));
}

ArmedClock LastArmedClock(const std::string& logPath)
{
    for (const std::string& path : {logPath, logPath + ".1"}) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const off_t from = st.st_size > kLogTailBytes ? st.st_size - kLogTailBytes : 0;
        std::string text;
        if (!ReadBounded(path, static_cast<size_t>(kLogTailBytes), from, &text))
            continue;
        const ArmedClock found = LastArmedClockIn(text);
        if (!found.clock.empty())
            return found;
    }
    return ArmedClock();
}

SoundOutput SoundServerOf(const std::string& answer)
{
    SoundOutput out;
    const std::string name = JsonString(answer, "server_name");
    const std::string version = JsonString(answer, "server_version");
    const std::string sink = JsonString(answer, "default_sink_name");
    if (!sink.empty() && sink[0] != '@') {
        out.kind = SoundOutput::SoundServer;
        out.name = (name.empty() ? std::string("a sound server") : name) +
                   (version.empty() ? std::string() : " " + version) + ", default output " + sink;
    } else {
        out.name = "the sound server " + (name.empty() ? std::string("that answered") : name) +
                   " has no default output";
    }
    return out;
}

SoundOutput FirstSoundCardIn(const std::string& cards)
{
    SoundOutput out;
    // Lines " 0 [PCH            ]: HDA-Intel - HDA Intel PCH", each followed by
    // an indented line of details; "--- no soundcards ---" when there is none.
    size_t begin = 0;
    while (begin < cards.size()) {
        size_t end = cards.find('\n', begin);
        if (end == std::string::npos)
            end = cards.size();
        std::string line = cards.substr(begin, end - begin);
        begin = end + 1;
        const size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos || line[first] < '0' || line[first] > '9')
            continue;
        line = line.substr(first);
        for (char& c : line) {
            if (static_cast<unsigned char>(c) < 0x20)
                c = ' ';
        }
        const size_t open = line.find('['), close = line.find(']'), dash = line.find(" - ");
        std::string label = "card " + line;
        if (open != std::string::npos && close != std::string::npos && close > open) {
            std::string id = line.substr(open + 1, close - open - 1);
            id.erase(id.find_last_not_of(' ') + 1);
            label = "card " + line.substr(0, line.find(' ')) + ": " + id;
            if (dash != std::string::npos && dash > close)
                label += " (" + line.substr(dash + 3) + ")";
        }
        out.kind = SoundOutput::AlsaCard;
        out.name = label;
        return out;
    }
    out.name = "the kernel lists no sound card";
    return out;
}

SoundOutput FindSoundOutput(int timeoutMs)
{
    std::string answer;
    int status = 0;
    const int rc = process::RunForOutput("pactl", {"--format=json", "info"}, timeoutMs, kMaxServerAnswerBytes,
                                         &answer, &status);
    std::string serverWhy;
    if (rc == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        const SoundOutput server = SoundServerOf(answer);
        if (server.kind == SoundOutput::SoundServer)
            return server;
        serverWhy = server.name;
    } else if (rc == ETIMEDOUT) {
        serverWhy = "the sound server did not answer within " + std::to_string(timeoutMs) + " ms";
    } else if (rc != 0) {
        serverWhy = std::string("pactl cannot be run (") + std::strerror(rc) + ")";
    } else {
        serverWhy = "no sound server answers";
    }
    std::string cards;
    SoundOutput card;
    if (ReadBounded("/proc/asound/cards", kMaxSmallFileBytes, 0, &cards))
        card = FirstSoundCardIn(cards);
    if (card.kind == SoundOutput::AlsaCard)
        return card;
    card.name = serverWhy + ", and the kernel lists no sound card";
    return card;
}

} // namespace dawnbell::notify
