#include "KitWizardPage.h"

#include "ColorHelpers.h"
#include "KitArrowButton.h"
#include "KitDialog.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>

namespace dawnbell {

namespace {

constexpr int kLabelFontTenths = 90;    // label font, tenths of a point
constexpr int kMinLabelFontTenths = 70; // smallest label font when a text is too wide

} // namespace

KitWizardPage::KitWizardPage(LayoutSource source, int layoutId, int titleText, QWidget* parent)
    : QWidget(parent), m_source(source), m_layoutId(layoutId), m_titleText(titleText)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the page paints all of itself
    setFont(KitFont(9));
}

KitWizardPage::~KitWizardPage() = default;

QString KitWizardPage::Title() const
{
    return Text(m_titleText);
}

QWidget* KitWizardPage::Control(int id) const
{
    return DialogLayout::FindControl(this, id);
}

void KitWizardPage::Place(const QRect& rect, int dpiX, int dpiY)
{
    m_fullRect = rect;
    m_dpiX = dpiX;
    m_dpiY = dpiY;
    m_shortened = false;
    m_scroll = 0;
    setGeometry(rect);
    PlaceControls();
    FitLabelFonts();
    Placed();
    update();
}

void KitWizardPage::PlaceControls()
{
    const DialogLayout layout = m_source(m_layoutId);
    for (int id : layout.ControlIds()) {
        QRect r;
        QWidget* w = Control(id);
        if (w && layout.ControlRect(id, &r))
            w->setGeometry(DialogLayout::ScaleEdges(r, m_dpiX, m_dpiY).translated(0, -m_scroll));
    }
}

void KitWizardPage::Shorten(int height, int top)
{
    if (m_fullRect.isEmpty())
        return;
    m_shortened = true;
    m_scroll = std::max(0, top);
    resize(m_fullRect.width(), std::clamp(height, 1, m_fullRect.height()));
    PlaceControls();
    update();
}

void KitWizardPage::Unshorten()
{
    if (!m_shortened)
        return;
    m_shortened = false;
    m_scroll = 0;
    setGeometry(m_fullRect);
    PlaceControls();
    update();
}

void KitWizardPage::FitLabelFonts()
{
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        int tenths = kLabelFontTenths;
        QFont font = KitFontTenths(tenths);
        auto tooWide = [&] {
            const QFontMetrics m(font);
            if (!label->wordWrap())
                return m.horizontalAdvance(label->text()) > label->width();
            const QRect need = m.boundingRect(QRect(0, 0, label->width(), 1 << 20),
                                              Qt::TextWordWrap | Qt::AlignLeft, label->text());
            return need.height() > label->height() || need.width() > label->width();
        };
        while (tenths > kMinLabelFontTenths && tooWide()) {
            tenths -= 5;
            font = KitFontTenths(tenths);
        }
        label->setFont(font);
    }
}

void KitWizardPage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    uint32_t base = AppBackColor();
    uint32_t text = AppTextColor();
    int shade = 0x50;
    int rows = height();
    int top = 0;
    if (const auto* dialog = qobject_cast<const KitDialog*>(parentWidget())) {
        base = dialog->BackgroundColor();
        text = dialog->TextColor();
        shade = dialog->GradientShadeAmount();
        rows = dialog->height();
        top = y();
    }
    PaintGradientSlice(painter, rect(), GradientShade(base, shade), base, top, rows);
    HiddenLabelStyle style;
    style.background = base;
    style.text = text;
    style.shade = shade;
    style.textBorder = false;
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->isHidden())
            PaintHiddenLabel(painter, this, label, style, /*skipDisabled=*/true);
    }
}

// --- control helpers ---------------------------------------------------------

QLabel* KitWizardPage::AddLabel(int id, int textId)
{
    auto* l = new QLabel(this);
    l->setObjectName(QString::number(id));
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (textId > 0)
        l->setText(Text(textId));
    l->hide(); // a holder of text and place; the page paints the text
    return l;
}

QCheckBox* KitWizardPage::AddCheck(int id, int textId)
{
    auto* c = new QCheckBox(this);
    c->setObjectName(QString::number(id));
    if (textId > 0)
        c->setText(Text(textId));
    return c;
}

QRadioButton* KitWizardPage::AddOption(int id, int textId)
{
    auto* r = new QRadioButton(this);
    r->setObjectName(QString::number(id));
    if (textId > 0)
        r->setText(Text(textId));
    return r;
}

QPushButton* KitWizardPage::AddButton(int id, int textId)
{
    auto* b = new QPushButton(this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    if (textId > 0)
        b->setText(Text(textId));
    return b;
}

QComboBox* KitWizardPage::AddCombo(int id)
{
    auto* c = new QComboBox(this);
    c->setObjectName(QString::number(id));
    return c;
}

KitArrowButton* KitWizardPage::AddArrow(int id, Qt::ArrowType arrow)
{
    auto* b = new KitArrowButton(arrow, this);
    b->setObjectName(QString::number(id));
    return b;
}

QSpinBox* KitWizardPage::AddNumberEdit(int id, int min, int max)
{
    auto* e = new QSpinBox(this);
    e->setObjectName(QString::number(id));
    e->setRange(min, max);
    e->setButtonSymbols(QAbstractSpinBox::NoButtons);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return e;
}

} // namespace dawnbell
