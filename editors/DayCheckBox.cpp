#include "DayCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace dawnbell {

DayCheckBox::DayCheckBox(QWidget* parent) : QCheckBox(parent) {}

int DayCheckBox::IndicatorSide() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this);
}

QSize DayCheckBox::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const int side = IndicatorSide();
    return QSize(std::max(side, fm.horizontalAdvance(text())) + 4, side + kGap + fm.height());
}

QSize DayCheckBox::minimumSizeHint() const
{
    return sizeHint();
}

void DayCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QFontMetrics fm = fontMetrics();
    const int side = IndicatorSide();
    // The box and the text line as one block, centred in both directions.
    const int block = side + kGap + fm.height();
    const int top = std::max(0, (height() - block) / 2);

    QStyleOptionButton box = opt;
    box.rect = QRect((width() - side) / 2, top, side, side);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

    const QRect textRect(0, top + side + kGap, width(), fm.height());
    painter.drawItemText(textRect, Qt::AlignHCenter | Qt::AlignVCenter, opt.palette, isEnabled(), text(),
                         QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(1, 0, -1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool DayCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

} // namespace dawnbell
