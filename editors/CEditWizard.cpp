#include "CEditWizard.h"

#include "Alarm.h"
#include "CEditWizardPage.h"
#include "CStep1.h"
#include "CStep2.h"
#include "CStep3.h"
#include "CStep4.h"
#include "CStep5.h"
#include "CStep6.h"
#include "CStep7.h"
#include "CStep8.h"
#include "CStepAppointment.h"
#include "CStepCommand.h"
#include "CStepSave.h"
#include "ColorHelpers.h"
#include "DialogLayout.h"
#include "FileDialog.h"
#include "KitArrowButton.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "MessageBox.h"
#include "Scaling.h"
#include "TemplateName.h"
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
#include <QTextEdit>

#include <algorithm>

namespace dawnbell {

namespace {

// Texts of the frame and its checks (string-table numbers).
enum TextId {
    kTextClash = 2,
    kTextOk = 24,
    kTextCancel = 25,
    kTextNoSound = 56,
    kTextOverwriteTemplate = 86,
    kTextNoCommand = 91,
    kTextError = 113,
    kTextWarning = 126,
    kTextNew = 152,
};

constexpr int kMinCentringShift = 10; // a free margin up to this is left alone, pixels


// True for the controls the on-screen keyboard types into.
bool IsEditControl(const QWidget* w)
{
    for (; w; w = w->parentWidget()) {
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)
            || qobject_cast<const QTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
            return true;
    }
    return false;
}

} // namespace

CEditWizard::CEditWizard(Alarm* alarm, QWidget* parent, WizardServices services)
    : KitDialog(parent), m_alarm(alarm), m_work(std::make_unique<Alarm>()), m_services(std::move(services))
{
    setWindowTitle(QStringLiteral("Dawnbell"));
    setFont(KitFont(9));
    SetEdgeFrame(false);
    m_work->CopyFrom(*m_alarm); // a new record: no pending template name
    CreateControls();
    SetKitColors(AppBackColor(), AppTextColor());
    CreatePages();

    // A handheld's wizard fills the screen; on a desktop it is as large as its
    // portrait layout.
    const QSize design = WizardLayout(kPortraitLayout).ScaledSize(dpi_x(), dpi_y());
    PlaceWindow(this, design);
    if (AvailableArea(this).isEmpty()) // no screen at all
        resize(design);
    DoLayout(size());
    m_current = 1;
    ShowPage();

    if (QInputMethod* im = QGuiApplication::inputMethod()) {
        connect(im, &QInputMethod::visibleChanged, this, [this] { QueryInputPanel(); });
        connect(im, &QInputMethod::keyboardRectangleChanged, this, [this] { QueryInputPanel(); });
    }
}

CEditWizard::~CEditWizard()
{
    // The pages are children of this window; release them before Qt would.
    for (auto& page : m_pages)
        page.reset();
}

CEditWizardPage* CEditWizard::Page(int index) const
{
    if (index < 1 || index > PageCount())
        return nullptr;
    return m_pages[size_t(index - 1)].get();
}

QString CEditWizard::TitleText() const
{
    const CEditWizardPage* page = CurrentPagePtr();
    return page ? page->GetPageTitle() : QString();
}

// --- construction ---------------------------------------------------------------

void CEditWizard::CreateControls()
{
    m_title = new QLabel(this);
    m_title->setObjectName(QString::number(IdTitle));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_title->hide(); // the wizard paints the title itself

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

    connect(m_back, &QAbstractButton::clicked, this, &CEditWizard::Back);
    connect(m_next, &QAbstractButton::clicked, this, &CEditWizard::Next);
    connect(m_ok, &QPushButton::clicked, this, &CEditWizard::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CEditWizard::reject);
}

void CEditWizard::CreatePages()
{
    Alarm* w = m_work.get();
    const WizardServices* s = &m_services;
    const int type = m_alarm->type;
    if (type == AlarmCommand) {
        m_pages.push_back(std::make_unique<CStep1>(w, s));
        m_pages.push_back(std::make_unique<CStep2>(w, s));
        m_pages.push_back(std::make_unique<CStepCommand>(w, s));
        m_pages.push_back(std::make_unique<CStepSave>(w, s));
    } else {
        if (type == AlarmAppointment)
            m_pages.push_back(std::make_unique<CStepAppointment>(w, s));
        else
            m_pages.push_back(std::make_unique<CStep1>(w, s));
        m_pages.push_back(std::make_unique<CStep2>(w, s));
        m_pages.push_back(std::make_unique<CStep3>(w, s));
        m_pages.push_back(std::make_unique<CStep4>(w, s));
        m_pages.push_back(std::make_unique<CStep5>(w, s));
        m_pages.push_back(std::make_unique<CStep6>(w, s));
        m_pages.push_back(std::make_unique<CStep7>(w, s));
        m_pages.push_back(std::make_unique<CStep8>(w, s));
        m_pages.push_back(std::make_unique<CStepSave>(w, s));
    }
    const QRect design(0, ScaleY(kPageTopPortrait), ScaleX(CEditWizardPage::kDesignWidth),
                       ScaleY(CEditWizardPage::kDesignHeight));
    for (auto& page : m_pages) {
        page->CreatePage(this, design);
        page->hide();
    }
}

// --- moving between pages ----------------------------------------------------------

void CEditWizard::ShowPage()
{
    if (QInputMethod* im = QGuiApplication::inputMethod())
        im->hide();
    for (int i = 1; i <= PageCount(); ++i) {
        if (i != m_current)
            Page(i)->hide();
    }
    m_back->setEnabled(m_current > 1);
    m_next->setEnabled(m_current < PageCount());
    if (CEditWizardPage* page = CurrentPagePtr())
        page->show();
    RefreshTitle();
}

void CEditWizard::Move(int delta)
{
    const int to = m_current + delta;
    if (m_closing || to < 1 || to > PageCount())
        return;
    CEditWizardPage* page = CurrentPagePtr();
    if (!page->StoreToAlarm())
        return;
    page->Unshorten();
    m_current = to;
    ShowPage();
}

void CEditWizard::Back()
{
    Move(-1);
}

void CEditWizard::Next()
{
    Move(+1);
}

// --- OK and Cancel -------------------------------------------------------------------

bool CEditWizard::TryAccept()
{
    if (!CurrentPagePtr()->StoreToAlarm())
        return false;
    if (m_services.clash && m_services.clash(*m_work)) {
        ShowMessageBox(Text(kTextClash), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
        return false;
    }
    if (m_work->type == AlarmCommand) {
        if (m_work->command.isEmpty()) {
            ShowMessageBox(Text(kTextNoCommand), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
            return false;
        }
    } else if (m_work->playlist.isEmpty()
               && ShowMessageBox(Text(kTextNoSound), Text(kTextWarning), MsgButtons::YesNo, MsgIcon::Warning, this)
                      != MsgAnswer::Yes) {
        return false;
    }
    if (!SaveTemplate())
        return false;
    m_alarm->CopyFrom(*m_work);
    return true;
}

bool CEditWizard::SaveTemplate()
{
    const QString name = m_work->pendingTemplateName;
    if (name.isEmpty() || name == Text(kTextNew))
        return true;
    TemplateList* list = m_services.templates;
    if (!list)
        return true; // nowhere to keep a template
    AlarmTemplate* found = TemplateName::Find(*list, name);
    if (found
        && ShowMessageBox(Text(kTextOverwriteTemplate), Text(kTextWarning), MsgButtons::YesNo, MsgIcon::Question,
                          this)
               != MsgAnswer::Yes)
        return false;
    auto made = std::make_unique<AlarmTemplate>();
    made->CopyFrom(*m_work);
    made->name = name;
    if (found) {
        // The old section goes first: names that differ only in letter case
        // share one registry section, whose stored name would otherwise stay.
        AlarmStore::DeleteSection(*found);
        list->erase(std::find_if(list->begin(), list->end(),
                                 [found](const std::unique_ptr<AlarmTemplate>& t) { return t.get() == found; }));
    }
    made->Save();
    // The list stays in name order, as the main window's menu and the template
    // library expect.
    const auto at = std::upper_bound(list->begin(), list->end(), made, [](const auto& a, const auto& b) {
        return AlarmStore::NameLess(a->name, b->name);
    });
    list->insert(at, std::move(made));
    return true;
}

void CEditWizard::accept()
{
    if (m_closing || !TryAccept())
        return;
    m_closing = true;
    KitDialog::accept();
}

void CEditWizard::reject()
{
    m_closing = true;
    KitDialog::reject();
}

// --- layout and painting --------------------------------------------------------------

void CEditWizard::DoLayout(const QSize& size)
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
    const DialogLayout layout = WizardLayout(id);
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
            w->setGeometry(DialogLayout::ScaleEdges(r, dpiX, dpiY));
    }
    const QRect pageRect = DialogLayout::ScaleEdges(
        QRect(0, top, CEditWizardPage::kDesignWidth, CEditWizardPage::kDesignHeight), dpiX, dpiY);

    // Centre the design on screens larger than it was made for.
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
    for (auto& page : m_pages)
        page->Place(pageRect.translated(dx, dy), dpiX, dpiY);

    RefreshTitle();
    m_ok->setText(Text(kTextOk));
    m_cancel->setText(Text(kTextCancel));
    update();
}

QRect CEditWizard::TitleArea() const
{
    const int ux = (m_dpiX + 24) * 2 / 96;
    const int uy = (m_dpiY + 24) * 2 / 96;
    return m_title->geometry().adjusted(ux, uy, -ux, -uy);
}

void CEditWizard::RefreshTitle()
{
    const QString text = TitleText();
    m_title->setText(text);
    m_titleFont = FitFont(text, TitleArea(), 0);
    update();
}

void CEditWizard::resizeEvent(QResizeEvent* event)
{
    KitDialog::resizeEvent(event);
    DoLayout(size());
}

void CEditWizard::showEvent(QShowEvent* event)
{
    KitDialog::showEvent(event);
    DoLayout(size());
}

void CEditWizard::PaintLabels(QPainter& painter)
{
    const uint32_t base = BackgroundColor();
    PaintTitleArea(painter, m_title->geometry(), base, GradientShadeAmount());
    painter.save();
    painter.setFont(m_titleFont);
    painter.setPen(ToQColor(TextColor()));
    painter.drawText(TitleArea(), Qt::AlignCenter | Qt::TextWordWrap, m_title->text());
    painter.restore();
}

// --- input panel ---------------------------------------------------------------------

void CEditWizard::QueryInputPanel()
{
    QInputMethod* im = QGuiApplication::inputMethod();
    if (!im)
        return;
    InputPanelChanged(im->isVisible(), im->keyboardRectangle().toRect());
}

void CEditWizard::InputPanelChanged(bool shown, const QRect& panel)
{
    CEditWizardPage* page = CurrentPagePtr();
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
    if (panel.top() < pageTop + mul_div_round(kMinShortenedPage, m_dpiY, 96))
        return; // too little of the page would remain
    const int fieldTop = focus->mapTo(page, QPoint(0, 0)).y() + page->ScrollOffset();
    page->Shorten(panel.top() - pageTop, fieldTop);
    update();
}

} // namespace dawnbell
