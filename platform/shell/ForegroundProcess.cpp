#include "ForegroundProcess.h"

#include "ForegroundWindow.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

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

void SetForegroundLookupForTesting(ForegroundLookup lookup) { TestLookup() = std::move(lookup); }

bool IsPhoneApplication(std::string_view fileName)
{
    return fileName == "cprog.exe" || fileName == "gnome-calls" || fileName == "plasmaphonedialer";
}

} // namespace dawnbell
