#include "DeviceCleanup.h"

#include "DevicePaths.h"
#include "Notify.h"
#include "Registry.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dawnbell::install {

namespace {

constexpr const char kPowerTimeoutsKey[] = "system\\currentcontrolset\\control\\power\\timeouts";
constexpr const char* const kResumingTimeouts[] = {"battresumingsuspendtimeout", "acresumingsuspendtimeout"};
constexpr uint32_t kDefaultResumingTimeout = 15;
// Deeper keys than this are not looked at: the store then counts as in use.
constexpr int kMaxKeyDepth = 64;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return text;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Whether the folder `path` exists and holds nothing.
bool EmptyFolder(const std::string& path)
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

// Whether `value` is one of the resuming time-outs at its default.
bool DefaultTimeout(const RegValue& value)
{
    bool named = false;
    for (const char* name : kResumingTimeouts)
        named = named || Lower(value.name) == name;
    uint32_t v = 0;
    if (!named || value.type != RegType::Dword || value.data.size() != sizeof v)
        return false;
    std::memcpy(&v, value.data.data(), sizeof v);
    return v == kDefaultResumingTimeout;
}

// Whether key `path` of `hive` and every key below it hold no value (but the
// default time-outs). False when a key cannot be read.
bool TreeEmpty(Hive hive, const std::string& path, int depth)
{
    RegKey key;
    uint32_t subkeys = 0, values = 0;
    if (depth > kMaxKeyDepth || RegKey::Open(hive, path, &key) != RegOk
        || key.QueryInfo(&subkeys, &values) != RegOk)
        return false;
    if (values != 0) {
        std::vector<RegValue> all;
        if (hive != Hive::LocalMachine || Lower(path) != kPowerTimeoutsKey || key.ReadAllValues(&all) != RegOk)
            return false;
        for (const RegValue& v : all) {
            if (!DefaultTimeout(v))
                return false;
        }
    }
    for (uint32_t i = 0; i < subkeys; ++i) {
        std::string name;
        if (key.EnumKey(i, &name) != RegOk || !TreeEmpty(hive, path.empty() ? name : path + "\\" + name, depth + 1))
            return false;
    }
    return true;
}

// Deletes the store file `path` when no connection of any program is open: the
// last connection to close takes the store's -wal and -shm files with it, so
// their presence means one is still open (or ended without closing).
void DeleteStore(const std::string& path, std::vector<std::string>* removed, std::vector<std::string>* kept)
{
    if (Exists(path + "-wal") || Exists(path + "-shm")) {
        kept->push_back("kept " + path + ": it is empty, but a program still has it open");
        return;
    }
    if (::unlink(path.c_str()) == 0)
        removed->push_back("removed " + path + " (empty)");
    else
        kept->push_back("kept " + path + ": " + std::strerror(errno));
}

// Deletes the socket files named "*.sock" in the folder `dir` that nobody
// listens on, then the folder itself when it ends empty.
void DeleteStaleSockets(const std::string& dir, std::vector<std::string>* removed)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        struct stat st;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".sock") == 0
            && ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISSOCK(st.st_mode)
            && DeviceCleanup::SocketIsStale(dir + "/" + name))
            stale.push_back(name);
    }
    for (const std::string& name : stale) {
        if (::unlinkat(fd, name.c_str(), 0) == 0)
            removed->push_back("removed " + dir + "/" + name + " (nobody listens on it)");
    }
    ::closedir(d); // closes fd
    if (EmptyFolder(dir))
        ::rmdir(dir.c_str());
}

} // namespace

bool DeviceCleanup::RegistryEmptied()
{
    RegReadScope snapshot;
    return TreeEmpty(Hive::CurrentUser, std::string(), 0) && TreeEmpty(Hive::LocalMachine, std::string(), 0);
}

bool DeviceCleanup::NotificationsEmptied()
{
    std::vector<notify::NotifyRecord> records;
    std::vector<notify::MissedAlarm> missed;
    std::vector<notify::SetAsideNote> notes;
    return notify::NotifyList(&records) == notify::NotifyOk && records.empty()
        && notify::NotifyMissedAlarms(&missed) == notify::NotifyOk && missed.empty()
        && notify::NotifySetAsideNotes(&notes) == notify::NotifyOk && notes.empty();
}

bool DeviceCleanup::SocketIsStale(const std::string& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    for (int type : {SOCK_STREAM, SOCK_DGRAM}) {
        const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        const int err = errno;
        ::close(fd);
        if (rc == 0)
            return false;
        if (err == ECONNREFUSED)
            return true;
        if (err != EPROTOTYPE)
            return false; // another type of socket is tried only on a type mismatch
    }
    return false;
}

void DeviceCleanup::Run(std::vector<std::string>* removed, std::vector<std::string>* kept)
{
    const std::string device = DeviceDir();
    if (device.empty())
        return;
    const std::string registry = device + "/registry.db";
    const std::string notifications = device + "/notifications.db";
    // Asked before closing: asking opens a store (and would create a missing one).
    const bool serviceStopped = notify::NotifyDaemonPid() == 0;
    const bool registryEmptied = Exists(registry) && RegistryEmptied();
    const bool notificationsEmptied = Exists(notifications) && serviceStopped && NotificationsEmptied();
    RegCloseStore();
    notify::NotifyCloseStore();
    if (registryEmptied)
        DeleteStore(registry, removed, kept);
    if (notificationsEmptied)
        DeleteStore(notifications, removed, kept);
    // The stopped service's lock file.
    struct stat st;
    const std::string lock = device + "/notifyd.lock";
    if (serviceStopped && ::lstat(lock.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(lock.c_str()) == 0)
        removed->push_back("removed " + lock);

    const std::string runtime = RuntimeDir();
    if (!runtime.empty()) {
        DeleteStaleSockets(runtime + "/broadcast", removed);
        DeleteStaleSockets(runtime, removed);
    }
    if (EmptyFolder(device))
        ::rmdir(device.c_str());
}

} // namespace dawnbell::install
