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
#include "KitArrowButton.h"
#include "MessageBox.h"
#include "Scaling.h"
#include "TemplateLibrary.h"
#include "TemplateName.h"
#include "TextFormat.h"
#include "Texts.h"

#include <QGuiApplication>
#include <QInputMethod>

#include <algorithm>

namespace dawnbell {

namespace {

// Texts of the frame and its checks (string-table numbers).
enum TextId {
    kTextClash = 2,
    kTextNoSound = 56,
    kTextOverwriteTemplate = 86,
    kTextNoCommand = 91,
    kTextError = 113,
    kTextWarning = 126,
    kTextNew = 152,
    kTextTemplateNotSaved = 271, // "The template \"%s\" could not be saved. The templates stay as they were."
};

} // namespace

CEditWizard::CEditWizard(Alarm* alarm, QWidget* parent, WizardServices services)
    : KitWizard({kPortraitLayout, kLandscapeLayout, kSquareLayout, &WizardLayout}, parent),
      m_alarm(alarm), m_work(std::make_unique<Alarm>()), m_services(std::move(services))
{
    m_work->CopyFrom(*m_alarm); // a new record: no pending template name
    SetKitColors(AppBackColor(), AppTextColor());
    CreatePages();
    StartFrame();
    m_current = 1;
    ShowPage();
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

KitWizardPage* CEditWizard::FramePage(int index) const
{
    return Page(index + 1);
}

KitWizardPage* CEditWizard::ShownPage() const
{
    return CurrentPagePtr();
}

QString CEditWizard::TitleText() const
{
    const CEditWizardPage* page = CurrentPagePtr();
    return page ? page->GetPageTitle() : QString();
}

// --- construction ---------------------------------------------------------------

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
    OrderFocusForPage();
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
    // The old section goes in the same transaction: names that differ only in
    // letter case share one registry section, whose stored name would otherwise
    // stay. A failed write leaves the old template whole, and the wizard open.
    if (!TemplateLibrary::Store(*made, found)) {
        ShowMessageBox(FormatTextId(kTextTemplateNotSaved, {name}), Text(kTextError), MsgButtons::Ok, MsgIcon::Error,
                       this);
        return false;
    }
    if (found)
        list->erase(std::find_if(list->begin(), list->end(),
                                 [found](const std::unique_ptr<AlarmTemplate>& t) { return t.get() == found; }));
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
    KitWizard::accept();
}

void CEditWizard::reject()
{
    m_closing = true;
    KitWizard::reject();
}

} // namespace dawnbell
