#pragma once
// Options page "Advanced": full paths in file lists, a sound after an alarm
// ends, and, on platforms older than 5.2 build 21000 only, the alarm-bug fix.
#include "COptionsPage.h"

namespace dawnbell {

class COptionsAdvanced : public COptionsPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdFullPath = 1030,
        IdEndSound = 1031,
        IdFixAlarmBug = 1032,
    };
    static constexpr int kLayout = 314;

    explicit COptionsAdvanced(COptionsWizard* sheet);

    void Store() override;

protected:
    void CreateControls() override;
    void Fill() override;
};

} // namespace dawnbell
