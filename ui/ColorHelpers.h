#pragma once
// Colour helpers for painting. Colours are 32-bit values 0x00BBGGRR (red in the
// low byte); results always have a zero high byte.
#include <QColor>
#include <QString>
#include <cstdint>

namespace dawnbell {

// Adds n to each of red, green and blue, clamping every channel to 0-255.
uint32_t Lighten(uint32_t color, int n);
// Subtracts n from each of red, green and blue, clamping every channel to 0-255.
uint32_t Darken(uint32_t color, int n);
// Per-channel mean of two colours, rounded down.
uint32_t Average(uint32_t a, uint32_t b);
// True when the largest of red, green and blue is below half of 255 (0-127).
bool IsDark(uint32_t color);
// Top colour of a window's background gradient (the bottom is `base` itself):
// Lighten(base, n) for a dark base, else Darken(base, n).
uint32_t GradientShade(uint32_t base, int n);

// Conversions between 0x00BBGGRR and QColor (opaque; alpha is dropped).
QColor ToQColor(uint32_t color);
uint32_t FromQColor(const QColor& color);
// 0x00BBGGRR from channels 0-255.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b)
{
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

// A colour's channels in words for screen readers, in the program's language:
// "red 255, green 128, blue 0".
QString ColorInWords(uint32_t color);

// The application colours: settings bgColor / textColor, or light grey
// 0xE6E6E6 / dark grey 0x505050 when unset.
uint32_t AppBackColor();
uint32_t AppTextColor();

} // namespace dawnbell
