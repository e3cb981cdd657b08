// A safety net for tests that tell a program to delete where it must not:
// preloaded (LD_PRELOAD) into the program, it refuses every unlink, rmdir and
// rename outside DELETION_GUARD_ROOT with EPERM and appends the path it refused
// to DELETION_GUARD_LOG. So a test of "never deletes the home folder or /"
// cannot do harm when the program is wrong, and the log shows the attempt.
//
// A path counts as inside the root when its folder's real path lies below the
// root's real path (the last part is not resolved: deleting a link removes the
// link).
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The absolute path `name` stands for, relative to the folder descriptor `dirfd`.
std::string Resolve(int dirfd, const char* name)
{
    std::string path = name ? name : "";
    if (path.empty() || path[0] != '/') {
        char base[PATH_MAX] = {0};
        if (dirfd == AT_FDCWD) {
            if (!::getcwd(base, sizeof base))
                return std::string();
        } else {
            const std::string link = "/proc/self/fd/" + std::to_string(dirfd);
            const ssize_t n = ::readlink(link.c_str(), base, sizeof base - 1);
            if (n <= 0)
                return std::string();
            base[n] = 0;
        }
        path = std::string(base) + "/" + path;
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    char real[PATH_MAX];
    if (!::realpath(folder.c_str(), real))
        return path;
    return (std::strcmp(real, "/") == 0 ? std::string() : std::string(real)) + path.substr(slash);
}

// True when the call may go ahead; else logs the path and sets errno.
bool Allowed(int dirfd, const char* name)
{
    const char* root = std::getenv("DELETION_GUARD_ROOT");
    if (!root || !*root)
        return true;
    char realRoot[PATH_MAX];
    const std::string path = Resolve(dirfd, name);
    if (::realpath(root, realRoot)) {
        const std::string r = realRoot;
        if (path.size() > r.size() && path.compare(0, r.size(), r) == 0 && path[r.size()] == '/')
            return true;
    }
    if (const char* log = std::getenv("DELETION_GUARD_LOG")) {
        if (FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "%s\n", path.empty() ? name : path.c_str());
            std::fclose(f);
        }
    }
    errno = EPERM;
    return false;
}

template <typename Fn>
Fn Next(const char* symbol)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, symbol));
}

} // namespace

extern "C" {

int unlink(const char* path) noexcept
{
    static auto next = Next<int (*)(const char*)>("unlink");
    return Allowed(AT_FDCWD, path) ? next(path) : -1;
}

int rmdir(const char* path) noexcept
{
    static auto next = Next<int (*)(const char*)>("rmdir");
    return Allowed(AT_FDCWD, path) ? next(path) : -1;
}

int unlinkat(int dirfd, const char* path, int flags) noexcept
{
    static auto next = Next<int (*)(int, const char*, int)>("unlinkat");
    return Allowed(dirfd, path) ? next(dirfd, path, flags) : -1;
}

int rename(const char* from, const char* to) noexcept
{
    static auto next = Next<int (*)(const char*, const char*)>("rename");
    return Allowed(AT_FDCWD, from) && Allowed(AT_FDCWD, to) ? next(from, to) : -1;
}

int renameat(int fromfd, const char* from, int tofd, const char* to) noexcept
{
    static auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
    return Allowed(fromfd, from) && Allowed(tofd, to) ? next(fromfd, from, tofd, to) : -1;
}

int renameat2(int fromfd, const char* from, int tofd, const char* to, unsigned flags) noexcept
{
    static auto next = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return Allowed(fromfd, from) && Allowed(tofd, to) ? next(fromfd, from, tofd, to, flags) : -1;
}

} // extern "C"
