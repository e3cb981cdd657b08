#include "CFadeButtons.h"

#include "ColorHelpers.h"
#include "Scaling.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace dawnbell {

namespace {
constexpr int kFaceShade = 30;
} // namespace

CFadeButtons::CFadeButtons(QWidget* parent)
    : QAbstractButton(parent),
      lineColor_(AppTextColor()),
      faceColor_(AppBackColor())
{
    setFocusPolicy(Qt::StrongFocus);
}

void CFadeButtons::SetType(int type)
{
    type_ = (type >= 0 && type <= 2) ? type : 0;
    update();
}

QSize CFadeButtons::sizeHint() const { return QSize(ScaleX(24), ScaleY(24)); }

void CFadeButtons::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    // Face: upper half in the face colour, lower half in its variant.
    const uint32_t variant = IsDark(faceColor_) ? Lighten(faceColor_, kFaceShade) : Darken(faceColor_, kFaceShade);
    QRect top = r;
    top.setHeight(r.height() / 2);
    p.fillRect(top, ToQColor(faceColor_));
    p.fillRect(QRect(r.left(), top.bottom() + 1, r.width(), r.height() - top.height()), ToQColor(variant));

    // Frame; drawn pressed while the button has the focus or is held down.
    const bool pressed = hasFocus() || isDown();
    const QColor light = ToQColor(Lighten(faceColor_, 0x40));
    const QColor dark = ToQColor(Darken(faceColor_, 0x60));
    const QRect f = r.adjusted(0, 0, -1, -1);
    p.setPen(pressed ? dark : light);
    p.drawLine(f.topLeft(), f.topRight());
    p.drawLine(f.topLeft(), f.bottomLeft());
    p.setPen(pressed ? light : dark);
    p.drawLine(f.bottomLeft(), f.bottomRight());
    p.drawLine(f.topRight(), f.bottomRight());

    // The preset's shape inside a small margin.
    const int penWidth = std::max((dpi_x() + 48) / 96, 1);
    const QRectF area = QRectF(r).adjusted(3 + penWidth, 3 + penWidth, -3 - penWidth, -3 - penWidth);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ToQColor(lineColor_), penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path;
    const qreal w = area.width();
    const qreal h = area.height();
    auto at = [&](qreal x, qreal y) { return QPointF(area.left() + x, area.bottom() - y); };
    switch (type_) {
    case 1:
        path.moveTo(at(0, 0));
        path.lineTo(at(w, h));
        break;
    case 2:
        path.moveTo(at(0, 0));
        path.lineTo(at(w / 2, h));
        path.lineTo(at(w, h));
        break;
    default:
        path.moveTo(at(0, 0));
        for (int i = 1; i <= 32; ++i) {
            const qreal x = w * i / 32;
            path.lineTo(at(x, h * (x / w) * (x / w)));
        }
        break;
    }
    p.drawPath(path);
}

} // namespace dawnbell
