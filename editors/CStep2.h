#pragma once
// Wizard page "Description": the alarm's title and message in two multi-line
// edits (Enter starts a new line), each at most 1000 characters.
#include "CEditWizardPage.h"

class QPlainTextEdit;

namespace dawnbell {

class CStep2 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdTitle = 1005,
        IdMessage = 1006,
        IdTitleLabel = 1025,   // "Title:"
        IdMessageLabel = 1026, // "Message:"
    };
    static constexpr int kLayout = 212;
    static constexpr int kMaxTextLength = 1000; // characters per edit

    CStep2(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

    // Stored texts end lines with CR-LF; the edits with LF.
    static QString ToEditText(const QString& stored);
    static QString ToStoredText(const QString& edited);

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    QPlainTextEdit* m_title = nullptr;   // 1005
    QPlainTextEdit* m_message = nullptr; // 1006
};

} // namespace dawnbell
