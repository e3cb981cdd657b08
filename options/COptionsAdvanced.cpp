#include "COptionsAdvanced.h"

#include "COptionsWizard.h"

#include <QCheckBox>

namespace dawnbell {

namespace {

enum TextId {
    kTextFullPath = 41,
    kTextEndSound = 59,
    kTextFixAlarmBug = 119,
    kTextTitle = 136, // "Advanced"
};

} // namespace

COptionsAdvanced::COptionsAdvanced(COptionsWizard* sheet)
    : COptionsPage(sheet, kLayout, kTextTitle)
{
}

void COptionsAdvanced::CreateControls()
{
    AddCheck(IdFullPath, kTextFullPath);
    AddCheck(IdEndSound, kTextEndSound);
    AddCheck(IdFixAlarmBug, kTextFixAlarmBug)->setVisible(m_sheet->Services().olderPlatform);
}

void COptionsAdvanced::Fill()
{
    Ctl<QCheckBox>(IdFullPath)->setChecked(Work().fullPath != 0);
    Ctl<QCheckBox>(IdEndSound)->setChecked(Work().endSound != 0);
    Ctl<QCheckBox>(IdFixAlarmBug)->setChecked(Work().fixAlarmBug != 0);
}

void COptionsAdvanced::Store()
{
    Work().fullPath = Ctl<QCheckBox>(IdFullPath)->isChecked() ? 1 : 0;
    Work().endSound = Ctl<QCheckBox>(IdEndSound)->isChecked() ? 1 : 0;
    Work().fixAlarmBug = Ctl<QCheckBox>(IdFixAlarmBug)->isChecked() ? 1 : 0;
}

} // namespace dawnbell
