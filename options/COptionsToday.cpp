#include "COptionsToday.h"

#include "COptionsWizard.h"
#include "MessageBox.h"
#include "Texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>

namespace dawnbell {

namespace {

enum TextId {
    kTextWarning = 126,
    kTextRows = 157,
    kTextSmallButtons = 158,
    kTextTitle = 159, // "Today plug-in"
    kTextEnable = 160,
    kTextSimulate = 204,
    kTextSimulateWarning = 205,
};

} // namespace

COptionsToday::COptionsToday(COptionsWizard* sheet)
    : COptionsPage(sheet, kLayout, kTextTitle)
{
}

void COptionsToday::CreateControls()
{
    connect(AddCheck(IdEnable, kTextEnable), &QCheckBox::toggled, this, &COptionsToday::ShowItemControls);
    AddCheck(IdSmallButtons, kTextSmallButtons);
    AddLabel(IdRowsLabel, kTextRows);
    auto* rows = new QSpinBox(this);
    rows->setObjectName(QString::number(IdRows));
    rows->setRange(OptionsSettings::kMinTodayLines, OptionsSettings::kMaxTodayLines);
    rows->setButtonSymbols(QAbstractSpinBox::NoButtons);
    rows->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The warning comes with the user's tick, not with filling the page.
    connect(AddCheck(IdSimulate, kTextSimulate), &QCheckBox::clicked, this, [this](bool on) {
        if (on)
            ShowMessageBox(Text(kTextSimulateWarning), Text(kTextWarning), MsgButtons::Ok, MsgIcon::Warning, m_sheet);
    });
}

void COptionsToday::Fill()
{
    Ctl<QCheckBox>(IdEnable)->setChecked(Work().todayEnabled);
    Ctl<QCheckBox>(IdSmallButtons)->setChecked(Work().todayCompact != 0);
    Ctl<QSpinBox>(IdRows)->setValue(Work().todayLines);
    Ctl<QCheckBox>(IdSimulate)->setChecked(Work().simulateSystemAlarm != 0);
    ShowItemControls();
}

void COptionsToday::ShowItemControls()
{
    const bool on = Ctl<QCheckBox>(IdEnable)->isChecked();
    Ctl<QCheckBox>(IdSmallButtons)->setVisible(on);
    Ctl<QSpinBox>(IdRows)->setVisible(on);
    Ctl<QLabel>(IdRowsLabel)->setEnabled(on); // a disabled label is not drawn
    update();
}

void COptionsToday::Store()
{
    Work().todayEnabled = Ctl<QCheckBox>(IdEnable)->isChecked();
    Work().todayCompact = Ctl<QCheckBox>(IdSmallButtons)->isChecked() ? 1 : 0;
    auto* rows = Ctl<QSpinBox>(IdRows);
    rows->interpretText(); // a number still being typed counts
    Work().todayLines = rows->value();
    Work().simulateSystemAlarm = Ctl<QCheckBox>(IdSimulate)->isChecked() ? 1 : 0;
}

} // namespace dawnbell
