#include "SysfsBacklight.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace dawnbell {

namespace {
constexpr int kBlPowerOn = 0;  // FB_BLANK_UNBLANK
constexpr int kBlPowerOff = 4; // FB_BLANK_POWERDOWN
} // namespace

int ReadSysfsInt(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char buf[32];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0)
        return -1;
    buf[n] = '\0';
    long value = 0;
    int digits = 0;
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buf[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 9)
                return -1;
            value = value * 10 + (c - '0');
        } else if (c == '\n' || c == ' ') {
            break;
        } else {
            return -1;
        }
    }
    return digits > 0 ? static_cast<int>(value) : -1;
}

bool WriteSysfsInt(const std::string& path, int value)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    char buf[16];
    const int len = std::snprintf(buf, sizeof buf, "%d\n", value);
    const bool ok = len > 0 && ::write(fd, buf, static_cast<size_t>(len)) == len;
    ::close(fd);
    return ok;
}

SysfsBacklight::SysfsBacklight() : root_(DefaultRoot()) {}

SysfsBacklight::SysfsBacklight(std::string root) : root_(std::move(root)) {}

std::string SysfsBacklight::DefaultRoot()
{
    const char* env = std::getenv("DAWNBELL_SYSFS");
    return env && *env ? std::string(env) : std::string("/sys");
}

std::vector<std::string> SysfsBacklight::Devices() const
{
    std::vector<std::string> out;
    const std::string dir = root_ + "/class/backlight";
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return out;
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        out.push_back(dir + "/" + e->d_name);
        if (out.size() >= 64) // more backlights than any device has
            break;
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

void SysfsBacklight::SaveOnce()
{
    if (!saved_.empty())
        return;
    for (const std::string& dir : Devices()) {
        Saved s;
        s.dir = dir;
        s.blPower = ReadSysfsInt(dir + "/bl_power");
        s.brightness = ReadSysfsInt(dir + "/brightness");
        saved_.push_back(s);
    }
    if (saved_.empty())
        saved_.push_back(Saved()); // remember that a state was forced even without devices
}

void SysfsBacklight::ForceOn()
{
    SaveOnce();
    for (const std::string& dir : Devices()) {
        WriteSysfsInt(dir + "/bl_power", kBlPowerOn);
        const int max = ReadSysfsInt(dir + "/max_brightness");
        if (max > 0)
            WriteSysfsInt(dir + "/brightness", max);
    }
}

void SysfsBacklight::ForceOff()
{
    SaveOnce();
    for (const std::string& dir : Devices())
        WriteSysfsInt(dir + "/bl_power", kBlPowerOff);
}

void SysfsBacklight::GiveBack()
{
    for (const Saved& s : saved_) {
        if (s.dir.empty())
            continue;
        // Brightness first, then the power state that may switch the display off.
        if (s.brightness >= 0)
            WriteSysfsInt(s.dir + "/brightness", s.brightness);
        if (s.blPower >= 0)
            WriteSysfsInt(s.dir + "/bl_power", s.blPower);
    }
    saved_.clear();
}

} // namespace dawnbell
