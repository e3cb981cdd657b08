#include "InstallFolder.h"

#include "DevicePaths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell::install {

namespace {

constexpr const char kRecordHeader[] = "dawnbell-install record 1";
// How many names of foreign entries a "kept" line shows.
constexpr size_t kShownForeign = 5;
// Bounds on reading user-dirs.dirs.
constexpr size_t kUserDirsMaxLines = 200;

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string Error(int code) { return std::strerror(code); }

// `bytes` random bytes as hex digits.
std::string RandomHex(size_t bytes)
{
    std::vector<unsigned char> buf(bytes);
    size_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::getrandom(buf.data() + got, bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    if (got < bytes) { // no getrandom: the kernel's pool through the device
        std::ifstream in("/dev/urandom", std::ios::binary);
        in.read(reinterpret_cast<char*>(buf.data()), std::streamsize(bytes));
    }
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : buf) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::vector<std::string> Parts(const std::string& path)
{
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        const size_t end = std::min(path.find('/', pos), path.size());
        parts.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

bool HasControl(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x20 || c == 0x7f; });
}

// A name inside the folder the record may hold: relative, every part a real
// name (no "", ".", ".."), no control characters, within the system's limits.
bool SafeRelative(const std::string& rel)
{
    if (rel.empty() || rel.size() >= PATH_MAX || rel[0] == '/' || HasControl(rel))
        return false;
    for (const std::string& part : Parts(rel)) {
        if (part.empty() || part == "." || part == ".." || part.size() > NAME_MAX)
            return false;
    }
    return true;
}

// An absolute path in the only spelling a recorded folder has: "/" then names
// separated by single "/", no "." or ".." parts, no trailing "/".
bool StrictPath(const std::string& path)
{
    if (path.size() < 2 || path.size() >= PATH_MAX || path[0] != '/' || HasControl(path))
        return false;
    for (const std::string& part : Parts(path.substr(1))) {
        if (part.empty() || part == "." || part == ".." || part.size() > NAME_MAX)
            return false;
    }
    return true;
}

// `path` with repeated and trailing "/" collapsed (no other change).
std::string Collapse(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

// The real path of what exists, else the collapsed spelling.
std::string RealOr(const std::string& path)
{
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : Collapse(path);
}

// True when `inner` lies strictly below `outer` (both absolute, collapsed).
bool Below(const std::string& inner, const std::string& outer)
{
    if (outer == "/")
        return inner.size() > 1 && inner[0] == '/';
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == '/';
}

struct Guarded {
    std::string path;  // absolute
    std::string label; // "your home folder"
};

// The user's home folders: $HOME and the one the password database names.
std::vector<std::string> Homes()
{
    std::vector<std::string> homes;
    const std::string env = Env("HOME");
    if (!env.empty() && env[0] == '/')
        homes.push_back(Collapse(env));
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        homes.push_back(Collapse(pw->pw_dir));
    return homes;
}

// The folders of the user and the desktop an installation must never be, nor
// hold.
std::vector<Guarded> GuardedFolders()
{
    std::vector<Guarded> out;
    const std::vector<std::string> homes = Homes();
    const std::string configHome = Env("XDG_CONFIG_HOME");
    for (const std::string& home : homes) {
        out.push_back({home, "your home folder"});
        // The XDG user folders, configured or by their usual names.
        for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Public", "Templates",
                                 "Videos"})
            out.push_back({home + "/" + name, std::string("your ") + name + " folder"});
        std::ifstream dirs((configHome.empty() || configHome[0] != '/' ? home + "/.config" : configHome)
                           + "/user-dirs.dirs");
        std::string line;
        for (size_t n = 0; n < kUserDirsMaxLines && std::getline(dirs, line) && line.size() < PATH_MAX; ++n) {
            // XDG_MUSIC_DIR="$HOME/Musik"
            const size_t eq = line.find('=');
            if (line.rfind("XDG_", 0) != 0 || eq == std::string::npos)
                continue;
            std::string value = line.substr(eq + 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.rfind("$HOME", 0) == 0)
                value = home + value.substr(5);
            if (!value.empty() && value[0] == '/')
                out.push_back({Collapse(value), "one of your user folders (" + line.substr(0, eq) + ")"});
        }
        for (const char* sub : {"/.local", "/.local/share", "/.local/lib", "/.local/bin", "/.local/state", "/.config",
                                "/.cache"})
            out.push_back({home + sub, "a folder your desktop keeps its files in"});
    }
    for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        const std::string v = Env(var);
        if (!v.empty() && v[0] == '/')
            out.push_back({Collapse(v), "a folder your desktop keeps its files in (" + std::string(var) + ")"});
    }
    // The device directory, computed the way DeviceDir does but without creating it.
    std::string device = Env("DAWNBELL_HOME");
    if (device.empty()) {
        const std::string data = Env("XDG_DATA_HOME");
        if (!data.empty())
            device = data + "/dawnbell";
        else if (!homes.empty())
            device = homes.front() + "/.local/share/dawnbell";
    }
    if (!device.empty() && device[0] == '/')
        out.push_back({Collapse(device), "Dawnbell's device directory, where your alarms are kept"});
    return out;
}

// Why a path (absolute, collapsed) is a system folder, or "".
std::string SystemWhy(const std::string& path)
{
    if (path == "/")
        return "is the root folder";
    const std::vector<std::string> parts = Parts(path.substr(1));
    static const char* const kWhole[] = {"bin", "boot", "dev", "etc", "lib", "lib32", "lib64", "libx32",
                                         "proc", "run", "sbin", "sys"};
    if (parts.size() == 1)
        return "is a system folder";
    for (const char* top : kWhole) {
        if (parts[0] == top)
            return "is inside the system folder /" + parts[0];
    }
    if ((parts[0] == "usr" || parts[0] == "var") && parts.size() == 2)
        return "is a system folder";
    if (parts[0] == "usr" && parts[1] == "local" && parts.size() == 3)
        return "is a system folder";
    return std::string();
}

// Opens the folder `path` (StrictPath) from "/" one part at a time, following no
// symbolic link; the last part is opened for reading, the ones before only as a
// path. Its parent's descriptor goes to `*parent`. -1 with `*why` when it fails.
int OpenNoFollow(const std::string& path, int* parent, std::string* why)
{
    *parent = -1;
    int at = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (at < 0) {
        *why = "/: " + Error(errno);
        return -1;
    }
    const std::vector<std::string> parts = Parts(path.substr(1));
    std::string walked;
    for (size_t i = 0; i < parts.size(); ++i) {
        walked += "/" + parts[i];
        const int flags = (i + 1 == parts.size() ? O_RDONLY : O_PATH) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        const int next = ::openat(at, parts[i].c_str(), flags);
        const int code = errno;
        struct stat st;
        if (next < 0 || ::fstat(next, &st) != 0 || !S_ISDIR(st.st_mode)) {
            if (next >= 0)
                ::close(next);
            if (*parent >= 0)
                ::close(*parent);
            ::close(at);
            *parent = -1;
            if (next >= 0 || code == ELOOP || code == ENOTDIR)
                *why = walked == path ? "is a symbolic link or not a folder"
                                      : "lies behind " + Printable(walked) + ", a symbolic link or not a folder";
            else
                *why = code == ENOENT ? "does not exist" : "cannot be opened (" + Printable(walked) + ": " + Error(code) + ")";
            return -1;
        }
        if (*parent >= 0)
            ::close(*parent);
        *parent = at;
        at = next;
    }
    return at;
}

// The names in the folder `fd` (without "." and ".."), sorted; folders end in "/".
std::vector<std::string> Entries(int fd)
{
    std::vector<std::string> names;
    const int dup = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dup < 0)
        return names;
    DIR* d = ::fdopendir(dup);
    if (!d) {
        ::close(dup);
        return names;
    }
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st;
        const bool folder = ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        names.push_back(std::string(e->d_name) + (folder ? "/" : ""));
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// Opens the folder holding `rel` below `root`, following no link; `*base` gets
// the last part. -1 with errno set when a part is missing or not a real folder.
int OpenParentOf(int root, const std::string& rel, std::string* base)
{
    const std::vector<std::string> parts = Parts(rel);
    *base = parts.back();
    int at = ::openat(root, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (size_t i = 0; at >= 0 && i + 1 < parts.size(); ++i) {
        const int next = ::openat(at, parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int code = errno;
        ::close(at);
        at = next;
        errno = code;
    }
    return at;
}

// Depth of a relative name: its number of parts.
size_t Depth(const std::string& rel) { return size_t(std::count(rel.begin(), rel.end(), '/')) + 1; }

bool WriteAll(int fd, const char* data, size_t size)
{
    for (size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        done += size_t(w);
    }
    return true;
}

} // namespace

std::string Printable(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        if ((unsigned char)c < 0x20 || c == 0x7f)
            c = '?';
    }
    return out;
}

InstallFolder::~InstallFolder() { Close(); }

void InstallFolder::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (parentFd_ >= 0)
        ::close(parentFd_);
    fd_ = parentFd_ = -1;
}

std::string InstallFolder::Shown(const std::string& relative) const { return Printable(path_ + "/" + relative); }

std::string InstallFolder::ProtectedWhy(const std::string& path)
{
    const std::vector<Guarded> guarded = GuardedFolders();
    for (const std::string& candidate : {Collapse(path), RealOr(path)}) {
        if (const std::string why = SystemWhy(candidate); !why.empty())
            return why;
        for (const Guarded& g : guarded) {
            for (const std::string& form : {g.path, RealOr(g.path)}) {
                if (candidate == form)
                    return "is " + g.label;
                if (Below(form, candidate))
                    return "holds " + g.label;
            }
        }
    }
    return std::string();
}

bool InstallFolder::CheckNew(const std::string& wanted, std::string* canonical, std::string* why)
{
    std::string full = wanted;
    if (full.empty() || full[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) {
            *why = "the working folder cannot be read: " + Error(errno);
            return false;
        }
        full = std::string(cwd) + "/" + full;
    }
    const std::string shown = Printable(wanted);
    const std::string collapsed = Collapse(full);
    if (collapsed != "/" && !StrictPath(collapsed)) {
        *why = shown + " is not a folder to install into: give a path without \".\" or \"..\" parts";
        return false;
    }
    if (const std::string p = ProtectedWhy(collapsed); !p.empty()) {
        *why = shown + " " + p + "; Dawnbell installs only into a folder of its own";
        return false;
    }
    const size_t slash = collapsed.find_last_of('/');
    const std::string parent = slash == 0 ? std::string("/") : collapsed.substr(0, slash);
    const std::string name = collapsed.substr(slash + 1);
    // The longest part of the parent that exists, with its links resolved, and
    // the missing rest as written.
    std::string existing = parent, rest;
    char buf[PATH_MAX];
    while (!::realpath(existing.c_str(), buf)) {
        const size_t s = existing.find_last_of('/');
        rest = existing.substr(s) + rest;
        existing = s == 0 ? std::string("/") : existing.substr(0, s);
    }
    std::string real = std::string(buf) == "/" ? rest : std::string(buf) + rest;
    if (real.empty())
        real = "/";
    *canonical = (real == "/" ? std::string() : real) + "/" + name;
    if (const std::string p = ProtectedWhy(*canonical); !p.empty()) {
        *why = shown + " " + p + "; Dawnbell installs only into a folder of its own";
        return false;
    }
    struct stat st;
    if (::lstat(canonical->c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            *why = shown + " is a symbolic link; give the folder it leads to, or a new folder";
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            *why = shown + " exists and is not a folder";
            return false;
        }
        if (st.st_uid != ::geteuid()) {
            *why = shown + " belongs to another user; choose a new folder";
            return false;
        }
        const int fd = ::open(canonical->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const bool empty = fd >= 0 && Entries(fd).empty();
        if (fd >= 0)
            ::close(fd);
        if (!empty) {
            *why = shown + " is not empty; choose a new or empty folder (Dawnbell installs only into a folder of its own)";
            return false;
        }
    } else if (errno != ENOENT) {
        *why = shown + ": " + Error(errno);
        return false;
    }
    return true;
}

bool InstallFolder::Create(const std::string& canonical, std::string* why)
{
    Close();
    path_ = canonical;
    const size_t slash = canonical.find_last_of('/');
    const std::string parent = slash == 0 ? std::string("/") : canonical.substr(0, slash);
    const std::string name = canonical.substr(slash + 1);
    if (!StrictPath(canonical) || !MakeDirs(parent, 0755)) {
        *why = "cannot create " + Printable(parent) + ": " + Error(errno);
        return false;
    }
    int grand = -1;
    std::string walkWhy;
    parentFd_ = parent == "/" ? ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC) : OpenNoFollow(parent, &grand, &walkWhy);
    if (grand >= 0)
        ::close(grand);
    if (parentFd_ < 0) {
        *why = "cannot create " + Printable(canonical) + ": its parent " + (walkWhy.empty() ? Error(errno) : walkWhy);
        return false;
    }
    created_ = ::mkdirat(parentFd_, name.c_str(), 0755) == 0;
    if (!created_ && errno != EEXIST) {
        *why = "cannot create " + Printable(canonical) + ": " + Error(errno);
        return false;
    }
    fd_ = ::openat(parentFd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_uid != ::geteuid() || (!created_ && !Entries(fd_).empty())) {
        *why = Printable(canonical) + " changed while it was being installed into; nothing was installed";
        if (created_)
            ::unlinkat(parentFd_, name.c_str(), AT_REMOVEDIR);
        created_ = false;
        return false;
    }
    inode_ = uint64_t(st.st_ino);
    token_ = RandomHex(16);
    files_.clear();
    folders_.clear();
    if (!Save(why)) {
        Rollback();
        return false;
    }
    return true;
}

bool InstallFolder::ParseRecord(const std::string& text, const std::string& token, std::set<std::string>* files,
                                std::set<std::string>* folders)
{
    files->clear();
    folders->clear();
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size() && lines.size() <= kRecordMaxEntries + 2;) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    if (token.empty() || lines.size() < 2 || lines[0] != kRecordHeader || lines[1] != "token " + token
        || lines.size() > kRecordMaxEntries + 2)
        return false;
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind("file ", 0) == 0 && SafeRelative(line.substr(5)))
            files->insert(line.substr(5));
        else if (line.rfind("folder ", 0) == 0 && SafeRelative(line.substr(7)))
            folders->insert(line.substr(7));
        // Anything else was not written by the installer and names nothing.
    }
    return true;
}

bool InstallFolder::Open(const std::string& path, const std::string& token, uint64_t inode, std::string* why)
{
    Close();
    path_ = path;
    files_.clear();
    folders_.clear();
    if (!StrictPath(path)) {
        *why = "it is not a plain absolute path (it has \".\" or \"..\" parts, or a repeated or trailing \"/\")";
        return false;
    }
    if (const std::string p = ProtectedWhy(path); !p.empty()) {
        *why = "it " + p;
        return false;
    }
    if (token.empty()) {
        *why = "it was installed by an earlier dawnbell-install, which kept no record of the files it copied";
        return false;
    }
    std::string walkWhy;
    fd_ = OpenNoFollow(path, &parentFd_, &walkWhy);
    if (fd_ < 0) {
        *why = "it " + walkWhy;
        return false;
    }
    struct stat st;
    if (::fstat(fd_, &st) != 0 || uint64_t(st.st_ino) != inode || st.st_uid != ::geteuid()) {
        *why = "it is not the folder Dawnbell was installed in (that folder was moved or replaced)";
        Close();
        return false;
    }
    const int rec = ::openat(fd_, kRecordName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat rs;
    std::string text;
    if (rec >= 0 && ::fstat(rec, &rs) == 0 && S_ISREG(rs.st_mode) && size_t(rs.st_size) <= kRecordMaxBytes) {
        text.resize(size_t(rs.st_size));
        size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(rec, &text[got], text.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += size_t(n);
        }
        text.resize(got);
    }
    if (rec >= 0)
        ::close(rec);
    if (!ParseRecord(text, token, &files_, &folders_)) {
        *why = "its record " + std::string(kRecordName) + " is missing or does not match the installation";
        Close();
        return false;
    }
    token_ = token;
    inode_ = inode;
    created_ = false;
    return true;
}

bool InstallFolder::Copy(const std::string& sourceDir, const std::string& entry, std::string* why)
{
    std::string rel = entry;
    const bool folderEntry = !rel.empty() && rel.back() == '/';
    while (!rel.empty() && rel.back() == '/')
        rel.pop_back();
    if (!SafeRelative(rel)) {
        *why = "the program folder lists an unsafe name: " + Printable(entry);
        return false;
    }
    const std::string from = sourceDir + "/" + rel;
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) {
        if (errno == ENOENT && folderEntry)
            return true; // an optional data folder this build does not have
        *why = Printable(from) + ": " + Error(errno);
        return false;
    }
    // The folders on the way to the entry, made and recorded as needed.
    const std::vector<std::string> parts = Parts(rel);
    int at = ::openat(fd_, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::string walked;
    for (size_t i = 0; at >= 0 && i + 1 < parts.size(); ++i) {
        walked += (walked.empty() ? "" : "/") + parts[i];
        ::mkdirat(at, parts[i].c_str(), 0755);
        const int next = ::openat(at, parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(at);
        at = next;
        if (at >= 0)
            folders_.insert(walked);
    }
    if (at < 0) {
        *why = Shown(walked) + " is not a folder of the installation";
        return false;
    }
    // Depth-first copy of one entry; `dir` holds it as `name`.
    struct Copier {
        InstallFolder* self;
        std::string* why;
        bool Tree(const std::string& src, int dir, const std::string& name, const std::string& relName)
        {
            struct stat s;
            if (::lstat(src.c_str(), &s) != 0) {
                *why = Printable(src) + ": " + Error(errno);
                return false;
            }
            if (!SafeRelative(relName)) {
                *why = "the program folder holds a name the installation record cannot keep: " + Printable(src);
                return false;
            }
            if (S_ISLNK(s.st_mode))
                return true; // links are not part of a program folder
            if (S_ISDIR(s.st_mode))
                return Folder(src, dir, name, relName);
            return File(src, dir, name, relName);
        }
        bool Folder(const std::string& src, int dir, const std::string& name, const std::string& relName)
        {
            if (::mkdirat(dir, name.c_str(), 0755) != 0 && errno != EEXIST) {
                *why = self->Shown(relName) + ": " + Error(errno);
                return false;
            }
            const int sub = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                *why = self->Shown(relName) + " is a symbolic link or not a folder";
                return false;
            }
            self->folders_.insert(relName);
            std::vector<std::string> names;
            if (DIR* d = ::opendir(src.c_str())) {
                while (const dirent* e = ::readdir(d)) {
                    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                        names.emplace_back(e->d_name);
                }
                ::closedir(d);
            } else {
                *why = Printable(src) + ": " + Error(errno);
                ::close(sub);
                return false;
            }
            std::sort(names.begin(), names.end());
            bool ok = true;
            for (const std::string& n : names) {
                if (!(ok = Tree(src + "/" + n, sub, n, relName + "/" + n)))
                    break;
            }
            ::close(sub);
            return ok;
        }
        bool File(const std::string& src, int dir, const std::string& name, const std::string& relName)
        {
            const int in = ::open(src.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
            struct stat s;
            if (in < 0 || ::fstat(in, &s) != 0 || !S_ISREG(s.st_mode)) {
                *why = Printable(src) + ": " + (in < 0 ? Error(errno) : std::string("not a regular file"));
                if (in >= 0)
                    ::close(in);
                return false;
            }
            // Written beside its place under a name nobody else uses, then
            // renamed over it: a running program keeps its old file.
            const std::string tmp = name.substr(0, NAME_MAX - 24) + ".installing-" + RandomHex(4);
            const mode_t mode = (s.st_mode & 0111) ? 0755 : 0644;
            const int out = ::openat(dir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (out < 0) {
                *why = self->Shown(relName) + ": " + Error(errno);
                ::close(in);
                return false;
            }
            char buf[1 << 16];
            bool ok = true;
            int code = 0;
            for (;;) {
                const ssize_t n = ::read(in, buf, sizeof buf);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    ok = false;
                    code = errno;
                    break;
                }
                if (n == 0)
                    break;
                if (!WriteAll(out, buf, size_t(n))) {
                    ok = false;
                    code = errno;
                    break;
                }
            }
            ::close(in);
            if (ok && (::fchmod(out, mode) != 0 || ::fsync(out) != 0)) {
                ok = false;
                code = errno;
            }
            if (::close(out) != 0 && ok) {
                ok = false;
                code = errno;
            }
            if (ok && ::renameat(dir, tmp.c_str(), dir, name.c_str()) != 0) {
                ok = false;
                code = errno;
            }
            if (!ok) {
                ::unlinkat(dir, tmp.c_str(), 0);
                *why = self->Shown(relName) + ": " + Error(code);
                return false;
            }
            self->files_.insert(relName);
            return true;
        }
    } copier{this, why};
    const bool ok = copier.Tree(from, at, parts.back(), rel);
    ::close(at);
    return ok;
}

void InstallFolder::Adopt(const std::string& relative)
{
    if (fd_ < 0 || !SafeRelative(relative))
        return;
    std::string base;
    const int parent = OpenParentOf(fd_, relative, &base);
    struct stat st;
    if (parent >= 0 && ::fstatat(parent, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        files_.insert(relative);
    if (parent >= 0)
        ::close(parent);
}

bool InstallFolder::Save(std::string* why)
{
    std::string text = std::string(kRecordHeader) + "\ntoken " + token_ + "\n";
    for (const std::string& f : folders_)
        text += "folder " + f + "\n";
    for (const std::string& f : files_)
        text += "file " + f + "\n";
    const std::string tmp = std::string(kRecordName) + ".new-" + RandomHex(4);
    const int out = ::openat(fd_, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    bool ok = out >= 0 && WriteAll(out, text.data(), text.size()) && ::fsync(out) == 0;
    int code = errno;
    if (out >= 0 && ::close(out) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::renameat(fd_, tmp.c_str(), fd_, kRecordName) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        if (out >= 0)
            ::unlinkat(fd_, tmp.c_str(), 0);
        *why = "cannot write " + Shown(kRecordName) + ": " + Error(code);
        return false;
    }
    ::fsync(fd_);
    return true;
}

std::set<std::string> InstallFolder::TakeFiles()
{
    std::set<std::string> taken;
    taken.swap(files_);
    return taken;
}

void InstallFolder::KeepFiles(const std::set<std::string>& names) { files_.insert(names.begin(), names.end()); }

bool InstallFolder::DeleteFiles(const std::set<std::string>& names, std::vector<std::string>* kept)
{
    bool all = true;
    std::set<std::string> emptied; // folders that held a deleted file
    for (const std::string& rel : names) {
        if (!files_.count(rel))
            continue;
        std::string base;
        const int parent = OpenParentOf(fd_, rel, &base);
        if (parent < 0) {
            if (errno == ENOENT) {
                files_.erase(rel); // already gone
            } else {
                kept->push_back("kept " + Shown(rel) + ": a symbolic link or file stands where its folder was");
                all = false;
            }
            continue;
        }
        struct stat st;
        if (::fstatat(parent, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                files_.erase(rel);
            } else {
                kept->push_back("kept " + Shown(rel) + ": " + Error(errno));
                all = false;
            }
        } else if (!S_ISREG(st.st_mode)) {
            kept->push_back("kept " + Shown(rel) + ": it is no longer the file Dawnbell installed there"
                            " (a symbolic link, folder or device stands there now)");
            all = false;
        } else if (::unlinkat(parent, base.c_str(), 0) != 0) {
            kept->push_back("kept " + Shown(rel) + ": " + Error(errno));
            all = false;
        } else {
            files_.erase(rel);
            for (size_t s = rel.find_last_of('/'); s != std::string::npos && s > 0; s = rel.find_last_of('/', s - 1))
                emptied.insert(rel.substr(0, s));
        }
        ::close(parent);
    }
    std::set<std::string> candidates;
    for (const std::string& f : emptied) {
        if (folders_.count(f))
            candidates.insert(f);
    }
    PruneFolders(candidates);
    return all;
}

void InstallFolder::PruneFolders(const std::set<std::string>& candidates)
{
    // Deepest first; a folder that still holds something stays (removing an
    // empty folder loses nothing).
    std::vector<std::string> folders(candidates.begin(), candidates.end());
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
    for (const std::string& f : folders) {
        std::string base;
        const int parent = OpenParentOf(fd_, f, &base);
        struct stat st;
        if (parent >= 0 && ::fstatat(parent, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)
            && ::unlinkat(parent, base.c_str(), AT_REMOVEDIR) == 0)
            folders_.erase(f);
        if (parent >= 0)
            ::close(parent);
    }
}

bool InstallFolder::DeleteAll(bool folderToo, std::vector<std::string>* lines)
{
    const bool done = DeleteFiles(std::set<std::string>(files_), lines);
    PruneFolders(std::set<std::string>(folders_));
    ::unlinkat(fd_, kRecordName, 0);
    if (!folderToo)
        return done;
    // The folder itself, when it is still the one opened and ends empty.
    const std::string name = path_.substr(path_.find_last_of('/') + 1);
    struct stat st;
    if (parentFd_ >= 0 && ::fstatat(parentFd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)
        && uint64_t(st.st_ino) == inode_ && ::unlinkat(parentFd_, name.c_str(), AT_REMOVEDIR) == 0)
        return done;
    const std::vector<std::string> foreign = Entries(fd_);
    if (!foreign.empty()) {
        std::string names;
        for (size_t i = 0; i < foreign.size() && i < kShownForeign; ++i)
            names += (i ? ", " : "") + Printable(foreign[i]);
        if (foreign.size() > kShownForeign)
            names += " and " + std::to_string(foreign.size() - kShownForeign) + " more";
        lines->push_back("kept " + Printable(path_) + ": it holds what Dawnbell did not install (" + names + ")");
    }
    return done;
}

bool InstallFolder::Remove(std::vector<std::string>* lines) { return DeleteAll(true, lines); }

void InstallFolder::Rollback()
{
    if (fd_ < 0)
        return;
    std::vector<std::string> ignored;
    DeleteAll(created_, &ignored); // a folder that was there before (empty) stays
    Close();
}

} // namespace dawnbell::install
