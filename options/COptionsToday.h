#pragma once
// Options page "Today plug-in": whether Dawnbell's item shows on the today
// screen, with small buttons and 1-15 rows, and whether the next alarm is kept
// as the platform clock's dummy alarm (with a warning when it is switched on).
#include "COptionsPage.h"

namespace dawnbell {

class COptionsToday : public COptionsPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdSmallButtons = 1030,
        IdEnable = 1031,
        IdSimulate = 1032,
        IdRowsLabel = 1134,
        IdRows = 1135,
    };
    static constexpr int kLayout = 312;

    explicit COptionsToday(COptionsWizard* sheet);

    void Store() override;

protected:
    void CreateControls() override;
    void Fill() override;

private:
    // Shows the item's own controls only while the item is enabled.
    void ShowItemControls();
};

} // namespace dawnbell
