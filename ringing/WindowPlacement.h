#pragma once
// Size and position of the small windows that stand in front of the ringing
// window (the quiz, the closing confirmation): the display they are centred
// on and the densities they are scaled with.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace dawnbell {

// The display `w` is shown on, in logical pixels: the emulated display
// (DAWNBELL_SCREEN) or the widget's own screen.
QRect ScreenRect(const QWidget* w);

// Densities for a window of `design` (96-dpi pixels) on `screen` (logical
// pixels): dpi_x/dpi_y, lowered in whole per cent by one common factor when the
// window would not fit otherwise (displays smaller than any the layouts were
// made for, such as 240 x 320 at 192 dpi with 120 x 160 logical pixels).
void FitDensities(const QSize& design, const QSize& screen, int* dpiX, int* dpiY);

// Top-left corner of a window of `size` centred on `screen`.
QPoint CentredOn(const QRect& screen, const QSize& size);

} // namespace dawnbell
