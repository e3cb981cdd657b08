#include "NotificationLeds.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

// Bounds on what a (possibly odd) device tree can make us do.
constexpr size_t kMaxEntries = 512;    // directory entries looked at per folder
constexpr size_t kMaxFileBytes = 64;   // bytes read from one sysfs attribute

std::string Root(const char* var, const char* fallback)
{
    const char* v = std::getenv(var);
    return (v && *v) ? std::string(v) : std::string(fallback);
}

bool ContainsVibrator(const std::string& name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("vibrator") != std::string::npos;
}

std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return names;
    while (dirent* e = readdir(d)) {
        if (names.size() >= kMaxEntries)
            break;
        if (e->d_name[0] == '.')
            continue;
        names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// Reads a small decimal attribute; false when missing, empty or not a number.
bool ReadInt(const std::string& path, long* out)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    char buf[kMaxFileBytes + 1];
    const ssize_t n = read(fd, buf, kMaxFileBytes);
    close(fd);
    if (n <= 0)
        return false;
    buf[n] = '\0';
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(buf, &end, 10);
    if (end == buf || errno != 0)
        return false;
    while (*end == '\n' || *end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return false;
    *out = v;
    return true;
}

bool WriteText(const std::string& path, const std::string& text)
{
    // O_TRUNC keeps a plain file (a test tree) holding only the last value.
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_TRUNC);
    if (fd < 0)
        return false;
    const ssize_t n = write(fd, text.data(), text.size());
    close(fd);
    return n == static_cast<ssize_t>(text.size());
}

bool TestBit(const unsigned long* bits, int bit)
{
    const int per = 8 * sizeof(unsigned long);
    return (bits[bit / per] >> (bit % per)) & 1UL;
}

} // namespace

NotificationLeds::~NotificationLeds()
{
    for (Device& d : devices_) {
        if (d.on) {
            if (d.fd >= 0)
                SetInput(d, false);
            else
                SetLed(d, false);
        }
        if (d.fd >= 0) {
            if (d.effect >= 0)
                ioctl(d.fd, EVIOCRMFF, d.effect);
            close(d.fd);
        }
    }
}

void NotificationLeds::Scan()
{
    if (scanned_)
        return;
    scanned_ = true;
    ScanLeds(Root("DAWNBELL_SYSFS", "/sys"));
    ScanInput(Root("DAWNBELL_DEVINPUT", "/dev/input"));
}

void NotificationLeds::ScanLeds(const std::string& sysfs)
{
    const std::string dir = sysfs + "/class/leds";
    for (const std::string& name : ListDir(dir)) {
        if (!ContainsVibrator(name))
            continue;
        Device d;
        d.name = name;
        d.path = dir + "/" + name + "/brightness";
        if (access(d.path.c_str(), W_OK) != 0)
            continue;
        long max = 0;
        // A missing or nonsensical maximum: 1 is "on" for every LED.
        d.maxBrightness = (ReadInt(dir + "/" + name + "/max_brightness", &max) && max > 0 && max <= 1000000)
                              ? static_cast<int>(max)
                              : 1;
        devices_.push_back(std::move(d));
    }
}

void NotificationLeds::ScanInput(const std::string& devinput)
{
    for (const std::string& entry : ListDir(devinput)) {
        if (entry.compare(0, 5, "event") != 0)
            continue;
        const std::string path = devinput + "/" + entry;
        struct stat st;
        // Only character devices: never block on or write into anything else.
        if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            continue;
        const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        char name[256] = {};
        unsigned long ffBits[(FF_MAX + 8 * sizeof(unsigned long)) / (8 * sizeof(unsigned long))] = {};
        const bool isVibrator = ioctl(fd, EVIOCGNAME(sizeof name - 1), name) >= 0 && ContainsVibrator(name)
                                && ioctl(fd, EVIOCGBIT(EV_FF, sizeof ffBits), ffBits) >= 0
                                && TestBit(ffBits, FF_RUMBLE);
        if (!isVibrator) {
            close(fd);
            continue;
        }
        Device d;
        d.name = name;
        d.path = path;
        d.fd = fd;
        devices_.push_back(std::move(d));
    }
}

int NotificationLeds::Count()
{
    Scan();
    return static_cast<int>(devices_.size());
}

std::string NotificationLeds::Name(int index)
{
    Scan();
    if (index < 0 || index >= static_cast<int>(devices_.size()))
        return std::string();
    return devices_[index].name;
}

bool NotificationLeds::SetLed(Device& d, bool on)
{
    if (!WriteText(d.path, on ? std::to_string(d.maxBrightness) : std::string("0")))
        return false;
    d.on = on;
    return true;
}

bool NotificationLeds::SetInput(Device& d, bool on)
{
    if (on && d.effect < 0) {
        ff_effect effect;
        std::memset(&effect, 0, sizeof effect);
        effect.type = FF_RUMBLE;
        effect.id = -1;
        effect.u.rumble.strong_magnitude = 0xFFFF;
        effect.u.rumble.weak_magnitude = 0xFFFF;
        effect.replay.length = 0; // no length: runs until stopped
        if (ioctl(d.fd, EVIOCSFF, &effect) < 0)
            return false;
        d.effect = effect.id;
    }
    if (d.effect < 0)
        return !on; // never started: already still
    input_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.type = EV_FF;
    ev.code = static_cast<uint16_t>(d.effect);
    ev.value = on ? 1 : 0;
    if (write(d.fd, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev))
        return false;
    d.on = on;
    return true;
}

bool NotificationLeds::Set(int index, int state)
{
    Scan();
    if (index < 0 || index >= static_cast<int>(devices_.size()))
        return false;
    Device& d = devices_[index];
    const bool on = state != 0;
    return d.fd >= 0 ? SetInput(d, on) : SetLed(d, on);
}

bool NotificationLeds::SetAll(int state)
{
    bool all = true;
    for (int i = 0; i < Count(); ++i)
        all = Set(i, state) && all;
    return all;
}

} // namespace dawnbell
