#include "KitFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <cmath>

namespace dawnbell {

QFont KitFontTenths(int tenths)
{
    if (tenths < 1)
        tenths = 1;
    QFont font(QStringLiteral("Tahoma"));
    const QString sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QStringList families{QStringLiteral("Tahoma")};
    if (!sans.isEmpty() && sans != families.front())
        families << sans;
    families << QStringLiteral("DejaVu Sans");
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(tenths / 10.0);
    return font;
}

QFont KitFont(int pointSize)
{
    return KitFontTenths(pointSize * 10);
}

int FontTenths(const QFont& font)
{
    return static_cast<int>(std::lround(font.pointSizeF() * 10.0));
}

namespace {

// True when `text` in `font`, wrapped at the width of `area` and centred,
// stays within the area less 3 pixels in both directions.
bool Fits(const QFont& font, const QString& text, const QRect& area)
{
    const QFontMetrics metrics(font);
    const QRect wrapBox(0, 0, std::max(area.width(), 1), 1 << 20);
    const QRect measured = metrics.boundingRect(wrapBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    return measured.width() <= area.width() - 3 && measured.height() <= area.height() - 3;
}

} // namespace

QFont FitFont(const QString& text, const QRect& rect, int u)
{
    const QRect area = rect.adjusted(u, u, -u, -u);
    static const int kSteps[] = {100, 60, 30, 15, 5};
    int size = kFitFontStartTenths;
    int measuredSize = size; // size of the last font measured: the one kept
    for (const int step : kSteps) {
        for (;;) {
            measuredSize = size;
            if (Fits(KitFontTenths(size), text, area)) {
                if (step < size)
                    size += step; // the next, finer step searches down from here
                break;
            }
            if (size <= step)
                break;
            size -= step;
        }
    }
    return KitFontTenths(measuredSize < kFitFontMinTenths ? kFitFontMinTenths : measuredSize);
}

} // namespace dawnbell
