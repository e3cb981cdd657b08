#include "PowerStatus.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace dawnbell {

namespace {

constexpr size_t kMaxSupplies = 64;   // supplies looked at
constexpr size_t kMaxAttrBytes = 128; // bytes read from one attribute
constexpr long long kNumberLimit = 1000000000000000LL;

// Reads a small attribute; empty when missing or unreadable.
std::string ReadAttr(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::string();
    char buf[kMaxAttrBytes];
    const ssize_t n = read(fd, buf, sizeof buf);
    close(fd);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

bool ReadNumber(const std::string& path, long long* out)
{
    return ParseSysfsNumber(ReadAttr(path), out);
}

int Percent(long long part, long long whole)
{
    if (whole <= 0 || part < 0)
        return -1;
    const long long p = (part * 100 + whole / 2) / whole;
    return static_cast<int>(std::min<long long>(p, 100));
}

// Charge of one battery in percent, or -1 when it reports none.
int BatteryPercent(const std::string& dir)
{
    long long v = 0, full = 0;
    if (ReadNumber(dir + "/capacity", &v))
        return static_cast<int>(std::clamp<long long>(v, 0, 100));
    if (ReadNumber(dir + "/charge_now", &v) && ReadNumber(dir + "/charge_full", &full))
        return Percent(v, full);
    if (ReadNumber(dir + "/energy_now", &v) && ReadNumber(dir + "/energy_full", &full))
        return Percent(v, full);
    return -1;
}

bool IsExternalType(std::string_view type)
{
    return type == "Mains" || type == "Wireless" || type.substr(0, 3) == "USB";
}

} // namespace

std::string_view TrimSysfsText(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t'
                             || text.back() == '\r' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

bool ParseSysfsNumber(std::string_view text, long long* out)
{
    text = TrimSysfsText(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > kNumberLimit)
            return false;
    }
    *out = negative ? -v : v;
    return true;
}

PowerStatus ReadPowerStatus()
{
    const char* root = std::getenv("DAWNBELL_SYSFS");
    const std::string dir = std::string((root && *root) ? root : "/sys") + "/class/power_supply";

    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (names.size() >= kMaxSupplies)
                break;
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());

    bool external = false;
    int percent = -1;
    for (const std::string& name : names) {
        const std::string supply = dir + "/" + name;
        const std::string type(TrimSysfsText(ReadAttr(supply + "/type")));
        if (IsExternalType(type)) {
            long long online = 0;
            if (ReadNumber(supply + "/online", &online) && online == 1)
                external = true;
        } else if (type == "Battery" && percent < 0) {
            if (TrimSysfsText(ReadAttr(supply + "/scope")) == "Device")
                continue;
            long long present = 1;
            if (ReadNumber(supply + "/present", &present) && present == 0)
                continue;
            percent = BatteryPercent(supply);
        }
    }

    PowerStatus status;
    status.batteryPercent = percent;
    status.onMains = external || percent < 0;
    return status;
}

} // namespace dawnbell
