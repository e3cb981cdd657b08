#pragma once
// Anti-aliased line segments (Wu's algorithm) drawn into an image.
#include <QImage>

namespace dawnbell {

// Draws the segment (x0, y0)-(x1, y1) in `color` into `image` (RGB32 or ARGB32).
// Horizontal, vertical and exact diagonal segments are drawn pixel by pixel in
// the plain colour; others step along the major axis with a 16-bit error
// accumulator and give the two pixels across the line 8-bit coverage weights;
// each is blended per channel between the pixel already there and the line
// colour. Pixels outside the image are skipped.
void DrawWuLine(QImage* image, int x0, int y0, int x1, int y1, QRgb color);

// Blends `line` over `under` with coverage `weight` (0 = only `under`, 255 = only
// `line`), per channel, rounded.
QRgb BlendCoverage(QRgb under, QRgb line, int weight);

} // namespace dawnbell
