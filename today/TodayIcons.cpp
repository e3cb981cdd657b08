#include "TodayIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace dawnbell::today {

namespace {

// Artwork is laid out in a 100 x 100 box.
constexpr double kBox = 100.0;

const QColor kFocusRing(255, 210, 74);

void RoundedTile(QPainter& p, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, 6, 0, 94);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(140), 3));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(6, 6, 88, 88), 18, 18);
}

void FocusRing(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kFocusRing, 7));
    p.drawRoundedRect(QRectF(4, 4, 92, 92), 20, 20);
}

// A bell whose body spans `w` units, centred on (cx, top .. top + w).
QPainterPath Bell(double cx, double top, double w)
{
    QPainterPath path;
    const double h = w;
    path.moveTo(cx - 0.42 * w, top + 0.78 * h);
    path.lineTo(cx - 0.33 * w, top + 0.64 * h);
    path.cubicTo(cx - 0.33 * w, top + 0.30 * h, cx - 0.24 * w, top + 0.14 * h, cx, top + 0.14 * h);
    path.cubicTo(cx + 0.24 * w, top + 0.14 * h, cx + 0.33 * w, top + 0.30 * h, cx + 0.33 * w, top + 0.64 * h);
    path.lineTo(cx + 0.42 * w, top + 0.78 * h);
    path.closeSubpath();
    path.addEllipse(QPointF(cx, top + 0.08 * h), 0.07 * w, 0.07 * w);
    path.addEllipse(QPointF(cx, top + 0.88 * h), 0.10 * w, 0.10 * w);
    return path.simplified();
}

void DrawProgram(QPainter& p, bool focused)
{
    QRadialGradient dawn(QPointF(50, 70), 55);
    dawn.setColorAt(0, QColor(255, 214, 120));
    dawn.setColorAt(0.6, QColor(246, 140, 90));
    dawn.setColorAt(1, QColor(196, 84, 110));
    p.setPen(Qt::NoPen);
    p.setBrush(dawn);
    p.drawEllipse(QPointF(50, 50), 44, 44);
    QLinearGradient gold(0, 20, 0, 90);
    gold.setColorAt(0, QColor(255, 236, 140));
    gold.setColorAt(1, QColor(214, 154, 30));
    p.setPen(QPen(QColor(120, 78, 10), 2.5));
    p.setBrush(gold);
    p.drawPath(Bell(50, 16, 66));
    if (focused) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kFocusRing, 6));
        p.drawEllipse(QPointF(50, 50), 46, 46);
    }
}

void DrawToggle(QPainter& p, bool on, bool focused)
{
    if (on)
        RoundedTile(p, QColor(98, 196, 104), QColor(38, 132, 58));
    else
        RoundedTile(p, QColor(196, 196, 196), QColor(128, 128, 128));
    p.setPen(Qt::NoPen);
    p.setBrush(on ? QColor(255, 255, 255) : QColor(236, 236, 236));
    p.drawPath(Bell(50, 18, 60));
    if (!on) {
        // Struck through: switched off.
        p.setPen(QPen(QColor(150, 40, 40), 9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24, 24), QPointF(76, 76));
    }
    if (focused)
        FocusRing(p);
}

void DrawEdit(QPainter& p, bool focused, bool empty)
{
    if (empty) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(150, 150, 150, 170), 4, Qt::DashLine));
        p.drawRoundedRect(QRectF(8, 8, 84, 84), 18, 18);
        return;
    }
    RoundedTile(p, QColor(104, 150, 220), QColor(44, 92, 168));
    p.save();
    p.translate(50, 50);
    p.rotate(-45);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(-24, -8, 40, 16));                       // body
    p.setBrush(QColor(250, 160, 160));
    p.drawRect(QRectF(18, -8, 10, 16));                        // eraser
    p.setBrush(QColor(255, 230, 180));
    const QPointF tip[3] = {QPointF(-38, 0), QPointF(-26, -8), QPointF(-26, 8)};
    p.drawPolygon(tip, 3);
    p.restore();
    if (focused)
        FocusRing(p);
}

void DrawArrow(QPainter& p, bool up, bool focused, bool enabled)
{
    if (enabled)
        RoundedTile(p, QColor(120, 136, 156), QColor(64, 78, 98));
    else
        RoundedTile(p, QColor(220, 220, 220, 150), QColor(180, 180, 180, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(enabled ? QColor(255, 255, 255) : QColor(150, 150, 150, 170));
    const double y0 = up ? 30 : 70, y1 = up ? 68 : 32;
    const QPointF tri[3] = {QPointF(50, y0), QPointF(76, y1), QPointF(24, y1)};
    p.drawPolygon(tri, 3);
    if (focused)
        FocusRing(p);
}

} // namespace

QImage DrawTodayIcon(int id, int pixels)
{
    QImage image(qMax(1, pixels), qMax(1, pixels), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(image.width() / kBox, image.height() / kBox);
    switch (id) {
    case IconProgram: DrawProgram(p, false); break;
    case IconProgramFocused: DrawProgram(p, true); break;
    case IconToggleOn: DrawToggle(p, true, false); break;
    case IconToggleOnFocused: DrawToggle(p, true, true); break;
    case IconToggleOff: DrawToggle(p, false, false); break;
    case IconToggleOffFocused: DrawToggle(p, false, true); break;
    case IconEdit: DrawEdit(p, false, false); break;
    case IconEditFocused: DrawEdit(p, true, false); break;
    case IconEditEmpty: DrawEdit(p, false, true); break;
    case IconUp: DrawArrow(p, true, false, true); break;
    case IconUpFocused: DrawArrow(p, true, true, true); break;
    case IconUpDisabled: DrawArrow(p, true, false, false); break;
    case IconDown: DrawArrow(p, false, false, true); break;
    case IconDownFocused: DrawArrow(p, false, true, true); break;
    case IconDownDisabled: DrawArrow(p, false, false, false); break;
    default: break;
    }
    return image;
}

const QImage& TodayIconCache::Get(int id, int pixels)
{
    auto it = images_.find({id, pixels});
    if (it == images_.end())
        it = images_.emplace(std::make_pair(id, pixels), DrawTodayIcon(id, pixels)).first;
    return it->second;
}

} // namespace dawnbell::today
