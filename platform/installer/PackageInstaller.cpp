#include "PackageInstaller.h"

#include "DeviceCleanup.h"
#include "DevicePaths.h"
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
// The shortcuts the setup hooks write into the installation folder.
constexpr const char* const kHookShortcuts[] = {"Reset Dawnbell.desktop", "Disable AutoStop.desktop"};
// The package key's values that prove the installation folder (see InstallFolder.h).
constexpr const char kTokenValue[] = "InstallToken";
constexpr const char kInodeValue[] = "InstallInode";
// A stored inode is at most this many decimal digits.
constexpr size_t kInodeMaxDigits = 20;

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

// The real path of an existing folder, else the normalized one. For comparing
// folders only: never a path to write to or delete.
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

std::string EntryPath(const std::string& dir, const std::string& entry)
{
    std::string e = entry;
    while (!e.empty() && e.back() == '/')
        e.pop_back();
    return dir + "/" + e;
}

uint32_t ReadDwordOr(Hive hive, const char* path, const char* name, uint32_t fallback)
{
    RegKey key;
    uint32_t v = 0;
    if (RegKey::Open(hive, path, &key) == RegOk && key.ReadDword(name, &v))
        return v;
    return fallback;
}

// A REG_SZ of the package key as UTF-8; "" when missing.
std::string ReadPackageText(const char* name)
{
    RegKey key;
    std::u16string text;
    if (RegKey::Open(Hive::LocalMachine, kPackageKey, &key) != RegOk || !key.ReadString(name, &text))
        return std::string();
    return Utf16ToUtf8(text);
}

} // namespace

// The hooks library stays loaded once opened: it links its own copy of the
// program's libraries, whose process-lifetime objects (the store connection,
// language tables) and exit handlers would be left pointing into unmapped code
// by dlclose. The installer is a short-lived process, so nothing is held long.
struct PackageInstaller::Hooks {
    void* library = nullptr;
    InstallInitFn installInit = nullptr;
    InstallExitFn installExit = nullptr;
    UninstallInitFn uninstallInit = nullptr;
    UninstallExitFn uninstallExit = nullptr;
};

PackageInstaller::PackageInstaller(std::string sourceDir, FILE* out, FILE* err)
    : source_(Normalize(sourceDir)), out_(out), err_(err)
{
}

void PackageInstaller::Say(const std::string& text) { std::fprintf(out_, "%s\n", text.c_str()); }

void PackageInstaller::Fail(const std::string& text) { std::fprintf(err_, "dawnbell-install: %s\n", text.c_str()); }

std::string PackageInstaller::InstalledDir() { return ReadPackageText("InstallDir"); }

std::string PackageInstaller::DefaultInstallDir() const
{
    if (Exists(source_ + "/" + kPackageMarker))
        return source_; // a package's folder: register it where it is
    if (::geteuid() == 0)
        return "/opt/dawnbell";
    return Env("HOME") + "/.local/lib/dawnbell";
}

bool PackageInstaller::LoadHooks(Hooks* hooks)
{
    // Only the hooks that came with this installer: a folder named in the
    // store is no licence to run code from it.
    const std::string libraryPath = source_ + "/" + kHooksLibrary;
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

bool PackageInstaller::CheckSource()
{
    if (!Exists(source_ + "/" + kManifestName)) {
        Fail(source_ + " is not a program folder: " + kManifestName + " is missing");
        return false;
    }
    // Everything to copy must be there before anything changes.
    for (const std::string& entry : ReadManifest(source_ + "/" + kManifestName)) {
        if (entry.back() != '/' && !Exists(EntryPath(source_, entry))) {
            Fail("the program folder " + source_ + " is incomplete: " + entry + " is missing (build everything first)");
            return false;
        }
    }
    return true;
}

bool PackageInstaller::CheckTarget(const std::string& wanted, std::string* dir)
{
    std::string why;
    if (!InstallFolder::CheckNew(wanted, dir, &why)) {
        Fail(why);
        return false;
    }
    if (Below(*dir, source_) || Below(source_, *dir)) {
        Fail(Printable(*dir) + " and the program folder " + source_ + " lie inside each other");
        return false;
    }
    return CheckSource();
}

bool PackageInstaller::OpenInstalled(const std::string& dir, InstallFolder* folder, std::string* why)
{
    const std::string inode = ReadPackageText(kInodeValue);
    const bool digits = !inode.empty() && inode.size() <= kInodeMaxDigits
        && std::all_of(inode.begin(), inode.end(), [](char c) { return c >= '0' && c <= '9'; });
    return folder->Open(dir, ReadPackageText(kTokenValue), digits ? std::strtoull(inode.c_str(), nullptr, 10) : 0,
                        why);
}

bool PackageInstaller::CopyProgramFolder(InstallFolder* folder)
{
    for (const std::string& entry : ReadManifest(source_ + "/" + kManifestName)) {
        std::string why;
        if (!folder->Copy(source_, entry, &why)) {
            Fail("copying failed: " + why);
            return false;
        }
    }
    return true;
}

bool PackageInstaller::SaveRecord(InstallFolder* folder)
{
    std::string why;
    if (folder->Save(&why))
        return true;
    Fail(why + "; a later update or removal will leave the files of this installation in place");
    return false;
}

bool PackageInstaller::RecordShortcuts(InstallFolder* folder)
{
    for (const char* name : kHookShortcuts)
        folder->Adopt(name);
    return SaveRecord(folder);
}

void PackageInstaller::WriteEntries(const std::string& dir, const InstallFolder* folder, uint32_t enabled)
{
    RegKey package;
    if (RegKey::Create(Hive::LocalMachine, kPackageKey, &package) == RegOk) {
        package.WriteString("InstallDir", Utf8ToUtf16(dir));
        package.WriteDword("OwnsFolder", folder ? 1 : 0);
        if (folder) {
            package.WriteString(kTokenValue, Utf8ToUtf16(folder->token()));
            package.WriteString(kInodeValue, Utf8ToUtf16(std::to_string(folder->inode())));
        } else {
            package.DeleteValue(kTokenValue);
            package.DeleteValue(kInodeValue);
        }
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
                 << "Exec=" << DeviceExec(dir + "/dawnbell-today", "") << "\n"
                 << "Icon=" << dir << "/dawnbell.png\nTerminal=false\nCategories=Utility;Clock;\n";
    }
}

void PackageInstaller::RemoveEntries(const std::string& dir)
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
    // The hooks' shortcuts in a package's folder that stays: only in this
    // installer's own folder, the one registered.
    if (SameFolder(dir, source_)) {
        const int fd = ::open(source_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        for (const char* name : kHookShortcuts) {
            struct stat st;
            if (fd >= 0 && ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
                ::unlinkat(fd, name, 0);
        }
        if (fd >= 0)
            ::close(fd);
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
        Fail("Dawnbell is already installed in " + Printable(installed) + "; use update, or remove it first");
        return 2;
    }
    const std::string wanted = dirArg.empty() ? DefaultInstallDir() : dirArg;
    const bool inPlace = SameFolder(wanted, source_);
    std::string dir = source_;
    if (!inPlace && !CheckTarget(wanted, &dir))
        return 2;
    Hooks hooks;
    if (!LoadHooks(&hooks))
        return 1;

    // The files first: a copy that fails is undone before anything else
    // changed, so the store (and every alarm in it) is never touched.
    InstallFolder folder;
    if (!inPlace) {
        std::string why;
        if (!folder.Create(dir, &why)) {
            Fail(why);
            return 1;
        }
        if (!CopyProgramFolder(&folder) || !SaveRecord(&folder)) {
            folder.Rollback();
            Fail("nothing was installed; the files copied so far were deleted again");
            return 1;
        }
    }
    const uint32_t enabled = ReadDwordOr(Hive::LocalMachine, kTodayItemKey, "Enabled", 1);
    hooks.installInit(nullptr, 1, 0, dir.c_str());
    WriteEntries(dir, inPlace ? nullptr : &folder, enabled);
    SetUpService(dir);
    GrantWakeAlarm(dir);
    hooks.installExit(nullptr, dir.c_str(), 0, 0, 0, 0, 0);
    const bool recorded = inPlace || RecordShortcuts(&folder);
    Say("Dawnbell is installed in " + dir + ".");
    return recorded ? 0 : 1;
}

int PackageInstaller::Update(const std::string& dirArg)
{
    const std::string old = InstalledDir();
    if (old.empty()) {
        Fail("Dawnbell is not installed; use install");
        return 2;
    }
    const bool ownedOld = ReadDwordOr(Hive::LocalMachine, kPackageKey, "OwnsFolder", 0) != 0;
    InstallFolder oldFolder;
    std::string oldWhy;
    const bool provenOld = ownedOld && OpenInstalled(old, &oldFolder, &oldWhy);
    // Run from the installed copy itself: its files are already this version's,
    // and the folder stays the installer's own (never registered as a package's
    // folder, which a later removal would leave whole).
    const bool fromInstalled = ownedOld && SameFolder(old, source_);
    // Where the new version goes: this installer's own folder (a package's,
    // nothing is copied), the old folder again, or a new one.
    const std::string wanted = dirArg.empty() ? old : dirArg;
    const bool inPlace = !fromInstalled && SameFolder(wanted, source_);
    const bool sameFolder = !inPlace && (dirArg.empty() || SameFolder(dirArg, old));
    std::string dir = source_;
    if (sameFolder) {
        if (!provenOld) {
            Fail("cannot update " + Printable(old) + " in place: "
                 + (ownedOld ? oldWhy : std::string("it is the package's folder, which the package manager updates"))
                 + ". Nothing was changed; to install this version into a new folder (the old one stays), run: "
                   "dawnbell-install update --dir NEW-FOLDER");
            return 2;
        }
        if (!CheckSource())
            return 2;
        dir = old;
    } else if (!inPlace && !CheckTarget(wanted, &dir)) {
        return 2;
    }
    Hooks hooks;
    if (!LoadHooks(&hooks))
        return 1;
    const uint32_t enabled = ReadDwordOr(Hive::LocalMachine, kTodayItemKey, "Enabled", 1);

    // A new folder is filled before anything else changes: a copy that fails
    // leaves the installed version as it was.
    InstallFolder fresh;
    if (!inPlace && !sameFolder) {
        std::string why;
        if (!fresh.Create(dir, &why)) {
            Fail(why);
            return 1;
        }
        if (!CopyProgramFolder(&fresh) || !SaveRecord(&fresh)) {
            fresh.Rollback();
            Fail("nothing was updated; the files copied so far were deleted again");
            return 1;
        }
    }

    UserService::Stop(); // its program file is about to be replaced
    hooks.installInit(nullptr, 1, 1, dir.c_str());

    // The removal of the old version: data and alarms stay (all switched off).
    hooks.uninstallInit(nullptr, provenOld ? old.c_str() : "");
    RemoveEntries(old);
    hooks.uninstallExit(nullptr);

    int status = 0;
    std::vector<std::string> kept;
    InstallFolder* folder = inPlace ? nullptr : sameFolder ? &oldFolder : &fresh;
    if (sameFolder && fromInstalled) {
        // Nothing to copy and nothing stale: the record stays as it is.
    } else if (sameFolder) {
        // The new version over the old; then the old version's files the new
        // one no longer has (the hooks' shortcuts are made again below).
        std::set<std::string> before = oldFolder.TakeFiles();
        for (const char* name : kHookShortcuts)
            before.erase(name);
        const bool copied = CopyProgramFolder(&oldFolder);
        std::set<std::string> stale;
        for (const std::string& name : before) {
            if (!oldFolder.files().count(name))
                stale.insert(name);
        }
        oldFolder.KeepFiles(stale);
        if (!copied) {
            RecordShortcuts(&oldFolder);
            WriteEntries(dir, &oldFolder, enabled);
            Fail("the update is incomplete; run it again once the problem is solved");
            return 1;
        }
        if (!SaveRecord(&oldFolder) || !oldFolder.DeleteFiles(stale, &kept))
            status = 1;
    } else if (provenOld) {
        if (!oldFolder.Remove(&kept))
            status = 1;
    } else if (ownedOld) {
        kept.push_back("kept " + Printable(old) + ", the folder of the earlier version: " + oldWhy
                       + "; nothing in it was deleted (delete it yourself if it holds nothing of yours)");
        status = 1;
    }
    for (const std::string& line : kept)
        Fail(line);
    WriteEntries(dir, folder, enabled);
    SetUpService(dir);
    GrantWakeAlarm(dir);
    hooks.installExit(nullptr, dir.c_str(), 0, 0, 0, 0, 0);
    if (folder && !RecordShortcuts(folder))
        status = 1;
    Say("Dawnbell is updated in " + dir + ". Every alarm is switched off; switch on the ones you need.");
    return status;
}

int PackageInstaller::Remove(const std::string& dirArg)
{
    const std::string dir = InstalledDir();
    if (dir.empty()) {
        Fail("Dawnbell is not installed");
        return 2;
    }
    if (!dirArg.empty() && !SameFolder(Normalize(dirArg), dir)) {
        Fail("Dawnbell is installed in " + Printable(dir) + ", not in " + Normalize(dirArg));
        return 2;
    }
    const bool owns = ReadDwordOr(Hive::LocalMachine, kPackageKey, "OwnsFolder", 0) != 0;
    InstallFolder folder;
    std::string why;
    const bool proven = owns && OpenInstalled(dir, &folder, &why);
    Hooks hooks;
    if (!LoadHooks(&hooks))
        return 1;

    std::string report;
    UserService::Remove(&report);
    if (!report.empty())
        Say(report);
    // The hooks delete nothing in the folder; it goes below, by the record.
    hooks.uninstallInit(nullptr, proven ? dir.c_str() : "");
    RemoveEntries(dir);

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

    int status = 0;
    std::vector<std::string> kept;
    if (proven) {
        if (!folder.Remove(&kept))
            status = 1;
    } else if (owns) {
        kept.push_back("kept " + Printable(dir) + ": " + why
                       + "; nothing in it was deleted (delete it yourself if it holds nothing of yours)");
        status = 1;
    } else if (!Exists(dir + "/" + kPackageMarker) && Exists(dir + "/" + kRecordName)) {
        // Registered as not the installer's own, yet made by it: an update run
        // from the installed copy by an earlier installer lost its proof.
        kept.push_back("kept " + Printable(dir) + ": dawnbell-install made it, but its registration no longer "
                       "proves it (an earlier update lost that); nothing in it was deleted (delete it yourself "
                       "if it holds nothing of yours)");
        status = 1;
    }
    for (const std::string& line : kept)
        Fail(line);
    // The stores the removal emptied, the stopped service's lock and sockets.
    // Last: nothing may use the stores afterwards.
    std::vector<std::string> cleaned, inUse;
    DeviceCleanup::Run(&cleaned, &inUse);
    for (const std::string& line : cleaned)
        Say(line);
    for (const std::string& line : inUse)
        Say(line);
    if (!owns && status == 0)
        Say("Dawnbell is removed; the package's folder " + Printable(dir) + " stays.");
    else
        Say(status == 0 ? "Dawnbell is removed." : "Dawnbell is removed, but files of its installation stay (above).");
    return status;
}

} // namespace dawnbell::install
