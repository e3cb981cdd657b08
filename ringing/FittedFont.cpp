#include "FittedFont.h"

#include <QFontMetrics>

namespace dawnbell {

QFont FontAtTenths(const QString& family, int tenths)
{
    QFont font(family);
    font.setPointSizeF(tenths / 10.0);
    return font;
}

QFont FitFont(const QString& family, const QString& text, const QRect& area, int* sizeOut)
{
    static const int kSteps[] = {100, 60, 30, 15, 5};
    const int maxW = area.width() - 3;
    const int maxH = area.height() - 3;
    int size = kFitFontStartSize;
    int measured = size;
    auto tooBig = [&](int tenths) {
        measured = tenths;
        const QFontMetrics fm(FontAtTenths(family, tenths));
        const QRect r = fm.boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, text);
        return r.width() > maxW || r.height() > maxH;
    };
    for (int step : kSteps) {
        bool fits = true;
        while (tooBig(size)) {
            if (size <= step) {
                fits = false;
                break;
            }
            size -= step;
        }
        if (fits && step < size)
            size += step;
    }
    if (measured < kFitFontMinSize)
        measured = kFitFontMinSize;
    if (sizeOut)
        *sizeOut = measured;
    return FontAtTenths(family, measured);
}

} // namespace dawnbell
