#include "ColorHelpers.h"

#include "Profile.h"
#include "TextFormat.h"

#include <algorithm>

namespace dawnbell {

namespace {

uint32_t Red(uint32_t c) { return c & 0xFF; }
uint32_t Green(uint32_t c) { return (c >> 8) & 0xFF; }
uint32_t Blue(uint32_t c) { return (c >> 16) & 0xFF; }

uint32_t Clamp(int64_t v) { return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 255)); }

uint32_t Shift(uint32_t c, int64_t n)
{
    return Rgb(Clamp(Red(c) + n), Clamp(Green(c) + n), Clamp(Blue(c) + n));
}

} // namespace

uint32_t Lighten(uint32_t color, int n) { return Shift(color, n); }

uint32_t Darken(uint32_t color, int n) { return Shift(color, -static_cast<int64_t>(n)); }

uint32_t Average(uint32_t a, uint32_t b)
{
    return Rgb((Red(a) + Red(b)) / 2, (Green(a) + Green(b)) / 2, (Blue(a) + Blue(b)) / 2);
}

bool IsDark(uint32_t color)
{
    const uint32_t top = std::max({Red(color), Green(color), Blue(color)});
    return top * 2 < 255;
}

uint32_t GradientShade(uint32_t base, int n)
{
    return IsDark(base) ? Lighten(base, n) : Darken(base, n);
}

QColor ToQColor(uint32_t color)
{
    return QColor(static_cast<int>(Red(color)), static_cast<int>(Green(color)), static_cast<int>(Blue(color)));
}

uint32_t FromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return Rgb(static_cast<uint32_t>(rgb.red()), static_cast<uint32_t>(rgb.green()),
               static_cast<uint32_t>(rgb.blue()));
}

QString ColorInWords(uint32_t color)
{
    constexpr int kTextChannels = 355; // "red %d, green %d, blue %d"
    return FormatTextId(kTextChannels, {Red(color), Green(color), Blue(color)});
}

uint32_t AppBackColor()
{
    return static_cast<uint32_t>(Profile::ReadInt(QStringLiteral("settings"), QStringLiteral("bgColor"), 0xE6E6E6))
        & 0xFFFFFF;
}

uint32_t AppTextColor()
{
    return static_cast<uint32_t>(Profile::ReadInt(QStringLiteral("settings"), QStringLiteral("textColor"), 0x505050))
        & 0xFFFFFF;
}

} // namespace dawnbell
