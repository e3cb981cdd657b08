// Sysfs attribute texts (power supply capacity, online, charge counters) come
// from drivers and, under DAWNBELL_SYSFS, from any file: the number parser must
// accept exactly the decimal forms and stay within its bounds.
#include "PowerStatus.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view trimmed = dawnbell::TrimSysfsText(text);
    if (trimmed.size() > text.size() || trimmed.data() != text.data())
        std::abort();
    long long v = 0;
    if (dawnbell::ParseSysfsNumber(text, &v)) {
        if (v > 1000000000000000LL || v < -1000000000000000LL)
            std::abort();
        // An accepted text holds only a sign and digits before its white space.
        for (size_t i = 0; i < trimmed.size(); ++i) {
            const char c = trimmed[i];
            if (!(c >= '0' && c <= '9') && !(i == 0 && (c == '-' || c == '+')))
                std::abort();
        }
    }
    return 0;
}
