#include "FadeCurve.h"

#include <algorithm>

namespace dawnbell {

FadeCurve FadePresetCurve(int type)
{
    FadeCurve curve{};
    for (int i = 0; i < kFadeCurvePoints; ++i) {
        int v;
        switch (type) {
        case FadePresetLinear: v = 2 * i; break;
        case FadePresetSteep: v = i < 25 ? 4 * i : 100; break;
        default:
            // Integer form of (i + 1)^2 * 0.04 truncated; avoids 0.04 rounding
            // in binary floating point (5^2 * 0.04 must give 1, not 0.99..).
            v = (i + 1) * (i + 1) * 4 / 100;
            break;
        }
        curve[i] = static_cast<uint8_t>(std::min(v, 100));
    }
    return curve;
}

int FadeStepPeriodMs(int fadeDurationSeconds)
{
    if (fadeDurationSeconds < 5)
        return 0;
    // Bounded so a stored value of any size cannot overflow the period.
    return std::min(fadeDurationSeconds / 5, 1000000) * 100;
}

int FadeVolume(int target, int point)
{
    return std::clamp(target * point / 100, 0, 100);
}

} // namespace dawnbell
