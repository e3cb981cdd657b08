#include "CStep6.h"

#include "Alarm.h"
#include "Texts.h"

#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>

namespace dawnbell {

namespace {

enum TextId {
    kTextTitle = 65,        // "Automatic stop"
    kTextAfterMinutes = 83, // "After played for x minutes:"
    kTextAfterTimes = 84,   // "After playlist played x times:"
    kTextNever = 85,
};

constexpr int kMax = 999;

} // namespace

CStep6::CStep6(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStep6::CreateControls()
{
    m_never = AddOption(IdNever);
    m_minutes = AddOption(IdAfterMinutes);
    m_minutesEdit = AddNumberEdit(IdMinutes, 1, kMax);
    m_times = AddOption(IdAfterTimes);
    m_timesEdit = AddNumberEdit(IdTimes, 1, kMax);
    setTabOrder(m_never, m_minutes);
    setTabOrder(m_minutes, m_minutesEdit);
    setTabOrder(m_minutesEdit, m_times);
    setTabOrder(m_times, m_timesEdit);
    for (QRadioButton* option : {m_never, m_minutes, m_times})
        connect(option, &QRadioButton::toggled, this, [this] { UpdateVisibility(); });
}

void CStep6::ApplyCaptions()
{
    m_never->setText(Text(kTextNever));
    m_minutes->setText(Text(kTextAfterMinutes));
    m_times->setText(Text(kTextAfterTimes));
}

void CStep6::FillFromAlarm()
{
    const Alarm& a = *m_work;
    m_minutesEdit->setValue(1);
    m_timesEdit->setValue(1);
    if (a.closeAfterMinutes != 0) {
        m_minutes->setChecked(true);
        m_minutesEdit->setValue(std::clamp(a.closeAfterMinutes, 1, kMax));
    } else if (a.closeAfterTimes != 0) {
        m_times->setChecked(true);
        m_timesEdit->setValue(std::clamp(a.closeAfterTimes, 1, kMax));
    } else {
        m_never->setChecked(true);
    }
    UpdateVisibility();
}

void CStep6::UpdateVisibility()
{
    m_minutesEdit->setVisible(m_minutes->isChecked());
    m_timesEdit->setVisible(m_times->isChecked());
}

bool CStep6::StoreToAlarm()
{
    Alarm& a = *m_work;
    a.closeAfterMinutes = m_minutes->isChecked() ? m_minutesEdit->value() : 0;
    a.closeAfterTimes = m_times->isChecked() ? m_timesEdit->value() : 0;
    return true;
}

} // namespace dawnbell
