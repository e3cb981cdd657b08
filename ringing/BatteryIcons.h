#pragma once
// The battery gauge pictures (PNG resources 282-286), drawn by the program.
#include <QPixmap>

namespace dawnbell {

enum BatteryIconId : int {
    kBatteryFull = 282,     // 85 % and more
    kBatteryEmpty = 283,    // below 15 %
    kBatteryLow = 284,      // 15 - 34 %
    kBatteryHalf = 285,     // 35 - 59 %
    kBatteryHigh = 286,     // 60 - 84 %
};

// Icon for a battery charge in percent (values outside 0-100 are clamped).
int BatteryIconForPercent(int percent);

// Size of an icon at scale s (device pixels per 96-dpi pixel, at least 1): 31s x 16s.
QSize BatteryIconSize(int scale);

// The icon `id` (282-286) at scale `scale`, drawn on first use and cached; a
// null pixmap for an unknown id.
QPixmap BatteryIcon(int id, int scale);

} // namespace dawnbell
