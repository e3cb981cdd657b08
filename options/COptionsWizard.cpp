#include "COptionsWizard.h"

#include "COptionsAbout.h"
#include "COptionsAdvanced.h"
#include "COptionsColors.h"
#include "COptionsGeneral.h"
#include "COptionsPage.h"
#include "COptionsTemplates.h"
#include "COptionsToday.h"
#include "KitArrowButton.h"
#include "MessageBox.h"
#include "OptionsLayout.h"
#include "Texts.h"

#include <QGuiApplication>
#include <QInputMethod>

namespace dawnbell {

namespace {

enum TextId {
    kTextError = 113,
    kTextTodayBlocked = 162, // a full-screen today item keeps ours off
};

} // namespace

COptionsWizard::COptionsWizard(OptionsServices services, QWidget* parent)
    : KitWizard({kPortraitLayout, kLandscapeLayout, kSquareLayout, &OptionsLayout}, parent),
      m_services(std::move(services))
{
    setObjectName(QStringLiteral("COptionsWizard"));
    SetGradientShade(kShade);
    m_before = OptionsSettings::Load(m_services.olderPlatform, m_services.namedColors);
    m_work = m_before;
    SetKitColors(m_work.bgColor, m_work.textColor);

    m_pages = {new COptionsGeneral(this), new COptionsColors(this), new COptionsToday(this),
               new COptionsTemplates(this), new COptionsAdvanced(this), new COptionsAbout(this)};
    for (COptionsPage* page : m_pages) {
        page->Create();
        page->hide();
    }
    StartFrame();
    ShowPage(PageGeneral);
}

COptionsWizard::~COptionsWizard() = default;

COptionsPage* COptionsWizard::Page(int index) const
{
    return index >= 0 && index < int(m_pages.size()) ? m_pages[size_t(index)] : nullptr;
}

KitWizardPage* COptionsWizard::FramePage(int index) const
{
    return Page(index);
}

KitWizardPage* COptionsWizard::ShownPage() const
{
    return Page(m_current);
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
    OrderFocusForPage();
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
    KitWizard::accept();
}

} // namespace dawnbell
