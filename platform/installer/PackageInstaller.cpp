#include "PackageInstaller.h"

#include "DevicePaths.h"
#include "FileTree.h"
#include "Registry.h"
#include "SetupApi.h"
#include "Shortcut.h"
#include "UserService.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell::install {

namespace {

// A package's own folder carries this file; the installer never copies over it
// nor deletes it.
constexpr const char kPackageMarker[] = "package.txt";
constexpr const char kHooksLibrary[] = "libdawnbell-setup.so";
constexpr const char kTodayLibrary[] = "libdawnbell-today.so";
constexpr const char kProgramKey[] = "SOFTWARE\\Torvane\\Dawnbell"; // the program's data, HKEY_CURRENT_USER

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsDir(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An absolute path with ".", ".." and repeated or trailing "/" resolved
// lexically; relative paths are taken from the working folder.
std::string Normalize(const std::string& path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd))
            return std::string();
        full = std::string(cwd) + "/" + full;
    }
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= full.size()) {
        const size_t end = std::min(full.find('/', pos), full.size());
        const std::string part = full.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::string out;
    for (const std::string& p : parts)
        out += "/" + p;
    return out.empty() ? std::string("/") : out;
}

// The real path of an existing folder, else the normalized one.
std::string Real(const std::string& path)
{
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : Normalize(path);
}

bool SameFolder(const std::string& a, const std::string& b) { return Real(a) == Real(b); }

// True when `inner` lies below `outer`.
bool Below(const std::string& inner, const std::string& outer)
{
    const std::string i = Real(inner), o = Real(outer);
    return i.size() > o.size() && i.compare(0, o.size(), o) == 0 && (o == "/" || i[o.size()] == '/');
}

bool IsEmptyDir(const std::string& path)
{
    DIR* d = ::opendir(path.c_str());
    if (!d)
        return false;
    bool empty = true;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(d);
    return empty;
}

// The entries of a manifest ("name" or "folder/"); safe names only: no
// absolute paths, no "..", no empty names.
std::vector<std::string> ReadManifest(const std::string& path)
{
    std::vector<std::string> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line) && entries.size() < 1000) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == '#' || line[0] == '/' || line.find("..") != std::string::npos)
            continue;
        entries.push_back(line);
    }
    return entries;
}

bool CopyFile(const std::string& from, const std::string& to, std::string* why)
{
    struct stat st;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0 || ::fstat(in, &st) != 0) {
        *why = from + ": " + std::strerror(errno);
        if (in >= 0)
            ::close(in);
        return false;
    }
    const std::string tmp = to + ".installing";
    const mode_t mode = (st.st_mode & 0111) ? 0755 : 0644;
    const int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (out < 0) {
        *why = tmp + ": " + std::strerror(errno);
        ::close(in);
        return false;
    }
    char buf[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf + done, size_t(n - done));
            if (w <= 0) {
                if (w < 0 && errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok)
            break;
    }
    if (!ok)
        *why = to + ": " + std::strerror(errno);
    ::close(in);
    ok = ok && ::fchmod(out, mode) == 0 && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    // Replacing by renaming: a running program keeps its old file.
    if (!ok || ::rename(tmp.c_str(), to.c_str()) != 0) {
        if (why->empty())
            *why = to + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool CopyTree(const std::string& from, const std::string& to, std::string* why)
{
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) {
        *why = from + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISLNK(st.st_mode))
        return true; // links are not part of a program folder
    if (!S_ISDIR(st.st_mode))
        return CopyFile(from, to, why);
    if (!MakeDirs(to, 0755)) {
        *why = to + ": " + std::strerror(errno);
        return false;
    }
    DIR* d = ::opendir(from.c_str());
    if (!d) {
        *why = from + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    ::closedir(d);
    for (const std::string& n : names) {
        if (!CopyTree(from + "/" + n, to + "/" + n, why))
            return false;
    }
    return true;
}

std::string EntryPath(const std::string& dir, const std::string& entry)
{
    std::string e = entry;
    while (!e.empty() && e.back() == '/')
        e.pop_back();
    return dir + "/" + e;
}

bool HasData()
{
    RegKey key;
    return RegKey::Open(Hive::CurrentUser, kProgramKey, &key) == RegOk;
}

uint32_t ReadDwordOr(Hive hive, const char* path, const char* name, uint32_t fallback)
{
    RegKey key;
    uint32_t v = 0;
    if (RegKey::Open(hive, path, &key) == RegOk && key.ReadDword(name, &v))
        return v;
    return fallback;
}

} // namespace

struct PackageInstaller::Hooks {
    void* library = nullptr;
    InstallInitFn installInit = nullptr;
    InstallExitFn installExit = nullptr;
    UninstallInitFn uninstallInit = nullptr;
    UninstallExitFn uninstallExit = nullptr;
    ~Hooks()
    {
        if (library)
            ::dlclose(library);
    }
};

PackageInstaller::PackageInstaller(std::string sourceDir, FILE* out, FILE* err)
    : source_(Normalize(sourceDir)), out_(out), err_(err)
{
}

void PackageInstaller::Say(const std::string& text) { std::fprintf(out_, "%s\n", text.c_str()); }

void PackageInstaller::Fail(const std::string& text) { std::fprintf(err_, "dawnbell-install: %s\n", text.c_str()); }

std::string PackageInstaller::InstalledDir()
{
    RegKey key;
    std::u16string dir;
    if (RegKey::Open(Hive::LocalMachine, kPackageKey, &key) != RegOk || !key.ReadString("InstallDir", &dir))
        return std::string();
    return Utf16ToUtf8(dir);
}

std::string PackageInstaller::DefaultInstallDir() const
{
    if (Exists(source_ + "/" + kPackageMarker))
        return source_; // a package's folder: register it where it is
    if (::geteuid() == 0)
        return "/opt/dawnbell";
    return Env("HOME") + "/.local/lib/dawnbell";
}

bool PackageInstaller::LoadHooks(const std::string& libraryPath, Hooks* hooks)
{
    hooks->library = ::dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!hooks->library) {
        Fail("cannot load the setup hooks: " + std::string(::dlerror()));
        return false;
    }
    hooks->installInit = reinterpret_cast<InstallInitFn>(::dlsym(hooks->library, kInstallInitName));
    hooks->installExit = reinterpret_cast<InstallExitFn>(::dlsym(hooks->library, kInstallExitName));
    hooks->uninstallInit = reinterpret_cast<UninstallInitFn>(::dlsym(hooks->library, kUninstallInitName));
    hooks->uninstallExit = reinterpret_cast<UninstallExitFn>(::dlsym(hooks->library, kUninstallExitName));
    if (!hooks->installInit || !hooks->installExit || !hooks->uninstallInit || !hooks->uninstallExit) {
        Fail(libraryPath + " lacks one of the four setup hooks");
        return false;
    }
    return true;
}

bool PackageInstaller::CheckTarget(const std::string& dir, bool allowExisting)
{
    if (dir.empty() || dir == "/") {
        Fail("not a folder to install into: \"" + dir + "\"");
        return false;
    }
    if (Below(dir, source_) || Below(source_, dir)) {
        Fail(dir + " and the program folder " + source_ + " lie inside each other");
        return false;
    }
    if (Exists(dir)) {
        if (!IsDir(dir)) {
            Fail(dir + " exists and is not a folder");
            return false;
        }
        if (Exists(dir + "/" + kPackageMarker)) {
            Fail(dir + " belongs to the installed package; choose another folder");
            return false;
        }
        // Removal deletes the whole folder: never install among other files.
        const bool earlierDawnbell = Exists(dir + "/" + kManifestName);
        if (!IsEmptyDir(dir) && !(allowExisting && earlierDawnbell)) {
            Fail(dir + " is not empty; choose a new or empty folder (removing Dawnbell deletes its whole folder)");
            return false;
        }
    }
    // Everything to copy must be there before anything changes.
    for (const std::string& entry : ReadManifest(source_ + "/" + kManifestName)) {
        if (entry.back() != '/' && !Exists(EntryPath(source_, entry))) {
            Fail("the program folder " + source_ + " is incomplete: " + entry + " is missing (build everything first)");
            return false;
        }
    }
    if (!Exists(source_ + "/" + kManifestName)) {
        Fail(source_ + " is not a program folder: " + kManifestName + " is missing");
        return false;
    }
    return true;
}

bool PackageInstaller::CopyProgramFolder(const std::string& dir)
{
    if (!MakeDirs(dir, 0755)) {
        Fail("cannot create " + dir + ": " + std::strerror(errno));
        return false;
    }
    for (const std::string& entry : ReadManifest(source_ + "/" + kManifestName)) {
        const std::string from = EntryPath(source_, entry);
        if (entry.back() == '/' && !Exists(from))
            continue; // an optional data folder this build does not have
        std::string why;
        if (!CopyTree(from, EntryPath(dir, entry), &why)) {
            Fail("copying failed: " + why);
            return false;
        }
    }
    return true;
}

void PackageInstaller::DeleteProgramFiles(const std::string& dir, const std::string& manifest)
{
    for (const std::string& entry : ReadManifest(manifest))
        DeleteTree(EntryPath(dir, entry));
}

void PackageInstaller::WriteEntries(const std::string& dir, bool ownsFolder, uint32_t enabled)
{
    RegKey package;
    if (RegKey::Create(Hive::LocalMachine, kPackageKey, &package) == RegOk) {
        package.WriteString("InstallDir", Utf8ToUtf16(dir));
        package.WriteDword("OwnsFolder", ownsFolder ? 1 : 0);
    }
    RegKey item;
    if (RegKey::Create(Hive::LocalMachine, kTodayItemKey, &item) == RegOk) {
        item.WriteString("DLL", Utf8ToUtf16(dir + "/" + kTodayLibrary));
        item.WriteDword("Type", 4);
        item.WriteDword("Enabled", enabled);
        item.WriteDword("Options", 1);
        item.WriteDword("Order", 0);
        item.WriteDword("Selectability", 2);
    }
    RegFlush(Hive::LocalMachine);

    // The today screen's launcher beside the program's own shortcut.
    const std::string programs = ProgramsFolder();
    if (!programs.empty() && MakeDirs(programs, 0755)) {
        std::ofstream launcher(programs + "/" + kTodayLauncherName, std::ios::trunc);
        launcher << "[Desktop Entry]\nVersion=1.4\nType=Application\nName=Dawnbell Today\n"
                 << "Comment=The next alarms at a glance\n"
                 << "Exec=" << DesktopExec(dir + "/dawnbell-today", "") << "\n"
                 << "Icon=" << dir << "/dawnbell.png\nTerminal=false\nCategories=Utility;Clock;\n";
    }
}

void PackageInstaller::RemoveEntries(const std::string& dir, bool ownsFolder)
{
    RegDeleteTree(Hive::LocalMachine, kPackageKey);
    RegKey maker;
    uint32_t subkeys = 1;
    if (RegKey::Open(Hive::LocalMachine, kMakerKey, &maker) == RegOk && maker.QueryInfo(&subkeys, nullptr) == RegOk
        && subkeys == 0) {
        maker.Close();
        RegDeleteTree(Hive::LocalMachine, kMakerKey);
    }
    RegDeleteTree(Hive::LocalMachine, kTodayItemKey);
    RegFlush(Hive::LocalMachine);
    const std::string programs = ProgramsFolder();
    if (!programs.empty())
        ::unlink((programs + "/" + kTodayLauncherName).c_str());
    if (!ownsFolder) {
        // The hooks' shortcuts in a folder that stays.
        ::unlink((dir + "/Reset Dawnbell.desktop").c_str());
        ::unlink((dir + "/Disable AutoStop.desktop").c_str());
    }
}

void PackageInstaller::SetUpService(const std::string& dir)
{
    std::string report;
    if (UserService::Install(dir, &report))
        Say(report);
    else
        Fail(report + "; alarms ring only while Dawnbell or its daemon runs");
}

void PackageInstaller::GrantWakeAlarm(const std::string& dir)
{
    const std::string daemon = dir + "/dawnbell-notifyd";
    if (::geteuid() != 0) {
        Say("To let alarms wake a suspended device, run once: sudo setcap cap_wake_alarm+ep '" + daemon + "'");
        return;
    }
    if (RunAndWait("setcap", {"cap_wake_alarm+ep", daemon}) == 0)
        Say("gave " + daemon + " the capability to wake a suspended device (cap_wake_alarm)");
    else
        Fail("setcap cap_wake_alarm+ep " + daemon + " failed; alarms will not wake a suspended device");
}

int PackageInstaller::Install(const std::string& dirArg)
{
    const std::string installed = InstalledDir();
    if (!installed.empty()) {
        Fail("Dawnbell is already installed in " + installed + "; use update, or remove it first");
        return 2;
    }
    const std::string dir = Normalize(dirArg.empty() ? DefaultInstallDir() : dirArg);
    const bool inPlace = SameFolder(dir, source_);
    if (!inPlace && !CheckTarget(dir, true))
        return 2;
    Hooks hooks;
    if (!LoadHooks(source_ + "/" + kHooksLibrary, &hooks))
        return 1;

    const bool existed = Exists(dir);
    const bool hadData = HasData();
    hooks.installInit(nullptr, 1, 0, dir.c_str());
    if (!inPlace && !CopyProgramFolder(dir)) {
        // Back to where we started.
        if (existed)
            DeleteProgramFiles(dir, source_ + "/" + kManifestName);
        else
            DeleteTree(dir);
        if (!hadData)
            RegDeleteTree(Hive::CurrentUser, kProgramKey);
        return 1;
    }
    const uint32_t enabled = ReadDwordOr(Hive::LocalMachine, kTodayItemKey, "Enabled", 1);
    WriteEntries(dir, !inPlace, enabled);
    SetUpService(dir);
    GrantWakeAlarm(dir);
    hooks.installExit(nullptr, dir.c_str(), 0, 0, 0, 0, 0);
    Say("Dawnbell is installed in " + dir + ".");
    return 0;
}

int PackageInstaller::Update(const std::string& dirArg)
{
    const std::string old = InstalledDir();
    if (old.empty()) {
        Fail("Dawnbell is not installed; use install");
        return 2;
    }
    const bool ownedOld = ReadDwordOr(Hive::LocalMachine, kPackageKey, "OwnsFolder", 0) != 0;
    const std::string dir = Normalize(dirArg.empty() ? old : dirArg);
    const bool inPlace = SameFolder(dir, source_);
    if (!inPlace && !CheckTarget(dir, SameFolder(dir, old)))
        return 2;
    Hooks hooks, oldHooks;
    if (!LoadHooks(source_ + "/" + kHooksLibrary, &hooks))
        return 1;
    const std::string oldLibrary = old + "/" + kHooksLibrary;
    Hooks* removal = &hooks;
    if (Exists(oldLibrary) && LoadHooks(oldLibrary, &oldHooks))
        removal = &oldHooks;
    // What the old version copied, read before new files replace its list.
    const std::vector<std::string> oldEntries = ReadManifest(old + "/" + kManifestName);
    const uint32_t enabled = ReadDwordOr(Hive::LocalMachine, kTodayItemKey, "Enabled", 1);

    UserService::Stop(); // its program file is about to be replaced
    hooks.installInit(nullptr, 1, 1, dir.c_str());

    // The removal of the old version: data and alarms stay (all switched off).
    removal->uninstallInit(nullptr, old.c_str());
    RemoveEntries(old, ownedOld);
    removal->uninstallExit(nullptr);

    // The new version.
    if (!inPlace && !CopyProgramFolder(dir)) {
        Fail("the update is incomplete; run it again once the problem is solved");
        WriteEntries(dir, true, enabled);
        return 1;
    }
    if (ownedOld && !SameFolder(dir, old)) {
        for (const std::string& entry : oldEntries)
            DeleteTree(EntryPath(old, entry));
        DeleteTree(old + "/Reset Dawnbell.desktop");
        DeleteTree(old + "/Disable AutoStop.desktop");
        ::rmdir(old.c_str());
    } else if (ownedOld) {
        // Files of the old version the new one no longer has.
        const std::vector<std::string> now = ReadManifest(source_ + "/" + kManifestName);
        const std::set<std::string> keep(now.begin(), now.end());
        for (const std::string& entry : oldEntries) {
            if (!keep.count(entry))
                DeleteTree(EntryPath(old, entry));
        }
    }
    WriteEntries(dir, !inPlace, enabled);
    SetUpService(dir);
    GrantWakeAlarm(dir);
    hooks.installExit(nullptr, dir.c_str(), 0, 0, 0, 0, 0);
    Say("Dawnbell is updated in " + dir + ". Every alarm is switched off; switch on the ones you need.");
    return 0;
}

int PackageInstaller::Remove(const std::string& dirArg)
{
    const std::string dir = InstalledDir();
    if (dir.empty()) {
        Fail("Dawnbell is not installed");
        return 2;
    }
    if (!dirArg.empty() && !SameFolder(Normalize(dirArg), dir)) {
        Fail("Dawnbell is installed in " + dir + ", not in " + Normalize(dirArg));
        return 2;
    }
    const bool owns = ReadDwordOr(Hive::LocalMachine, kPackageKey, "OwnsFolder", 0) != 0
        && !Exists(dir + "/" + kPackageMarker);
    Hooks hooks;
    const std::string library = Exists(dir + "/" + kHooksLibrary) ? dir + "/" + kHooksLibrary
                                                                  : source_ + "/" + kHooksLibrary;
    if (!LoadHooks(library, &hooks))
        return 1;

    std::string report;
    UserService::Remove(&report);
    if (!report.empty())
        Say(report);
    // An empty folder argument: the hooks delete no folder the installer did not make.
    hooks.uninstallInit(nullptr, owns ? dir.c_str() : "");
    RemoveEntries(dir, owns);

    // The program's and the daemon's logs.
    const std::string device = DeviceDir();
    if (DIR* d = device.empty() ? nullptr : ::opendir(device.c_str())) {
        std::vector<std::string> logs;
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.rfind("dawnbell.log", 0) == 0 || name.rfind("notifyd.log", 0) == 0)
                logs.push_back(device + "/" + name);
        }
        ::closedir(d);
        for (const std::string& log : logs)
            ::unlink(log.c_str());
    }
    hooks.uninstallExit(nullptr);

    if (owns && Exists(dir)) {
        Fail("could not delete everything in " + dir);
        return 1;
    }
    Say("Dawnbell is removed" + std::string(owns ? "." : "; the package's folder " + dir + " stays."));
    return 0;
}

} // namespace dawnbell::install
