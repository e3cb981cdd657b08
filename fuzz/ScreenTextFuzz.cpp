// DAWNBELL_SCREEN is outside input: any text must be refused or give a screen
// inside the accepted limits.
#include "Scaling.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dawnbell::ScreenGeometry g;
    if (dawnbell::ParseScreenText(std::string_view(reinterpret_cast<const char*>(data), size), &g)) {
        if (g.deviceWidth < 1 || g.deviceWidth > dawnbell::kScreenMaxPixels || g.deviceHeight < 1
            || g.deviceHeight > dawnbell::kScreenMaxPixels || g.logicalDpiX < 1 || g.logicalWidth < 0)
            std::abort();
        (void)dawnbell::mul_div_round(g.deviceWidth, g.logicalDpiX, g.deviceHeight);
    }
    return 0;
}
