#include "WuLine.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace dawnbell {

QRgb BlendCoverage(QRgb under, QRgb line, int weight)
{
    auto mix = [weight](int u, int l) { return (u * (255 - weight) + l * weight + 127) / 255; };
    return qRgb(mix(qRed(under), qRed(line)), mix(qGreen(under), qGreen(line)), mix(qBlue(under), qBlue(line)));
}

namespace {

void Plot(QImage* image, int x, int y, QRgb color, int weight)
{
    if (x < 0 || y < 0 || x >= image->width() || y >= image->height())
        return;
    auto* row = reinterpret_cast<QRgb*>(image->scanLine(y));
    row[x] = weight >= 255 ? (color | 0xFF000000u) : BlendCoverage(row[x], color, weight);
}

} // namespace

void DrawWuLine(QImage* image, int x0, int y0, int x1, int y1, QRgb color)
{
    if (!image || image->isNull())
        return;
    // Draw from top to bottom.
    if (y0 > y1) {
        std::swap(y0, y1);
        std::swap(x0, x1);
    }
    Plot(image, x0, y0, color, 255);
    int dx = x1 - x0;
    const int xDir = dx >= 0 ? 1 : -1;
    dx = std::abs(dx);
    int dy = y1 - y0;

    if (dy == 0) { // horizontal
        while (dx-- > 0) {
            x0 += xDir;
            Plot(image, x0, y0, color, 255);
        }
        return;
    }
    if (dx == 0) { // vertical
        while (dy-- > 0)
            Plot(image, x0, ++y0, color, 255);
        return;
    }
    if (dx == dy) { // diagonal
        while (dy-- > 0) {
            x0 += xDir;
            Plot(image, x0, ++y0, color, 255);
        }
        return;
    }

    uint16_t errorAcc = 0;
    if (dy > dx) {
        // y-major: the fraction of x moved per row, as a 16-bit fixed-point value.
        const uint16_t errorAdj = static_cast<uint16_t>((static_cast<uint32_t>(dx) << 16) / dy);
        while (--dy) {
            const uint16_t before = errorAcc;
            errorAcc = static_cast<uint16_t>(errorAcc + errorAdj);
            if (errorAcc <= before) // wrapped: one column further
                x0 += xDir;
            ++y0;
            const int w = errorAcc >> 8; // coverage of the neighbouring column
            Plot(image, x0, y0, color, 255 - w);
            Plot(image, x0 + xDir, y0, color, w);
        }
    } else {
        const uint16_t errorAdj = static_cast<uint16_t>((static_cast<uint32_t>(dy) << 16) / dx);
        while (--dx) {
            const uint16_t before = errorAcc;
            errorAcc = static_cast<uint16_t>(errorAcc + errorAdj);
            if (errorAcc <= before)
                ++y0;
            x0 += xDir;
            const int w = errorAcc >> 8;
            Plot(image, x0, y0, color, 255 - w);
            Plot(image, x0, y0 + 1, color, w);
        }
    }
    Plot(image, x1, y1, color, 255);
}

} // namespace dawnbell
