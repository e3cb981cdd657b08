#pragma once
// Wizard page "Command" of a command alarm: the program or document to open at
// the alarm time and, for a program, its parameters. Stored as "target" or
// "target::parameters" (CommandAlarm.h decides what is a program).
#include "CEditWizardPage.h"

class QLabel;
class QLineEdit;

namespace dawnbell {

class CStepCommand : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdTarget = 1063,
        IdParameters = 1064,
        IdBrowse = 1082,
        IdParametersLabel = 1118, // "Parameter:"
        IdTargetLabel = 1119,     // "Application or file to open:"
    };
    static constexpr int kLayout = 225;
    CStepCommand(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    // Shows the parameter edit (and its label) only for a program.
    void TargetChanged();
    void Browse();

    QLineEdit* m_target = nullptr;     // 1063
    QLineEdit* m_parameters = nullptr; // 1064
};

} // namespace dawnbell
