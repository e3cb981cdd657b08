#include "COptionsPage.h"

#include "COptionsWizard.h"
#include "OptionsLayout.h"

namespace dawnbell {

COptionsPage::COptionsPage(COptionsWizard* sheet, int layoutId, int titleText)
    : KitWizardPage(&OptionsLayout, layoutId, titleText, sheet), m_sheet(sheet)
{
}

void COptionsPage::Create()
{
    CreateControls();
    Fill();
}

OptionsSettings& COptionsPage::Work() const
{
    return m_sheet->Work();
}

} // namespace dawnbell
