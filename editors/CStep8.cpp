#include "CStep8.h"

#include "Alarm.h"
#include "Texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

namespace dawnbell {

namespace {

enum TextId {
    kTextTitle = 67,      // "Interface"
    kTextSize = 105,      // "Close button size:"
    kTextSmall = 106,
    kTextMedium = 107,
    kTextBig = 108,
    kTextConfirm = 109,   // "Confirm alarm closing"
    kTextControls = 110,  // "Show sound controls"
};

} // namespace

CStep8::CStep8(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStep8::CreateControls()
{
    AddLabel(IdSizeLabel);
    m_sizes[0] = AddOption(IdSmall);
    m_sizes[1] = AddOption(IdMedium);
    m_sizes[2] = AddOption(IdBig);
    m_confirm = AddCheck(IdConfirmClose);
    m_controls = AddCheck(IdSoundControls);
}

void CStep8::ApplyCaptions()
{
    Ctl<QLabel>(IdSizeLabel)->setText(Text(kTextSize));
    m_sizes[0]->setText(Text(kTextSmall));
    m_sizes[1]->setText(Text(kTextMedium));
    m_sizes[2]->setText(Text(kTextBig));
    m_confirm->setText(Text(kTextConfirm));
    m_controls->setText(Text(kTextControls));
}

void CStep8::FillFromAlarm()
{
    const int style = m_work->layoutStyle;
    m_sizes[style == 0 ? 0 : style == 1 ? 1 : 2]->setChecked(true);
    m_confirm->setChecked(m_work->confirmClose != 0);
    m_controls->setChecked(m_work->showSoundControls != 0);
}

bool CStep8::StoreToAlarm()
{
    m_work->layoutStyle = m_sizes[0]->isChecked() ? 0 : m_sizes[1]->isChecked() ? 1 : 2;
    m_work->confirmClose = m_confirm->isChecked() ? 1 : 0;
    m_work->showSoundControls = m_controls->isChecked() ? 1 : 0;
    return true;
}

} // namespace dawnbell
