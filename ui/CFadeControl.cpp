#include "CFadeControl.h"

#include "AccessibleOwnerDrawn.h"
#include "ColorHelpers.h"
#include "TextFormat.h"
#include "Texts.h"
#include "WuLine.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace dawnbell {

namespace {
constexpr int kGradientShade = 80;
constexpr int kTextFadeCurve = 330;    // "Fade-in curve"
constexpr int kTextFadeOver = 331;     // "fade-in over %d seconds, %s"
constexpr int kTextRisingSlowly = 332; // "rising slowly"
constexpr int kTextRisingEvenly = 333; // "rising evenly"
constexpr int kTextRisingQuickly = 334; // "rising quickly"
constexpr int kMiddlePoint = kFadeCurvePoints / 2 - 1; // the point at the middle of the fade
} // namespace

CFadeControl::CFadeControl(QWidget* parent)
    : QWidget(parent),
      backColor_(AppBackColor()),
      lineColor_(AppTextColor())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFadeControl::SetCurve(const FadeCurve& curve)
{
    const bool changed = curve != curve_;
    curve_ = curve;
    update();
    if (changed)
        AccessibleOwnerDrawn::AnnounceValue(this);
}

void CFadeControl::SetFadeSeconds(int seconds)
{
    if (seconds == fadeSeconds_)
        return;
    fadeSeconds_ = seconds;
    AccessibleOwnerDrawn::AnnounceValue(this);
}

QString CFadeControl::ValueDescription() const
{
    const int middle = curve_[kMiddlePoint];
    const int shape = middle < 40 ? kTextRisingSlowly : middle > 60 ? kTextRisingQuickly : kTextRisingEvenly;
    return FormatTextId(kTextFadeOver, {fadeSeconds_, Text(shape)});
}

QString CFadeControl::AccessibleName() const { return Text(kTextFadeCurve); }

void CFadeControl::SetHost(QWidget* host)
{
    host_ = host;
    update();
}

QWidget* CFadeControl::Host() const
{
    if (host_)
        return host_;
    QWidget* parent = parentWidget();
    if (parent && parent->parentWidget())
        return parent->parentWidget();
    return parent;
}

QRect CFadeControl::ActiveArea() const { return rect().adjusted(2, 2, -2, -2); }

QRect CFadeControl::PlotArea() const { return rect().adjusted(3, 3, -3, -4); }

QPoint CFadeControl::PointPosition(int i) const
{
    const QRect plot = PlotArea();
    const int w = plot.width();
    const int h = plot.height();
    const int x = plot.left() + (w - 1) * i / (kFadeCurvePoints - 1);
    int y = plot.top() + static_cast<int>(h - curve_[i] * h * 0.01);
    y = std::clamp(y, plot.top(), plot.bottom());
    return QPoint(x, y);
}

void CFadeControl::PenDown(const QPoint& pos)
{
    if (!ActiveArea().contains(pos))
        return;
    penDown_ = true;
    finished_ = false;
    lastX_ = pos.x();
}

void CFadeControl::PenMove(const QPoint& pos)
{
    const QRect area = ActiveArea();
    if (!penDown_ || !area.contains(pos))
        return;
    // Edges as the classic rectangle has them: right and bottom are exclusive.
    const int l = area.left();
    const int r = area.right() + 1;
    const int t = area.top();
    const int b = area.bottom() + 1;
    // Both positions are measured from the area's left edge.
    auto column = [l, r](int x) {
        const int c = static_cast<int>((x - l) * 50.0 / (r - l));
        return std::clamp(c, 0, kFadeCurvePoints - 1);
    };
    const int c = column(pos.x());
    const int p = column(lastX_);
    const int value = std::min(static_cast<int>(static_cast<double>(b - pos.y()) / (b - t) * 100.0), 100);
    for (int i = std::min(p, c); i <= std::max(p, c); ++i)
        curve_[i] = static_cast<uint8_t>(std::max(value, 0));
    curve_[kFadeCurvePoints - 1] = 100;
    lastX_ = pos.x();
    repaint();
    emit curveChanged();
}

void CFadeControl::PenUp()
{
    if (!penDown_)
        return;
    penDown_ = false;
    finished_ = true;
    update();
    AccessibleOwnerDrawn::AnnounceValue(this); // the stroke is over: the new curve in words
}

void CFadeControl::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        PenDown(e->position().toPoint()); // Qt keeps the pointer captured while pressed
}

void CFadeControl::mouseMoveEvent(QMouseEvent* e) { PenMove(e->position().toPoint()); }

void CFadeControl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        PenUp();
}

QImage CFadeControl::Render() const
{
    QImage image(size(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    QPainter p(&image);

    // 1. The host's gradient behind the control.
    const QWidget* host = Host();
    int offset = 0;
    int hostHeight = height();
    if (host && host != this) {
        offset = mapTo(host->window() == host ? host : host, QPoint(0, 0)).y();
        if (!host->isAncestorOf(this))
            offset = mapToGlobal(QPoint(0, 0)).y() - host->mapToGlobal(QPoint(0, 0)).y();
        hostHeight = host->height();
    }
    QLinearGradient g(0, -offset, 0, hostHeight - offset);
    g.setColorAt(0, ToQColor(GradientShade(backColor_, kGradientShade)));
    g.setColorAt(1, ToQColor(backColor_));
    p.fillRect(image.rect(), g);

    // 2. Frame in shades of the background colour.
    const QRect r = rect();
    p.setPen(ToQColor(IsDark(backColor_) ? Lighten(backColor_, 0x60) : Darken(backColor_, 0x60)));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(ToQColor(IsDark(backColor_) ? Lighten(backColor_, 0x30) : Darken(backColor_, 0x30)));
    p.drawRect(r.adjusted(1, 1, -2, -2));

    // 3/4. The curve.
    const QColor line = ToQColor(lineColor_);
    if (penDown_) {
        QPolygon points;
        for (int i = 0; i < kFadeCurvePoints; ++i)
            points << PointPosition(i);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(line, 1));
        p.drawPolyline(points);
        p.end();
    } else {
        p.end();
        for (int i = 0; i + 1 < kFadeCurvePoints; ++i) {
            const QPoint a = PointPosition(i);
            const QPoint b = PointPosition(i + 1);
            DrawWuLine(&image, a.x(), a.y(), b.x(), b.y(), line.rgb());
        }
    }
    return image;
}

void CFadeControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, Render());
}

} // namespace dawnbell
