#pragma once
// The fade-in curve: 50 points, each the player volume in percent of the target
// volume that applies from that step of the fade on; the timing of one step.
#include <array>
#include <cstdint>

namespace dawnbell {

constexpr int kFadeCurvePoints = 50;
using FadeCurve = std::array<uint8_t, kFadeCurvePoints>;

// Shapes of the three preset curves.
enum FadePreset : int {
    FadePresetParabola = 0, // (i + 1)^2 * 0.04, truncated; ends at 100
    FadePresetLinear = 1,   // 2 * i; ends at 98
    FadePresetSteep = 2,    // 4 * i up to the middle, then 100
};

// The preset curve of `type` (0-2); type 0 for any other value.
FadeCurve FadePresetCurve(int type);

// Period of one fade step in ms for a fade lasting `fadeDurationSeconds`:
// (duration / 5) * 100, integer division first, so 5-9 s give 100 ms and
// durations below 5 s (or negative ones) give 0 ms. At most 10^8 ms.
int FadeStepPeriodMs(int fadeDurationSeconds);

// Fixed step period while the built-in fallback sound plays, ms.
constexpr int kFallbackFadePeriodMs = 100;

// Player volume (0-100) for a fade point: target * point / 100 in integers,
// clamped to 0-100 (stored points above 100 do not overshoot).
int FadeVolume(int target, int point);

} // namespace dawnbell
