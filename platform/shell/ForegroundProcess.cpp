#include "ForegroundProcess.h"

#include <QGuiApplication>

#if defined(DAWNBELL_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define DAWNBELL_X11_FOREGROUND 1
#endif

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

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

// Up to kMaxProcText bytes of a file; false when it cannot be read.
bool ReadSmallFile(const std::string& path, std::string* out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out->assign(kMaxProcText, '\0');
    size_t got = 0;
    while (got < kMaxProcText) {
        const ssize_t n = ::read(fd, &(*out)[got], kMaxProcText - got);
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

#ifdef DAWNBELL_X11_FOREGROUND
xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 1, static_cast<uint16_t>(strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(xcb_intern_atom_reply(c, cookie, nullptr),
                                                                        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// One 32-bit item of `property` of `window`; false when absent or malformed.
bool Property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint32_t* out)
{
    const xcb_get_property_cookie_t cookie = xcb_get_property(c, 0, window, property, type, 0, 1);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(c, cookie, nullptr),
                                                                         &std::free);
    if (!reply || reply->format != 32 || reply->type != type || xcb_get_property_value_length(reply.get()) < 4)
        return false;
    *out = *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return true;
}
#endif

} // namespace

int64_t ForegroundProcessId()
{
#ifdef DAWNBELL_X11_FOREGROUND
    if (!qGuiApp)
        return 0;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || xcb_connection_has_error(c))
        return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return 0;
    const xcb_atom_t active = Atom(c, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t wmPid = Atom(c, "_NET_WM_PID");
    if (active == XCB_ATOM_NONE || wmPid == XCB_ATOM_NONE)
        return 0;
    uint32_t window = 0, pid = 0;
    if (!Property32(c, screen->root, active, XCB_ATOM_WINDOW, &window) || window == 0)
        return 0;
    if (!Property32(c, window, wmPid, XCB_ATOM_CARDINAL, &pid))
        return 0;
    return pid;
#else
    return 0;
#endif
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
    return ProcessFileName(ForegroundProcessId());
}

void SetForegroundLookupForTesting(ForegroundLookup lookup) { TestLookup() = std::move(lookup); }

bool IsPhoneApplication(std::string_view fileName)
{
    return fileName == "cprog.exe" || fileName == "gnome-calls" || fileName == "plasmaphonedialer";
}

} // namespace dawnbell
