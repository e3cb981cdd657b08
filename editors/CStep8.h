#pragma once
// Wizard page "Interface": the size of the ringing window's close button and
// whether ending the alarm asks first and sound controls are shown.
#include "CEditWizardPage.h"

class QCheckBox;
class QRadioButton;

namespace dawnbell {

class CStep8 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdSmall = 1103,
        IdMedium = 1104,
        IdBig = 1105,
        IdSoundControls = 1106,
        IdSizeLabel = 1107,   // "Close button size:"
        IdConfirmClose = 1108,
    };
    static constexpr int kLayout = 218;

    CStep8(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    QRadioButton* m_sizes[3] = {};     // Small, Medium, Big: layoutStyle 0, 1, 2
    QCheckBox* m_confirm = nullptr;    // 1108
    QCheckBox* m_controls = nullptr;   // 1106
};

} // namespace dawnbell
