#include "ForceFeedbackVibrator.h"

#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell {

namespace {

constexpr size_t kMaxNameBytes = 255; // of an input device's name

bool TestBit(const unsigned long* bits, int bit)
{
    const int per = 8 * sizeof(unsigned long);
    return (bits[bit / per] >> (bit % per)) & 1UL;
}

} // namespace

std::vector<std::unique_ptr<Vibrator>> ForceFeedbackVibrator::FindAll(const std::string& devinput)
{
    std::vector<std::unique_ptr<Vibrator>> found;
    for (const std::string& entry : ListFolder(devinput)) {
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
        char name[kMaxNameBytes + 1] = {};
        unsigned long ffBits[(FF_MAX + 8 * sizeof(unsigned long)) / (8 * sizeof(unsigned long))] = {};
        const bool rumbles = ioctl(fd, EVIOCGNAME(kMaxNameBytes), name) >= 0 && NameMeansVibrator(name) &&
                             ioctl(fd, EVIOCGBIT(EV_FF, sizeof ffBits), ffBits) >= 0 && TestBit(ffBits, FF_RUMBLE);
        if (!rumbles) {
            close(fd);
            continue;
        }
        found.push_back(std::make_unique<ForceFeedbackVibrator>(fd, name));
    }
    return found;
}

ForceFeedbackVibrator::ForceFeedbackVibrator(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

ForceFeedbackVibrator::~ForceFeedbackVibrator()
{
    if (on_)
        Set(false);
    if (effect_ >= 0)
        ioctl(fd_, EVIOCRMFF, effect_);
    if (fd_ >= 0)
        close(fd_);
}

bool ForceFeedbackVibrator::Set(bool on)
{
    if (fd_ < 0)
        return !on;
    if (on && effect_ < 0) {
        ff_effect effect;
        std::memset(&effect, 0, sizeof effect);
        effect.type = FF_RUMBLE;
        effect.id = -1;
        effect.u.rumble.strong_magnitude = 0xFFFF;
        effect.u.rumble.weak_magnitude = 0xFFFF;
        effect.replay.length = 0; // no length: runs until stopped
        if (ioctl(fd_, EVIOCSFF, &effect) < 0)
            return false;
        effect_ = effect.id;
    }
    if (effect_ < 0)
        return !on; // never started: already still
    input_event ev;
    std::memset(&ev, 0, sizeof ev);
    ev.type = EV_FF;
    ev.code = static_cast<uint16_t>(effect_);
    ev.value = on ? 1 : 0;
    if (write(fd_, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev))
        return false;
    on_ = on;
    return true;
}

} // namespace dawnbell
