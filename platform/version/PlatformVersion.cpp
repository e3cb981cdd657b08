#include "PlatformVersion.h"

#include <cstdlib>
#include <string>

namespace dawnbell {

bool ParsePlatformVersion(std::string_view text, PlatformVersion* out)
{
    int numbers[3] = {0, 0, 0};
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        size_t digits = 0;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (++digits > 9)
                return false;
            value = value * 10 + (text[pos++] - '0');
        }
        if (digits == 0)
            return false;
        numbers[i] = value;
        if (i < 2) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
    }
    if (pos != text.size())
        return false;
    *out = PlatformVersion{numbers[0], numbers[1], numbers[2]};
    return true;
}

PlatformVersion CurrentPlatformVersion()
{
    PlatformVersion v;
    if (const char* env = std::getenv("DAWNBELL_PLATFORM_VERSION"))
        ParsePlatformVersion(env, &v);
    return v;
}

bool IsNewerPlatform(const PlatformVersion& v)
{
    return v.major > 5 || (v.major == 5 && v.minor > 2) || (v.major == 5 && v.minor == 2 && v.build >= 21000);
}

} // namespace dawnbell
