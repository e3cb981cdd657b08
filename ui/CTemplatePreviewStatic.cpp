#include "CTemplatePreviewStatic.h"

#include "AddedFiles.h"
#include "Alarm.h"
#include "ColorHelpers.h"
#include "CommandAlarm.h"
#include "DevicePaths.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "Scaling.h"
#include "ScreenClass.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

// The kind pictures are compiled into the resources library; the initialiser
// must be called explicitly or the linker drops them.
static void InitPreviewResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace dawnbell {

namespace {

constexpr int kHostShade = 80;    // the host's gradient runs from GradientShade(bgColor, 80)
constexpr int kNameBoxTop = 70;   // per cent of the height where the name box starts
constexpr int kPreviewClass = ScreenQVGASquare; // the square picture fits a preview best

QImage KindPicture(int kind)
{
    static const bool initialised = (InitPreviewResources(), true);
    Q_UNUSED(initialised);
    if (kind < 0 || kind > 3)
        return QImage();
    return QImage(QStringLiteral(":/icons/kind%1.png").arg(CTemplatePreviewStatic::kKindPictures[kind]));
}

} // namespace

CTemplatePreviewStatic::CTemplatePreviewStatic(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTemplatePreviewStatic::SetAlarm(const Alarm* alarm)
{
    if (alarm != m_alarm) {
        m_picture = QImage();
        m_pictureTried = false;
    }
    m_alarm = alarm;
    update();
}

void CTemplatePreviewStatic::SetName(const QString& name)
{
    m_name = name;
    update();
}

void CTemplatePreviewStatic::SetKind(int kind)
{
    m_kind = kind;
    update();
}

void CTemplatePreviewStatic::SetHost(QWidget* host)
{
    m_host = host;
    update();
}

void CTemplatePreviewStatic::SetImagesDir(const QString& dir)
{
    m_imagesDir = dir;
    m_picture = QImage();
    m_pictureTried = false;
    update();
}

QWidget* CTemplatePreviewStatic::Host() const
{
    if (m_host)
        return m_host;
    QWidget* parent = parentWidget();
    if (parent && parent->parentWidget())
        return parent->parentWidget();
    return parent;
}

QString CTemplatePreviewStatic::ImagesDir() const
{
    return m_imagesDir.isEmpty() ? QString::fromStdString(ProgramDir()) + QStringLiteral("/images") : m_imagesDir;
}

QRect CTemplatePreviewStatic::NameBox() const
{
    const int g = (dpi_x() + 12) * 4 / 96 + 4;
    const int top = height() * kNameBoxTop / 100;
    return QRect(QPoint(g, top), QPoint(width() - 1 - g, height() - 1 - g));
}

void CTemplatePreviewStatic::resizeEvent(QResizeEvent* event)
{
    m_picture = QImage(); // scaled to the old size
    m_pictureTried = false;
    QWidget::resizeEvent(event);
}

QImage CTemplatePreviewStatic::Render()
{
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    PaintInto(painter);
    return image;
}

void CTemplatePreviewStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintInto(painter);
}

void CTemplatePreviewStatic::PaintInto(QPainter& painter)
{
    const uint32_t bg = AppBackColor();
    const uint32_t text = AppTextColor();
    // 1. The slice of the host's gradient behind the control.
    QWidget* host = Host();
    const int firstRow = host ? mapTo(host, QPoint(0, 0)).y() : 0;
    const int rows = host ? host->height() : height();
    PaintGradientSlice(painter, rect(), GradientShade(bg, kHostShade), bg, firstRow, rows);

    auto drawCentred = [&](const QImage& picture, int side) {
        if (picture.isNull())
            return QRect();
        const QSize s(ScaleX(side), ScaleY(side));
        const QRect target(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
        painter.drawImage(target, picture);
        return target;
    };

    if (m_alarm) {
        if (m_alarm->type == AlarmCommand) {
            // 2a. A command: its kind picture with the target's own icon on it.
            const QRect kind = drawCentred(KindPicture(AlarmCommand), kKindPictureSize);
            const QString target = PlanCommand(m_alarm->command).target;
            if (!target.isEmpty() && !kind.isNull()) {
                const QIcon icon = QFileIconProvider().icon(QFileInfo(target));
                const QSize s(ScaleX(kTargetIconSize), ScaleY(kTargetIconSize));
                const QPixmap pixmap = icon.pixmap(s, devicePixelRatioF());
                if (!pixmap.isNull())
                    painter.drawPixmap(QRect(kind.center() - QPoint(s.width() / 2, s.height() / 2), s), pixmap);
            }
        } else if (m_alarm->backImageStyle != 0) {
            // 2b. The picture for the square screen, stretched, kept for later paints.
            if (!m_pictureTried) {
                m_pictureTried = true;
                const QString name = choose_background(*m_alarm, kPreviewClass);
                const QSize inner = size() - QSize(2, 2);
                if (!name.isEmpty() && !name.contains(QLatin1Char('/')) && !inner.isEmpty()) {
                    QImageReader reader(AddedFiles::Find(ImagesDir(), AddedFiles::kImages, name));
                    reader.setAutoTransform(true);
                    const QImage loaded = reader.read();
                    if (!loaded.isNull())
                        m_picture = loaded.scaled(inner * devicePixelRatioF(), Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation);
                }
            }
            if (!m_picture.isNull())
                painter.drawImage(rect().adjusted(1, 1, -1, -1), m_picture);
        }
        // 2c. The name in a box of the alarm's colours.
        if (!m_name.isEmpty()) {
            const QRect box = NameBox();
            const uint32_t fill = m_alarm->useBackColor ? m_alarm->backColor : bg;
            painter.fillRect(box.adjusted(1, 1, -1, -1), ToQColor(fill));
            PaintCutFrame(painter, box, fill, fill);
            painter.save();
            painter.setFont(FitFont(m_name, box, 0));
            painter.setPen(ToQColor(m_alarm->useTextColor ? m_alarm->textColor : text));
            painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, m_name);
            painter.restore();
        }
    } else {
        // 3. Without an alarm: the picture of the kind.
        drawCentred(KindPicture(m_kind), kKindPictureSize);
    }

    // 4. The frame, in the tones of an unselected row of the alarm list.
    const bool dark = IsDark(bg);
    PaintCutFrame(painter, rect(), dark ? Lighten(bg, 100) : Darken(bg, 50), dark ? bg : Lighten(bg, 50));
}

} // namespace dawnbell
