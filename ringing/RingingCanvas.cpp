#include "RingingCanvas.h"

#include "BatteryIcons.h"
#include "ColorHelpers.h"
#include "KitPainter.h"
#include "PowerStatus.h"
#include "Scaling.h"
#include "ScreenClass.h"

#include <QFontMetrics>
#include <QImageReader>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace dawnbell {

QString RingingCanvas::PictureName(const Alarm& alarm, int cls)
{
    QString name = choose_background(alarm, cls);
    const int cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return cut >= 0 ? name.mid(cut + 1) : name;
}

void RingingCanvas::UpdatePicture(const Scene& s)
{
    const QRect& area = s.pictureArea;
    const QString key = QStringLiteral("%1|%2|%3x%4|%5,%6,%7x%8|%9")
                            .arg(s.picturePath)
                            .arg(s.pictureStyle)
                            .arg(s.size.width())
                            .arg(s.size.height())
                            .arg(area.x())
                            .arg(area.y())
                            .arg(area.width())
                            .arg(area.height())
                            .arg(s.dpr);
    if (key == pictureCacheKey_)
        return;
    pictureCacheKey_ = key;
    pictureCache_ = QPixmap();
    if (s.picturePath.isEmpty() || s.pictureStyle < 1 || s.pictureStyle > 3)
        return;
    QImageReader reader(s.picturePath);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return;
    // Centred and tiled pictures keep their own size in device pixels.
    if (s.pictureStyle != 1)
        image.setDevicePixelRatio(s.dpr);
    const QSizeF own = image.deviceIndependentSize();

    QPixmap cache(s.size * s.dpr);
    cache.setDevicePixelRatio(s.dpr);
    cache.fill(Qt::transparent);
    QPainter p(&cache);
    p.setClipRect(area);
    switch (s.pictureStyle) {
    case 1:
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(area, image);
        break;
    case 2:
        p.fillRect(area, ToQColor(s.backColor));
        p.drawImage(QPointF(area.left() + (area.width() - own.width()) / 2,
                            area.top() + (area.height() - own.height()) / 2),
                    image);
        break;
    default:
        for (qreal y = area.top(); y < area.top() + area.height(); y += own.height())
            for (qreal x = area.left(); x < area.left() + area.width(); x += own.width())
                p.drawImage(QPointF(x, y), image);
        break;
    }
    p.end();
    pictureCache_ = cache;
}

bool RingingCanvas::UpdateBattery(int layoutStyle, const QSize& window, const QRect& endButton, int dpi,
                                  QRect* previous)
{
    const PowerStatus status = ReadPowerStatus();
    const int id = status.onMains ? -1 : BatteryIconForPercent(status.batteryPercent);
    QRect r;
    if (id >= 0) {
        const int s = std::max((dpi + 48) / 96, 1);
        const QSize iconSize = BatteryIconSize(s);
        if (layoutStyle == 0) {
            const int right = window.width() - mul_div_round(5, dpi, 96);
            const int bottom = endButton.bottom() + 1;
            r = QRect(right - iconSize.width(), bottom - iconSize.height(), iconSize.width(), iconSize.height());
        } else {
            const int margin = mul_div_round(6, dpi, 96);
            r = QRect(window.width() - margin - iconSize.width(), margin, iconSize.width(), iconSize.height());
        }
    }
    if (id == batteryIcon_ && r == batteryRect_)
        return false;
    if (previous)
        *previous = batteryRect_;
    batteryIcon_ = id;
    batteryRect_ = r;
    return true;
}

void RingingCanvas::PaintLabel(QPainter& p, const Scene& s, const QLabel* label) const
{
    const QString text = label->text();
    const QRect r = label->geometry();
    if (text.isEmpty() || r.isEmpty())
        return;
    if (label->frameShape() != QFrame::NoFrame) {
        const uint32_t shade = GradientShade(s.backColor, kGradientShade);
        if (pictureCache_.isNull()) // a picture behind stays visible
            PaintVerticalGradient(p, r.adjusted(1, 1, -1, -1), shade, s.backColor);
        PaintCutFrame(p, r, shade, s.backColor);
    }
    // Wrapped texts keep the margin of u their font was fitted to.
    const int u = s.unit;
    const QRect inner = label->wordWrap() ? r.adjusted(u, u, -u, -u) : r;
    const int wrap = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    const int hAlign = int(label->alignment() & Qt::AlignHorizontal_Mask);
    p.setFont(label->font());
    const QFontMetrics fm(label->font());
    const int need = fm.boundingRect(inner, hAlign | Qt::AlignTop | wrap, text).height();
    const QRect band = CenteredTextBand(inner, need, std::max(1, fm.lineSpacing()));
    p.save();
    p.setClipRect(band.adjusted(-1, -1, 1, 1));
    const int vAlign = need > inner.height() ? Qt::AlignTop : Qt::AlignVCenter;
    DrawBorderedText(p, band, hAlign | vAlign | wrap, text, s.textColor, s.backColor, s.textBorder);
    p.restore();
}

void RingingCanvas::Paint(QPainter& p, const Scene& s)
{
    const QRect all(QPoint(0, 0), s.size);
    PaintWindowBackground(p, all, s.backColor, kGradientShade);

    UpdatePicture(s);
    if (!pictureCache_.isNull())
        p.drawPixmap(0, 0, pictureCache_);

    p.setBackgroundMode(Qt::TransparentMode);
    for (const QLabel* label : s.labels)
        PaintLabel(p, s, label);

    if (s.soundStrip) { // device pixels
        const qreal strip = kSoundStripHeight / s.dpr;
        p.fillRect(QRectF(0, s.size.height() - strip, s.size.width(), strip), ToQColor(s.backColor));
    }

    if (batteryIcon_ >= 0) {
        const int scale = std::max((dpi_x() + 48) / 96, 1);
        QPixmap icon = BatteryIcon(batteryIcon_, std::max(1, qRound(scale * s.dpr)));
        icon.setDevicePixelRatio(icon.width() / qreal(batteryRect_.width()));
        p.drawPixmap(batteryRect_.topLeft(), icon);
    }
}

} // namespace dawnbell
