#include "KitWizard.h"

#include "KitArrowButton.h"
#include "KitFont.h"
#include "KitWizardPage.h"
#include "Scaling.h"
#include "Texts.h"
#include "WindowGeometry.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace dawnbell {

namespace {

enum TextId {
    kTextOk = 24,
    kTextCancel = 25,
    kTextPreviousPage = 357, // "<" and ">", for screen readers
    kTextNextPage = 358,
};

// True for the controls the on-screen keyboard types into (not read-only texts).
bool IsEditControl(const QWidget* w)
{
    for (; w; w = w->parentWidget()) {
        if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w))
            return !plain->isReadOnly();
        if (const auto* rich = qobject_cast<const QTextEdit*>(w))
            return !rich->isReadOnly();
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
            return true;
    }
    return false;
}

} // namespace

KitWizard::KitWizard(const LayoutSet& layouts, QWidget* parent)
    : KitDialog(parent), m_layouts(layouts)
{
    setWindowTitle(QStringLiteral("Dawnbell"));
    setFont(KitFont(9));
    SetEdgeFrame(false);

    m_title = new QLabel(this);
    m_title->setObjectName(QString::number(IdTitle));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_title->hide();

    m_back = new KitArrowButton(Qt::LeftArrow, this);
    m_back->setObjectName(QString::number(IdBack));
    m_next = new KitArrowButton(Qt::RightArrow, this);
    m_next->setObjectName(QString::number(IdNext));
    m_back->setAccessibleName(Text(kTextPreviousPage));
    m_next->setAccessibleName(Text(kTextNextPage));
    auto button = [this](int id) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_ok = button(IdOk);
    m_cancel = button(IdCancel);
    m_ok->setDefault(true); // Enter is OK wherever the focus is; Escape is Cancel
    m_ok->setText(Text(kTextOk));
    m_cancel->setText(Text(kTextCancel));

    connect(m_back, &QAbstractButton::clicked, this, [this] { Back(); });
    connect(m_next, &QAbstractButton::clicked, this, [this] { Next(); });
    connect(m_ok, &QPushButton::clicked, this, &KitWizard::accept);
    connect(m_cancel, &QPushButton::clicked, this, &KitWizard::reject);
}

KitWizard::~KitWizard() = default;

void KitWizard::StartFrame()
{
    // A handheld's frame fills the screen; on a desktop it is as large as its
    // portrait layout.
    const QSize design = m_layouts.load(m_layouts.portrait).ScaledSize(dpi_x(), dpi_y());
    PlaceWindow(this, design);
    if (AvailableArea(this).isEmpty()) // no screen at all
        resize(design);
    LayOutFor(size());

    if (QInputMethod* im = QGuiApplication::inputMethod()) {
        connect(im, &QInputMethod::visibleChanged, this, [this] { QueryInputPanel(); });
        connect(im, &QInputMethod::keyboardRectangleChanged, this, [this] { QueryInputPanel(); });
    }
}

// --- layout and painting --------------------------------------------------------------

void KitWizard::LayOutFor(const QSize& size)
{
    LayoutPass pass;
    if (!FramePage(0) || !BeginLayoutPass(size, m_layouts, &pass))
        return;
    for (int controlId : pass.layout.ControlIds()) {
        QRect r;
        QWidget* w = DialogLayout::FindControl(this, controlId);
        if (w && w->parentWidget() == this && pass.layout.ControlRect(controlId, &r))
            w->setGeometry(DialogLayout::ScaleEdges(r, pass.dpiX, pass.dpiY));
    }
    const int top = pass.variant == DialogLayout::Portrait    ? kPageTopPortrait
                    : pass.variant == DialogLayout::Landscape ? kPageTopLandscape
                                                              : kPageTopSquare;
    const QRect pageRect = DialogLayout::ScaleEdges(
        QRect(0, top, KitWizardPage::kDesignWidth, KitWizardPage::kDesignHeight), pass.dpiX, pass.dpiY);

    // Centre the design on screens larger than it was made for, measured on OK.
    const QPoint shift = CentringShift(pass, size, m_ok->geometry());
    for (QWidget* w : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_back), static_cast<QWidget*>(m_next),
                       static_cast<QWidget*>(m_ok), static_cast<QWidget*>(m_cancel)})
        w->move(w->pos() + shift);
    for (int i = 0; KitWizardPage* page = FramePage(i); ++i)
        page->Place(pageRect.translated(shift), pass.dpiX, pass.dpiY);

    RefreshTitle();
    m_ok->setText(Text(kTextOk));
    m_cancel->setText(Text(kTextCancel));
    update();
}

void KitWizard::OrderFocusForPage()
{
    QWidget* focus = focusWidget();
    KitWizardPage* page = ShownPage();
    if (!page || (focus && focus->isVisibleTo(this)))
        return;
    for (QWidget* w = page->nextInFocusChain(); w && page->isAncestorOf(w); w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void KitWizard::RefreshTitle()
{
    m_title->setText(TitleText());
    m_titleFont = FitTitleLineFont(m_title);
    update();
}

void KitWizard::PaintLabels(QPainter& painter)
{
    PaintTitleLine(painter, m_title, m_titleFont);
}

// --- input panel ---------------------------------------------------------------------

void KitWizard::QueryInputPanel()
{
    QInputMethod* im = QGuiApplication::inputMethod();
    if (!im)
        return;
    InputPanelChanged(im->isVisible(), im->keyboardRectangle().toRect());
}

void KitWizard::InputPanelChanged(bool shown, const QRect& panel)
{
    KitWizardPage* page = ShownPage();
    if (!page)
        return;
    if (!shown) {
        if (page->IsShortened()) {
            page->Unshorten();
            update();
        }
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !IsEditControl(focus) || !page->isAncestorOf(focus) || panel.isEmpty())
        return;
    const int pageTop = page->y();
    const QRect field(focus->mapTo(this, QPoint(0, 0)), focus->size());
    if (panel.top() >= field.y() + field.height())
        return; // the field stays above the panel
    if (panel.top() < pageTop + mul_div_round(kMinShortenedPage, LayoutDpiY(), 96))
        return; // too little of the page would remain
    const int fieldTop = focus->mapTo(page, QPoint(0, 0)).y() + page->ScrollOffset();
    page->Shorten(panel.top() - pageTop, fieldTop);
    update();
}

} // namespace dawnbell
