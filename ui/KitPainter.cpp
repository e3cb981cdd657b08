#include "KitPainter.h"

#include "ColorHelpers.h"
#include "KitTextFit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace dawnbell {

void PaintVerticalGradient(QPainter& painter, const QRect& rect, uint32_t top, uint32_t bottom)
{
    if (rect.isEmpty())
        return;
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0.0, ToQColor(top));
    gradient.setColorAt(1.0, ToQColor(bottom));
    painter.fillRect(rect, gradient);
}

uint32_t GradientColorAt(uint32_t top, uint32_t bottom, int row, int rows)
{
    if (rows <= 1)
        return top & 0x00FFFFFF;
    row = std::clamp(row, 0, rows - 1);
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = int((top >> shift) & 0xFF);
        const int b = int((bottom >> shift) & 0xFF);
        out |= uint32_t((a + (b - a) * row / (rows - 1)) & 0xFF) << shift;
    }
    return out;
}

void PaintGradientSlice(QPainter& painter, const QRect& rect, uint32_t top, uint32_t bottom, int firstRow,
                        int rows)
{
    if (rect.isEmpty())
        return;
    PaintVerticalGradient(painter, rect, GradientColorAt(top, bottom, firstRow, rows),
                          GradientColorAt(top, bottom, firstRow + rect.height() - 1, rows));
}

void PaintWindowBackground(QPainter& painter, const QRect& rect, uint32_t base, int n)
{
    PaintVerticalGradient(painter, rect, GradientShade(base, n), base);
}

namespace {

// One outline of `r` without its four corner pixels.
void CutOutline(QPainter& painter, const QRect& r, uint32_t color)
{
    if (r.width() < 1 || r.height() < 1)
        return;
    const QColor c = ToQColor(color);
    const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    if (r.width() > 2) {
        painter.fillRect(QRect(l + 1, t, r.width() - 2, 1), c);
        painter.fillRect(QRect(l + 1, b, r.width() - 2, 1), c);
    }
    if (r.height() > 2) {
        painter.fillRect(QRect(l, t + 1, 1, r.height() - 2), c);
        painter.fillRect(QRect(rt, t + 1, 1, r.height() - 2), c);
    }
}

} // namespace

void PaintCutFrame(QPainter& painter, const QRect& rect, uint32_t outer, uint32_t inner)
{
    CutOutline(painter, rect, outer);
    CutOutline(painter, rect.adjusted(1, 1, -1, -1), inner);
}

void PaintTitleArea(QPainter& painter, const QRect& rect, uint32_t base, int n)
{
    const uint32_t shade = GradientShade(base, n);
    PaintVerticalGradient(painter, rect.adjusted(1, 1, -1, -1), base, Average(shade, base));
    PaintCutFrame(painter, rect, shade, base);
}

void DrawBorderedText(QPainter& painter, const QRect& rect, int flags, const QString& text,
                      uint32_t color, uint32_t background, bool border)
{
    if (text.isEmpty())
        return;
    painter.save();
    if (border) {
        painter.setPen(ToQColor(background));
        static const int kOffsets[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
        for (const auto& o : kOffsets)
            painter.drawText(rect.translated(o[0], o[1]), flags, text);
    }
    painter.setPen(ToQColor(color));
    painter.drawText(rect, flags, text);
    painter.restore();
}

QRect CenteredTextBand(const QRect& rect, int textHeight, int lineHeight)
{
    int height = textHeight;
    if (height > rect.height()) {
        const int lh = lineHeight > 0 ? lineHeight : 1;
        const int lines = std::max(1, rect.height() / lh);
        height = std::min(textHeight, lines * lh);
    }
    const int top = rect.top() + (rect.height() - height) / 2;
    return QRect(rect.left(), top, rect.width(), height);
}

bool PaintHiddenLabel(QPainter& painter, const QWidget* window, const QLabel* label,
                      const HiddenLabelStyle& style, bool skipDisabled)
{
    if (!label || !window)
        return false;
    const QString text = label->text();
    if (text.isEmpty() || (skipDisabled && !label->isEnabled()))
        return false;
    const QPoint origin = label->parentWidget() == window
        ? label->pos()
        : label->mapTo(window, QPoint(0, 0));
    const QRect box(origin, label->size());

    if (label->frameShape() != QFrame::NoFrame) {
        const uint32_t variant = GradientShade(style.background, style.shade);
        if (style.fillFrame)
            PaintVerticalGradient(painter, box.adjusted(1, 1, -1, -1), variant, style.background);
        PaintCutFrame(painter, box, variant, style.background);
    }

    const Qt::Alignment align = label->alignment();
    int flags = int(align & Qt::AlignHorizontal_Mask);
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    else
        flags |= Qt::TextSingleLine;

    // The kit's fit rule, measured in the label's own rectangle.
    const KitTextFit::Result fit = KitTextFit::FitFor(label, text, label->font(), QRect(QPoint(0, 0), box.size()), flags);
    painter.save();
    painter.setFont(fit.font);
    QRect textRect = box;
    if (align & Qt::AlignVCenter) {
        const QFontMetrics metrics(fit.font);
        const QRect measured = metrics.boundingRect(QRect(0, 0, box.width(), 1 << 20), flags | Qt::AlignTop, fit.text);
        textRect = CenteredTextBand(box, measured.height(), metrics.lineSpacing());
        if (measured.height() > box.height())
            painter.setClipRect(textRect.adjusted(-1, 0, 1, 0), Qt::IntersectClip); // whole lines only
    }
    DrawBorderedText(painter, textRect, flags | Qt::AlignTop, fit.text, style.text, style.background, style.textBorder);
    painter.restore();
    return true;
}

} // namespace dawnbell
