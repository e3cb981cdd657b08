#pragma once
// The largest font of a family in which a text fits a rectangle when drawn
// centred with word breaks. Sizes are in tenths of a point.
#include <QFont>
#include <QRect>
#include <QString>

namespace dawnbell {

// Largest size tried, tenths of a point (30 pt).
constexpr int kFitFontStartSize = 300;
// Smallest size used, tenths of a point (4 pt).
constexpr int kFitFontMinSize = 40;

// Searches from 300 down in steps of 100, 60, 30, 15 and 5 for the largest size
// at which `text` fits into `area` less 3 pixels in each direction; each finer
// step searches down from one coarse step above the last fit. Sizes below 40 are
// raised to 40. `sizeOut` (optional) receives the size chosen.
QFont FitFont(const QString& family, const QString& text, const QRect& area, int* sizeOut = nullptr);

// A font of `family` at `tenths` of a point.
QFont FontAtTenths(const QString& family, int tenths);

} // namespace dawnbell
