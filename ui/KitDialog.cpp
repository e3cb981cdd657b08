#include "KitDialog.h"

#include "ColorHelpers.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "KitStyle.h"
#include "Scaling.h"

#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace dawnbell {

KitDialog::KitDialog(QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the whole client area is painted; nothing is erased first
    ApplyKitColors(this, m_background, m_text);
}

void KitDialog::SetKitColors(uint32_t background, uint32_t text)
{
    m_background = background & 0x00FFFFFF;
    m_text = text & 0x00FFFFFF;
    ApplyKitColors(this, m_background, m_text);
    update();
}

void KitDialog::SetGradientShade(int n)
{
    m_shade = n;
    update();
}

void KitDialog::SetTextBorder(bool on)
{
    m_textBorder = on;
    update();
}

void KitDialog::SetEdgeFrame(bool on)
{
    m_edgeFrame = on;
    update();
}

bool KitDialog::ApplyLayout(int layoutId)
{
    return ApplyLayout(DialogLayout::Load(layoutId));
}

bool KitDialog::ApplyLayout(const DialogLayout& layout)
{
    int dpiX = dpi_x(), dpiY = dpi_y();
    const ScreenGeometry screen = CurrentScreen();
    FitDensities(layout.DesignSize(), QSize(screen.logicalWidth, screen.logicalHeight), &dpiX, &dpiY);
    return ApplyLayout(layout, dpiX, dpiY);
}

int KitDialog::LayoutDpiX() const
{
    return m_layoutDpiX > 0 ? m_layoutDpiX : dpi_x();
}

int KitDialog::LayoutDpiY() const
{
    return m_layoutDpiY > 0 ? m_layoutDpiY : dpi_y();
}

void KitDialog::FitDensities(const QSize& design, const QSize& screen, int* dpiX, int* dpiY)
{
    if (design.isEmpty() || screen.isEmpty() || *dpiX < 1 || *dpiY < 1)
        return;
    auto fits = [&](int x, int y) {
        return mul_div_round(design.width(), x, 96) <= screen.width()
            && mul_div_round(design.height(), y, 96) <= screen.height();
    };
    if (fits(*dpiX, *dpiY))
        return;
    // The common factor first, then step down for the rounding of mul_div_round.
    const double factor = std::min(double(screen.width()) / mul_div_round(design.width(), *dpiX, 96),
                                   double(screen.height()) / mul_div_round(design.height(), *dpiY, 96));
    int x = std::max(1, int(*dpiX * factor)), y = std::max(1, int(*dpiY * factor));
    while (!fits(x, y) && (x > 1 || y > 1)) {
        x = std::max(1, x - 1);
        y = std::max(1, y - 1);
    }
    *dpiX = x;
    *dpiY = y;
}

bool KitDialog::ApplyLayout(const DialogLayout& layout, int dpiX, int dpiY)
{
    if (!layout.IsValid())
        return false;
    m_layoutDpiX = dpiX;
    m_layoutDpiY = dpiY;
    m_layoutId = layout.Id();
    const QSize size = layout.ScaledSize(dpiX, dpiY);
    if (size.isValid())
        resize(size);
    return layout.Apply(this, dpiX, dpiY);
}

bool KitDialog::BeginLayoutPass(const QSize& size, const LayoutSet& set, LayoutPass* pass)
{
    if (size.width() <= 0 || size.height() <= 0)
        return false;
    if (m_passWidth >= 0 && size.width() == m_passWidth)
        return false;
    m_passWidth = size.width();
    pass->variant = DialogLayout::VariantFor(size);
    const int id = pass->variant == DialogLayout::Portrait    ? set.portrait
                   : pass->variant == DialogLayout::Landscape ? set.landscape
                                                              : set.square;
    pass->layout = set.load(id);
    pass->dpiX = dpi_x();
    pass->dpiY = dpi_y();
    // Displays smaller than any the layouts were made for get a lower density.
    FitDensities(pass->layout.DesignSize(), size, &pass->dpiX, &pass->dpiY);
    m_layoutDpiX = pass->dpiX;
    m_layoutDpiY = pass->dpiY;
    m_layoutId = id;
    return true;
}

QPoint KitDialog::CentringShift(const LayoutPass& pass, const QSize& size, const QRect& last)
{
    constexpr int kMinShift = 10; // a free margin up to this is left alone, pixels
    int dx = 0;
    int dy = 0;
    if (pass.variant == DialogLayout::Landscape)
        dx = (size.width() - (last.x() + last.width())) / 2;
    else if (pass.variant == DialogLayout::Portrait)
        dy = (size.height() - (last.y() + last.height())) / 2;
    return QPoint(dx > kMinShift ? dx : 0, dy > kMinShift ? dy : 0);
}

QRect KitDialog::TitleLineArea(const QLabel* holder) const
{
    const int ux = (LayoutDpiX() + 24) * 2 / 96;
    const int uy = (LayoutDpiY() + 24) * 2 / 96;
    return holder->geometry().adjusted(ux, uy, -ux, -uy);
}

QFont KitDialog::FitTitleLineFont(const QLabel* holder) const
{
    return FitFont(holder->text(), TitleLineArea(holder), 0);
}

void KitDialog::PaintTitleLine(QPainter& painter, const QLabel* holder, const QFont& font) const
{
    PaintTitleArea(painter, holder->geometry(), m_background, m_shade);
    painter.save();
    painter.setFont(font);
    painter.setPen(ToQColor(m_text));
    painter.drawText(TitleLineArea(holder), Qt::AlignCenter | Qt::TextWordWrap, holder->text());
    painter.restore();
}

void KitDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOutFor(size());
}

void KitDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    LayOutFor(size());
}

void KitDialog::CenterOnScreen()
{
    const ScreenGeometry screen = CurrentScreen();
    if (screen.logicalWidth <= 0 || screen.logicalHeight <= 0)
        return;
    move((screen.logicalWidth - width()) / 2, (screen.logicalHeight - height()) / 2);
}

HiddenLabelStyle KitDialog::LabelStyle() const
{
    HiddenLabelStyle style;
    style.background = m_background;
    style.text = m_text;
    style.shade = m_shade;
    style.textBorder = m_textBorder;
    return style;
}

void KitDialog::PaintLabels(QPainter& painter)
{
    const HiddenLabelStyle style = LabelStyle();
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->isHidden())
            PaintHiddenLabel(painter, this, label, style);
    }
}

void KitDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintWindowBackground(painter, rect(), m_background, m_shade);
    if (m_edgeFrame)
        PaintCutFrame(painter, rect(), m_text, GradientShade(m_background, m_shade));
    PaintLabels(painter);
}

} // namespace dawnbell
