#include "BatteryIcons.h"

#include <QHash>
#include <QPainter>

#include <algorithm>

namespace dawnbell {

int BatteryIconForPercent(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent < 15)
        return kBatteryEmpty;
    if (percent < 35)
        return kBatteryLow;
    if (percent < 60)
        return kBatteryHalf;
    if (percent < 85)
        return kBatteryHigh;
    return kBatteryFull;
}

QSize BatteryIconSize(int scale)
{
    scale = std::clamp(scale, 1, 16);
    return QSize(31 * scale, 16 * scale);
}

namespace {

// Filled bars (of four) and their colour for an icon.
bool IconLook(int id, int* bars, QColor* color)
{
    switch (id) {
    case kBatteryFull: *bars = 4; *color = QColor(0x30, 0xb0, 0x30); return true;
    case kBatteryHigh: *bars = 3; *color = QColor(0x30, 0xb0, 0x30); return true;
    case kBatteryHalf: *bars = 2; *color = QColor(0xd0, 0xb0, 0x20); return true;
    case kBatteryLow: *bars = 1; *color = QColor(0xe0, 0x80, 0x20); return true;
    case kBatteryEmpty: *bars = 0; *color = QColor(0xd0, 0x20, 0x20); return true;
    default: return false;
    }
}

// Draws at the 31 x 16 design size; the painter is scaled.
void DrawIcon(QPainter& p, int bars, const QColor& color)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    // Body with a light inside so the gauge reads on any background.
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
    p.setBrush(QColor(0xf4, 0xf4, 0xf4));
    p.drawRect(QRectF(0.5, 1.5, 26, 13));
    // Terminal cap on the right.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.drawRect(QRectF(27, 5, 3, 6));
    // Charge bars.
    p.setBrush(color);
    for (int i = 0; i < bars; ++i)
        p.drawRect(QRectF(3 + i * 6, 4, 5, 8));
    if (bars == 0) {
        // Empty: a red sliver and an exclamation bar.
        p.drawRect(QRectF(3, 4, 2, 8));
        p.drawRect(QRectF(13, 3.5, 2, 6));
        p.drawRect(QRectF(13, 10.5, 2, 2));
    }
}

} // namespace

QPixmap BatteryIcon(int id, int scale)
{
    int bars = 0;
    QColor color;
    if (!IconLook(id, &bars, &color))
        return QPixmap();
    scale = std::clamp(scale, 1, 16);
    static QHash<int, QPixmap> cache; // key: id * 32 + scale
    const int key = id * 32 + scale;
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QPixmap pixmap(BatteryIconSize(scale));
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(scale, scale);
    DrawIcon(p, bars, color);
    p.end();
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace dawnbell
