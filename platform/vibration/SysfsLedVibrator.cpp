#include "SysfsLedVibrator.h"

#include "PowerStatus.h"

#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace dawnbell {

namespace {

constexpr size_t kMaxAttributeBytes = 64; // bytes read from one sysfs attribute
constexpr long long kMaxBrightnessLimit = 1000000; // a larger maximum is nonsense

// Reads a small decimal attribute (the power status's sysfs number rules);
// false when missing, empty or not a number.
bool ReadInt(const std::string& path, long long* out)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    char buf[kMaxAttributeBytes];
    const ssize_t n = read(fd, buf, sizeof buf);
    close(fd);
    return n > 0 && ParseSysfsNumber(std::string_view(buf, static_cast<size_t>(n)), out);
}

// Writes `text` as the whole content of attribute `path`; false when refused.
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

} // namespace

std::vector<std::unique_ptr<Vibrator>> SysfsLedVibrator::FindAll(const std::string& sysfs)
{
    std::vector<std::unique_ptr<Vibrator>> found;
    const std::string dir = sysfs + "/class/leds";
    for (const std::string& name : ListFolder(dir)) {
        if (!NameMeansVibrator(name))
            continue;
        const std::string brightness = dir + "/" + name + "/brightness";
        if (access(brightness.c_str(), W_OK) != 0)
            continue;
        long long max = 0;
        const int on = (ReadInt(dir + "/" + name + "/max_brightness", &max) && max > 0 && max <= kMaxBrightnessLimit)
                           ? static_cast<int>(max)
                           : 1;
        found.push_back(std::unique_ptr<Vibrator>(new SysfsLedVibrator(name, brightness, on)));
    }
    return found;
}

SysfsLedVibrator::SysfsLedVibrator(std::string name, std::string brightnessPath, int maxBrightness)
    : name_(std::move(name)), brightnessPath_(std::move(brightnessPath)), maxBrightness_(maxBrightness)
{
}

SysfsLedVibrator::~SysfsLedVibrator()
{
    if (on_)
        Set(false);
}

bool SysfsLedVibrator::Set(bool on)
{
    if (!WriteText(brightnessPath_, on ? std::to_string(maxBrightness_) : std::string("0")))
        return false;
    on_ = on;
    return true;
}

} // namespace dawnbell
