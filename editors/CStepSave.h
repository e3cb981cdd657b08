#pragma once
// Wizard page "Save template": an editable list of the template names, arrows
// to walk it, and a preview of the alarm being made (or of the template
// chosen). The name typed or chosen is the one the wizard's OK saves the alarm
// under as a template; "(New)" or an empty name saves none.
#include "CEditWizardPage.h"

class QComboBox;

namespace dawnbell {

class CTemplatePreviewStatic;
class KitArrowButton;

class CStepSave : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdUp = 1017,
        IdDown = 1018,
        IdName = 1113,    // editable list of the template names
        IdPreview = 1114, // CTemplatePreviewStatic
    };
    static constexpr int kLayout = 224;

    CStepSave(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

    CTemplatePreviewStatic* Preview() const { return m_preview; }

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;
    // The working copy may have changed on other pages: show it afresh.
    void showEvent(QShowEvent* event) override;

private:
    // Buttons and preview after the selection changed.
    void Update();
    void Up();
    void Down();
    // Puts "(New)" into the edit field, fully selected, with the focus.
    void ResetToNew();

    QComboBox* m_name = nullptr;            // 1113
    KitArrowButton* m_up = nullptr;         // 1017
    KitArrowButton* m_down = nullptr;       // 1018
    CTemplatePreviewStatic* m_preview = nullptr; // 1114
};

} // namespace dawnbell
