#include "DevicePaths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

} // namespace

bool MakeDirs(const std::string& path, unsigned mode)
{
    if (path.empty())
        return false;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        MakeDirs(path.substr(0, slash), 0700);
    if (::mkdir(path.c_str(), mode) == 0)
        return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CanWriteIn(const std::string& dir)
{
    std::string at = dir;
    struct stat st;
    while (!at.empty() && ::stat(at.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        const auto slash = at.find_last_of('/');
        if (slash == std::string::npos)
            at = ".";
        else
            at = slash == 0 ? std::string("/") : at.substr(0, slash);
    }
    if (at.empty() || !S_ISDIR(st.st_mode))
        return false;
    // access() answers for the real ids and sees a read-only mount (EROFS).
    return ::access(at.c_str(), W_OK | X_OK) == 0;
}

void MakeStorePrivate(const std::string& path)
{
    // Never a read or write descriptor of an existing store file: closing any
    // descriptor of a file drops every POSIX lock this process holds on it, and
    // SQLite holds such locks on the store, its WAL and its shared-memory file
    // for as long as a connection of this process is open. A second connection
    // of the process (another store object, or a reopen) would then lose them
    // and another process could check-point or truncate the WAL under it.
    //
    // An O_PATH descriptor carries no locks (closing one leaves them alone), and
    // an O_EXCL create makes a new file no lock can be held on yet.
    const auto restrict = [](const std::string& file) {
        const int fd = ::open(file.c_str(), O_PATH | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            return;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) {
            // fchmod refuses O_PATH descriptors; the descriptor's /proc name reaches
            // the very file that was checked, not whatever the path names now.
            const std::string self = "/proc/self/fd/" + std::to_string(fd);
            ::chmod(self.c_str(), st.st_mode & 0700);
        }
        ::close(fd);
    };
    const int created = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (created >= 0)
        ::close(created); // new: no lock of this process can be on it
    else
        restrict(path);
    for (const char* suffix : {"-wal", "-shm"})
        restrict(path + suffix);
}

std::string DeviceDir()
{
    std::string dir = Env("DAWNBELL_HOME");
    if (dir.empty()) {
        std::string data = Env("XDG_DATA_HOME");
        if (data.empty()) {
            const std::string home = Env("HOME");
            if (home.empty())
                return std::string();
            data = home + "/.local/share";
        }
        dir = data + "/dawnbell";
    }
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return MakeDirs(dir, 0700) ? dir : std::string();
}

std::string RuntimeDir()
{
    const std::string xdg = Env("XDG_RUNTIME_DIR");
    if (!xdg.empty()) {
        const std::string dir = xdg + "/dawnbell";
        if (MakeDirs(dir, 0700))
            return dir;
    }
    const std::string device = DeviceDir();
    if (device.empty())
        return std::string();
    const std::string dir = device + "/run";
    return MakeDirs(dir, 0700) ? dir : std::string();
}

std::string ProgramPath()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

std::string ProgramDir()
{
    const std::string path = ProgramPath();
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return std::string(".");
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string ModuleDir(const void* address)
{
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || !info.dli_fname || info.dli_fname[0] != '/')
        return ProgramDir(); // not found, or the main program named as it was started
    const std::string path(info.dli_fname);
    const auto slash = path.find_last_of('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace dawnbell
