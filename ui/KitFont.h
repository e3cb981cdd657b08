#pragma once
// Fonts of the control kit. Every window asks for "Tahoma"; where it is not
// installed the system's sans-serif face is used instead, so layouts designed
// for Tahoma's metrics stay close.
#include <QFont>
#include <QRect>
#include <QString>

namespace dawnbell {

// Smallest and starting sizes of the fitted font, in tenths of a point.
constexpr int kFitFontMinTenths = 40;
constexpr int kFitFontStartTenths = 300;

// "Tahoma" at `pointSize` points, falling back to the system sans-serif face.
QFont KitFont(int pointSize);
// The same at `tenths` tenths of a point (300 = 30 pt).
QFont KitFontTenths(int tenths);

// The largest font (in steps of 5 tenths, from the 300 start searching down in
// steps of 100, 60, 30, 15, 5) at which `text`, measured centred with word
// breaks, fits `rect` shrunk by `u` on every side less 3 pixels in width and
// height; never below 40 tenths (such a font may not fit). Sizes in tenths of a
// point; rect and u in the painter's (logical) pixels.
QFont FitFont(const QString& text, const QRect& rect, int u);
// Size in tenths of a point of a font made by KitFont/KitFontTenths/FitFont.
int FontTenths(const QFont& font);

} // namespace dawnbell
