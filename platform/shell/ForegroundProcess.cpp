#include "ForegroundProcess.h"

#include "ForegroundWindow.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace dawnbell {

namespace {

// Longest link target or command line read from /proc, bytes.
constexpr size_t kMaxProcText = 4096;

ForegroundLookup& TestLookup()
{
    static ForegroundLookup lookup;
    return lookup;
}

std::string Lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// The text after the last '/' or '\' (Windows paths of programs run by Wine).
std::string FileNameOf(const std::string& path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Up to `limit` bytes of a file; false when it cannot be read.
bool ReadSmallFile(const std::string& path, std::string* out, size_t limit = kMaxProcText)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out->assign(limit, '\0');
    size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd, &(*out)[got], limit - got);
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    out->resize(got);
    return true;
}

} // namespace

int64_t ForegroundProcessId()
{
    ForegroundWindow* session = SessionForegroundWindow();
    return session ? session->ProcessId() : 0;
}

std::string ProcessFileName(int64_t pid, const std::string& procRoot)
{
    if (pid <= 0 || pid > INT32_MAX)
        return {};
    const std::string dir = procRoot + "/" + std::to_string(pid);
    std::string name;
    std::string link(kMaxProcText, '\0');
    const ssize_t n = ::readlink((dir + "/exe").c_str(), link.data(), link.size());
    if (n > 0 && static_cast<size_t>(n) < link.size()) {
        link.resize(static_cast<size_t>(n));
        const std::string deleted = " (deleted)";
        if (link.size() > deleted.size() && link.compare(link.size() - deleted.size(), deleted.size(), deleted) == 0)
            link.resize(link.size() - deleted.size());
        name = FileNameOf(link);
    }
    // Without the link (another user's process), or for a program run by an
    // interpreter such as Wine, the command line names the program.
    if (name.empty() || Lower(name).rfind("wine", 0) == 0) {
        std::string cmdline;
        if (ReadSmallFile(dir + "/cmdline", &cmdline)) {
            const std::string first = cmdline.substr(0, cmdline.find('\0'));
            const std::string fromCmd = FileNameOf(first);
            if (!fromCmd.empty())
                name = fromCmd;
        }
    }
    return Lower(name);
}

std::string ProcessFileName(int64_t pid) { return ProcessFileName(pid, "/proc"); }

std::string ForegroundProcessName()
{
    if (const ForegroundLookup& lookup = TestLookup())
        return lookup();
    ForegroundWindow* session = SessionForegroundWindow();
    return session ? session->ProgramName() : std::string();
}

namespace {
// Longest desktop entry read, bytes.
constexpr size_t kMaxDesktopEntry = 64 * 1024;

// An application id usable as a desktop entry's file name: letters, digits,
// '.', '-' and '_', not starting with '.', at most 255 bytes.
bool SafeApplicationId(const std::string& id)
{
    if (id.empty() || id.size() > 255 || id[0] == '.')
        return false;
    for (const char c : id) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
                        || c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

// The folders desktop entries are looked up in, most important first.
std::vector<std::string> ApplicationFolders()
{
    std::vector<std::string> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && *dataHome)
        folders.push_back(dataHome);
    else if (home && *home)
        folders.push_back(std::string(home) + "/.local/share");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    for (size_t start = 0; start <= list.size();) {
        const size_t end = std::min(list.find(':', start), list.size());
        if (end > start)
            folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    for (std::string& f : folders)
        f += "/applications/";
    return folders;
}

// The program an Exec line starts: its first word (quotes removed), past an
// "env" and its NAME=VALUE settings.
std::string ProgramOfExec(const std::string& exec)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (const char c : exec) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    size_t i = 0;
    if (i < words.size() && FileNameOf(words[i]) == "env") {
        ++i;
        while (i < words.size() && words[i].find('=') != std::string::npos)
            ++i;
    }
    return i < words.size() ? FileNameOf(words[i]) : std::string();
}

// The Exec value of the [Desktop Entry] group of `text`; empty when none.
std::string ExecOfDesktopEntry(const std::string& text)
{
    bool inEntry = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (inEntry && line.compare(0, 5, "Exec=") == 0)
            return line.substr(5);
    }
    return {};
}
} // namespace

std::string ProgramOfApplicationId(const std::string& appId)
{
    if (!SafeApplicationId(appId))
        return {};
    for (const std::string& folder : ApplicationFolders()) {
        std::string text;
        if (!ReadSmallFile(folder + appId + ".desktop", &text, kMaxDesktopEntry))
            continue;
        const std::string program = ProgramOfExec(ExecOfDesktopEntry(text));
        if (!program.empty())
            return Lower(program);
    }
    return Lower(appId);
}

void SetForegroundLookupForTesting(ForegroundLookup lookup) { TestLookup() = std::move(lookup); }

bool IsPhoneApplication(std::string_view fileName)
{
    return fileName == "cprog.exe" || fileName == "gnome-calls" || fileName == "plasmaphonedialer";
}

} // namespace dawnbell
