#include "COptionsPage.h"

#include "COptionsWizard.h"
#include "ColorHelpers.h"
#include "DialogLayout.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "OptionsLayout.h"
#include "Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace dawnbell {

namespace {

// Colour `row` of a vertical gradient from `top` (row 0) to `bottom` (row rows - 1).
uint32_t GradientAt(uint32_t top, uint32_t bottom, int row, int rows)
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

} // namespace

COptionsPage::COptionsPage(COptionsWizard* sheet, int layoutId, int titleText)
    : QWidget(sheet), m_sheet(sheet), m_layoutId(layoutId), m_titleText(titleText)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the page paints all of itself
    setFont(KitFont(9));
}

void COptionsPage::Create()
{
    CreateControls();
    Fill();
}

QString COptionsPage::Title() const
{
    return Text(m_titleText);
}

OptionsSettings& COptionsPage::Work() const
{
    return m_sheet->Work();
}

QWidget* COptionsPage::Control(int id) const
{
    return DialogLayout::FindControl(this, id);
}

void COptionsPage::Place(const QRect& rect, int dpiX, int dpiY)
{
    m_fullRect = rect;
    m_dpiX = dpiX;
    m_dpiY = dpiY;
    m_shortened = false;
    m_scroll = 0;
    setGeometry(rect);
    PlaceControls();
    Placed();
    update();
}

void COptionsPage::PlaceControls()
{
    const DialogLayout layout = OptionsLayout(m_layoutId);
    for (int id : layout.ControlIds()) {
        QRect r;
        QWidget* w = Control(id);
        if (w && layout.ControlRect(id, &r))
            w->setGeometry(ScaleEdges(r, m_dpiX, m_dpiY).translated(0, -m_scroll));
    }
}

void COptionsPage::Shorten(int height, int top)
{
    if (m_fullRect.isEmpty())
        return;
    m_shortened = true;
    m_scroll = std::max(0, top);
    resize(m_fullRect.width(), std::clamp(height, 1, m_fullRect.height()));
    PlaceControls();
    update();
}

void COptionsPage::Unshorten()
{
    if (!m_shortened)
        return;
    m_shortened = false;
    m_scroll = 0;
    setGeometry(m_fullRect);
    PlaceControls();
    update();
}

void COptionsPage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const uint32_t base = m_sheet->BackgroundColor();
    const uint32_t s = GradientShade(base, m_sheet->GradientShadeAmount());
    // The slice of the sheet's gradient behind the page, so it runs on unbroken.
    const int rows = m_sheet->height();
    PaintVerticalGradient(painter, rect(), GradientAt(s, base, y(), rows), GradientAt(s, base, y() + height() - 1, rows));
    HiddenLabelStyle style;
    style.background = base;
    style.text = m_sheet->TextColor();
    style.shade = m_sheet->GradientShadeAmount();
    style.textBorder = false;
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->isHidden())
            PaintHiddenLabel(painter, this, label, style, /*skipDisabled=*/true);
    }
}

QLabel* COptionsPage::AddLabel(int id, int textId)
{
    auto* l = new QLabel(this);
    l->setObjectName(QString::number(id));
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (textId > 0)
        l->setText(Text(textId));
    l->hide(); // a holder of text and place; the page paints the text
    return l;
}

QCheckBox* COptionsPage::AddCheck(int id, int textId)
{
    auto* c = new QCheckBox(this);
    c->setObjectName(QString::number(id));
    if (textId > 0)
        c->setText(Text(textId));
    return c;
}

QPushButton* COptionsPage::AddButton(int id, int textId)
{
    auto* b = new QPushButton(this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    if (textId > 0)
        b->setText(Text(textId));
    return b;
}

QComboBox* COptionsPage::AddCombo(int id)
{
    auto* c = new QComboBox(this);
    c->setObjectName(QString::number(id));
    return c;
}

} // namespace dawnbell
