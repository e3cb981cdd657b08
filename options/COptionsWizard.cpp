#include "COptionsWizard.h"

#include "COptionsAbout.h"
#include "COptionsAdvanced.h"
#include "COptionsColors.h"
#include "COptionsGeneral.h"
#include "COptionsPage.h"
#include "COptionsTemplates.h"
#include "COptionsToday.h"
#include "ColorHelpers.h"
#include "KitArrowButton.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "MessageBox.h"
#include "OptionsLayout.h"
#include "Scaling.h"
#include "Texts.h"
#include "WindowGeometry.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

namespace dawnbell {

namespace {

enum TextId {
    kTextOk = 24,
    kTextCancel = 25,
    kTextError = 113,
    kTextTodayBlocked = 162, // a full-screen today item keeps ours off
};

constexpr int kMinCentringShift = 10; // a free margin up to this is left alone, pixels

// True for the controls the on-screen keyboard types into.
bool IsEditControl(const QWidget* w)
{
    for (; w; w = w->parentWidget()) {
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)
            || qobject_cast<const QAbstractSpinBox*>(w))
            return !(qobject_cast<const QPlainTextEdit*>(w) && static_cast<const QPlainTextEdit*>(w)->isReadOnly());
    }
    return false;
}

} // namespace

COptionsWizard::COptionsWizard(OptionsServices services, QWidget* parent)
    : KitDialog(parent), m_services(std::move(services))
{
    setObjectName(QStringLiteral("COptionsWizard"));
    setWindowTitle(QStringLiteral("Dawnbell"));
    setFont(KitFont(9));
    SetEdgeFrame(false);
    SetGradientShade(kShade);
    m_before = OptionsSettings::Load(m_services.olderPlatform, m_services.namedColors);
    m_work = m_before;
    CreateControls();
    SetKitColors(m_work.bgColor, m_work.textColor);

    m_pages = {new COptionsGeneral(this), new COptionsColors(this), new COptionsToday(this),
               new COptionsTemplates(this), new COptionsAdvanced(this), new COptionsAbout(this)};
    for (COptionsPage* page : m_pages) {
        page->Create();
        page->hide();
    }

    // A handheld's sheet fills the screen; on a desktop it is as large as its
    // portrait layout.
    const QSize design = OptionsLayout(kPortraitLayout).ScaledSize(dpi_x(), dpi_y());
    PlaceWindow(this, design);
    if (AvailableArea(this).isEmpty()) // no screen at all
        resize(design);
    DoLayout(size());
    ShowPage(PageGeneral);

    if (QInputMethod* im = QGuiApplication::inputMethod()) {
        connect(im, &QInputMethod::visibleChanged, this, [this] { QueryInputPanel(); });
        connect(im, &QInputMethod::keyboardRectangleChanged, this, [this] { QueryInputPanel(); });
    }
}

COptionsWizard::~COptionsWizard() = default;

void COptionsWizard::CreateControls()
{
    m_title = new QLabel(this);
    m_title->setObjectName(QString::number(IdTitle));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_title->hide(); // the sheet paints the title itself

    m_back = new KitArrowButton(Qt::LeftArrow, this);
    m_back->setObjectName(QString::number(IdBack));
    m_next = new KitArrowButton(Qt::RightArrow, this);
    m_next->setObjectName(QString::number(IdNext));
    auto button = [this](int id) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_ok = button(IdOk);
    m_cancel = button(IdCancel);
    m_ok->setText(Text(kTextOk));
    m_cancel->setText(Text(kTextCancel));

    connect(m_back, &QAbstractButton::clicked, this, &COptionsWizard::Back);
    connect(m_next, &QAbstractButton::clicked, this, &COptionsWizard::Next);
    connect(m_ok, &QPushButton::clicked, this, &COptionsWizard::accept);
    connect(m_cancel, &QPushButton::clicked, this, &COptionsWizard::reject);
}

COptionsPage* COptionsWizard::Page(int index) const
{
    return index >= 0 && index < int(m_pages.size()) ? m_pages[size_t(index)] : nullptr;
}

QString COptionsWizard::TitleText() const
{
    const COptionsPage* page = Page(m_current);
    return page ? page->Title() : QString();
}

// --- moving between pages ---------------------------------------------------------

void COptionsWizard::ShowPage(int index)
{
    if (!Page(index))
        return;
    if (QInputMethod* im = QGuiApplication::inputMethod())
        im->hide();
    if (COptionsPage* old = Page(m_current)) {
        old->Unshorten();
        old->hide();
    }
    m_current = index;
    m_back->setEnabled(m_current > 0);
    m_next->setEnabled(m_current < kPageCount - 1);
    Page(m_current)->show();
    RefreshTitle();
}

void COptionsWizard::Back()
{
    if (m_current > 0)
        ShowPage(m_current - 1);
}

void COptionsWizard::Next()
{
    if (m_current < kPageCount - 1)
        ShowPage(m_current + 1);
}

void COptionsWizard::RecolorFromWork()
{
    SetKitColors(m_work.bgColor, m_work.textColor);
    for (COptionsPage* page : m_pages)
        page->update();
}

// --- OK --------------------------------------------------------------------------------

void COptionsWizard::accept()
{
    for (COptionsPage* page : m_pages)
        page->Store();
    const bool todayWritten = m_work.Write(m_before, m_services.olderPlatform);
    if (todayWritten && m_work.todayEnabled) {
        // The today screen may refuse our item (a full-screen item is on).
        uint32_t enabled = 0;
        if (!OptionsSettings::ReadTodayEnabled(&enabled) || enabled != 1)
            ShowMessageBox(Text(kTextTodayBlocked), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
    }
    if (m_services.setLanguage)
        m_services.setLanguage(m_work.languageFile);
    if (m_services.setColors)
        m_services.setColors(m_work.bgColor, m_work.textColor);
    if (m_services.setNamedColors)
        m_services.setNamedColors(m_work.colors);
    KitDialog::accept();
}

// --- layout and painting ------------------------------------------------------------------

void COptionsWizard::resizeEvent(QResizeEvent* event)
{
    KitDialog::resizeEvent(event);
    DoLayout(size());
}

void COptionsWizard::showEvent(QShowEvent* event)
{
    KitDialog::showEvent(event);
    DoLayout(size());
}

void COptionsWizard::DoLayout(const QSize& size)
{
    if (!m_ok || m_pages.empty() || size.width() <= 0 || size.height() <= 0)
        return;
    // Only a new width re-lays out: the input panel changes the height alone.
    if (m_layoutId != 0 && size.width() == m_lastLayoutSize.width())
        return;
    m_lastLayoutSize = size;

    const DialogLayout::Variant variant = DialogLayout::VariantFor(size);
    const int id = variant == DialogLayout::Portrait    ? kPortraitLayout
                   : variant == DialogLayout::Landscape ? kLandscapeLayout
                                                        : kSquareLayout;
    const int top = variant == DialogLayout::Portrait    ? kPageTopPortrait
                    : variant == DialogLayout::Landscape ? kPageTopLandscape
                                                         : kPageTopSquare;
    const DialogLayout layout = OptionsLayout(id);
    int dpiX = dpi_x();
    int dpiY = dpi_y();
    // Displays smaller than any the layouts were made for get a lower density.
    FitDensities(layout.DesignSize(), size, &dpiX, &dpiY);
    m_dpiX = dpiX;
    m_dpiY = dpiY;
    m_layoutId = id;
    for (int controlId : layout.ControlIds()) {
        QRect r;
        QWidget* w = DialogLayout::FindControl(this, controlId);
        if (w && w->parentWidget() == this && layout.ControlRect(controlId, &r))
            w->setGeometry(ScaleEdges(r, dpiX, dpiY));
    }
    const QRect pageRect =
        ScaleEdges(QRect(0, top, COptionsPage::kDesignWidth, COptionsPage::kDesignHeight), dpiX, dpiY);

    // Centre the design on screens larger than it was made for, measured on OK.
    const QRect ok = m_ok->geometry();
    int dx = 0;
    int dy = 0;
    if (variant == DialogLayout::Landscape)
        dx = (size.width() - (ok.x() + ok.width())) / 2;
    else if (variant == DialogLayout::Portrait)
        dy = (size.height() - (ok.y() + ok.height())) / 2;
    dx = dx > kMinCentringShift ? dx : 0;
    dy = dy > kMinCentringShift ? dy : 0;
    for (QWidget* w : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_back), static_cast<QWidget*>(m_next),
                       static_cast<QWidget*>(m_ok), static_cast<QWidget*>(m_cancel)})
        w->move(w->pos() + QPoint(dx, dy));
    for (COptionsPage* page : m_pages)
        page->Place(pageRect.translated(dx, dy), dpiX, dpiY);

    RefreshTitle();
    m_ok->setText(Text(kTextOk));
    m_cancel->setText(Text(kTextCancel));
    update();
}

QRect COptionsWizard::TitleArea() const
{
    const int ux = (m_dpiX + 24) * 2 / 96;
    const int uy = (m_dpiY + 24) * 2 / 96;
    return m_title->geometry().adjusted(ux, uy, -ux, -uy);
}

void COptionsWizard::RefreshTitle()
{
    const QString text = TitleText();
    m_title->setText(text);
    m_titleFont = FitFont(text, TitleArea(), 0);
    update();
}

void COptionsWizard::PaintLabels(QPainter& painter)
{
    PaintTitleArea(painter, m_title->geometry(), BackgroundColor(), GradientShadeAmount());
    painter.save();
    painter.setFont(m_titleFont);
    painter.setPen(ToQColor(TextColor()));
    painter.drawText(TitleArea(), Qt::AlignCenter | Qt::TextWordWrap, m_title->text());
    painter.restore();
}

// --- input panel ------------------------------------------------------------------------

void COptionsWizard::QueryInputPanel()
{
    QInputMethod* im = QGuiApplication::inputMethod();
    if (!im)
        return;
    InputPanelChanged(im->isVisible(), im->keyboardRectangle().toRect());
}

void COptionsWizard::InputPanelChanged(bool shown, const QRect& panel)
{
    COptionsPage* page = Page(m_current);
    if (!page)
        return;
    if (!shown) {
        if (page->IsShortened()) {
            page->Unshorten();
            update();
        }
        return;
    }
    QWidget* focused = QApplication::focusWidget();
    if (!focused || !page->isAncestorOf(focused) || !IsEditControl(focused))
        return;
    const QRect field(focused->mapTo(this, QPoint(0, 0)), focused->size());
    if (panel.top() > field.bottom())
        return; // the field stays in view
    const int pageTop = page->y();
    if (panel.top() - mul_div_round(kMinShortenedPage, m_dpiY, 96) < pageTop)
        return; // too little of the page would stay
    const int fieldTop = focused->mapTo(page, QPoint(0, 0)).y();
    page->Shorten(panel.top() - pageTop, fieldTop + page->ScrollOffset());
}

} // namespace dawnbell
