#pragma once
// The options sheet's dialog layouts (frame and pages), from its own resource,
// and the edge-by-edge scaling its controls are placed with.
#include "DialogLayout.h"

#include <QRect>

namespace dawnbell {

// Layout `layoutId` of the options sheet; invalid when there is none.
DialogLayout OptionsLayout(int layoutId);

// A 96-dpi rectangle scaled edge by edge (left, top, right and bottom each
// rounded), so controls that touch at 96 dpi never overlap after rounding.
QRect ScaleEdges(const QRect& design, int dpiX, int dpiY);

} // namespace dawnbell
