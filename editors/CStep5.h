#pragma once
// Wizard page "Volume": a forced device volume, vibration (continuous or in
// intervals), and the fade-in: its curve, drawn with the pen or taken from
// three presets, and its length. The device volume is not changed here.
#include "CEditWizardPage.h"

class QCheckBox;
class QLabel;
class QSlider;

namespace dawnbell {

class CFadeButtons;
class CFadeControl;

class CStep5 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdVibrate = 1011,
        IdInterval = 1012,
        IdForceVolume = 1019,
        IdFadeIn = 1020,
        IdVolume = 1037,       // slider 0-100
        IdDuration = 1038,     // slider 5-99 seconds
        IdCurve = 1089,        // CFadeControl
        IdZeroLabel = 1090,    // "0s"
        IdDurationLabel = 1091, // "%ds"
        IdPreset0 = 1092,      // CFadeButtons types 0, 1, 2
        IdPreset1 = 1093,
        IdPreset2 = 1094,
    };
    static constexpr int kLayout = 215;
    static constexpr int kMinDuration = 5;  // seconds
    static constexpr int kMaxDuration = 99; // seconds

    CStep5(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    void UpdateVisibility();
    void ShowDuration(int seconds);

    QCheckBox* m_forceVolume = nullptr; // 1019
    QCheckBox* m_fadeIn = nullptr;      // 1020
    QCheckBox* m_vibrate = nullptr;     // 1011
    QCheckBox* m_interval = nullptr;    // 1012
    QSlider* m_volume = nullptr;        // 1037
    QSlider* m_duration = nullptr;      // 1038
    CFadeControl* m_curve = nullptr;    // 1089
    CFadeButtons* m_presets[3] = {};    // 1092-1094
};

} // namespace dawnbell
