#include "CEditWizardPage.h"

#include "DialogLayout.h"

// The layout data is compiled into this static library; the initialiser must be
// called explicitly or the linker drops it.
static void InitWizardResources()
{
    Q_INIT_RESOURCE(CEditWizard);
}

namespace dawnbell {

namespace {

const char kLayoutResource[] = ":/editors/CEditWizard.json";

} // namespace

DialogLayout WizardLayout(int layoutId)
{
    static const bool initialised = (InitWizardResources(), true);
    Q_UNUSED(initialised);
    return DialogLayout::LoadFrom(QString::fromLatin1(kLayoutResource), layoutId);
}

CEditWizardPage::CEditWizardPage(Alarm* work, const WizardServices* services, int layoutId, int titleText)
    : KitWizardPage(&WizardLayout, layoutId, titleText), m_work(work), m_services(services)
{
}

CEditWizardPage::~CEditWizardPage() = default;

void CEditWizardPage::CreatePage(QWidget* parent, const QRect& rect)
{
    setParent(parent);
    CreateControls();
    ApplyCaptions();
    FillFromAlarm();
    Place(rect, 96, 96);
}

QString CEditWizardPage::GetPageTitle() const
{
    return Title();
}

} // namespace dawnbell
