#pragma once
// Wizard page "Snooze": whether snooze is offered and its length, whether a
// quiz must be solved after a number of snoozes, its starting level and its
// kinds (math, memory, repeat).
#include "CEditWizardPage.h"

class QCheckBox;
class QLabel;
class QSpinBox;

namespace dawnbell {

class CStep4 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdSnooze = 1010,       // minutes, 1-999
        IdSnoozeLabel = 1023,  // "Snooze (min.):"
        IdUseSnooze = 1030,
        IdUseQuiz = 1031,
        IdQuiz = 1045,         // snoozes before the quiz, 1-99
        IdLevel = 1047,        // starting level, 1-99
        IdQuizLabel = 1049,    // "Start quiz after no. of snoozes:"
        IdLevelLabel = 1050,   // "Starting level:"
        IdMath = 1073,
        IdMemory = 1075,
        IdRepeat = 1076,
    };
    static constexpr int kLayout = 214;

    CStep4(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    void UpdateVisibility();

    QCheckBox* m_useSnooze = nullptr; // 1030
    QCheckBox* m_useQuiz = nullptr;   // 1031
    QSpinBox* m_snooze = nullptr;     // 1010
    QSpinBox* m_quiz = nullptr;       // 1045
    QSpinBox* m_level = nullptr;      // 1047
    QCheckBox* m_types[3] = {};       // Math, Memory, Repeat: bits 0, 1, 2 of quizTypes
};

} // namespace dawnbell
