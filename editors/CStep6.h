#pragma once
// Wizard page "Automatic stop": never, after the alarm has rung for a number of
// minutes, or after the playlist has played a number of times.
#include "CEditWizardPage.h"

class QRadioButton;
class QSpinBox;

namespace dawnbell {

class CStep6 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdMinutes = 1063,       // 1-999
        IdTimes = 1064,         // 1-999
        IdNever = 1093,
        IdAfterMinutes = 1094,
        IdAfterTimes = 1095,
    };
    static constexpr int kLayout = 216;

    CStep6(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    void UpdateVisibility();

    QRadioButton* m_never = nullptr;   // 1093
    QRadioButton* m_minutes = nullptr; // 1094
    QRadioButton* m_times = nullptr;   // 1095
    QSpinBox* m_minutesEdit = nullptr; // 1063
    QSpinBox* m_timesEdit = nullptr;   // 1064
};

} // namespace dawnbell
