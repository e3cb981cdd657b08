#pragma once
// Wizard page "Time": the time of day (with a hidden date, so the adjust
// buttons may roll the day over), "Now", fourteen adjust buttons and the seven
// repeat days. Used by wizard and command alarms.
#include "CEditWizardPage.h"

#include <cstdint>

class QCheckBox;
class QTimeEdit;

namespace dawnbell {

class CStep1 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdTime = 1007,  // time picker
        IdLabel = 1021, // "Start alarm at:"
        IdNow = 1052,   // "Now"
    };
    static constexpr int kLayout = 211;
    // Day check boxes, Monday (bit 0 of repeatDays) first.
    static constexpr int kDayIds[7] = {1030, 1032, 1037, 1038, 1039, 1040, 1042};

    // An adjust button: its id, fixed text and change in seconds.
    struct Adjust {
        int id;
        const char* text;
        int seconds;
    };
    // The fourteen adjust buttons, the seven "+" ones first.
    static const Adjust kAdjusts[14];

    CStep1(Alarm* work, const WizardServices* services);

    bool StoreToAlarm() override;

    // The picker's full value: its hidden date at the time shown.
    int64_t PickedMoment() const;

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    void SetPicked(int64_t moment);

    QTimeEdit* m_time = nullptr; // 1007; shows the time of m_date's day
    int64_t m_date = 0;          // a moment on the picker's (hidden) date
    QCheckBox* m_days[7] = {};   // Monday ... Sunday
};

} // namespace dawnbell
