#pragma once
// One page of the options sheet: a kit page (its own dialog layout, design
// size 240 x 138 at 96 dpi) that shows and edits part of the sheet's working
// copy of the settings.
//
// A page fills its controls from the working copy when it is made and writes
// them back in Store (called for every page when the user presses OK); pages
// whose changes show at once (the colours) write the working copy as the user
// acts.
#include "KitWizardPage.h"

namespace dawnbell {

class COptionsWizard;
struct OptionsSettings;

class COptionsPage : public KitWizardPage {
    Q_OBJECT
public:
    // A page of `sheet` (its parent) showing layout `layoutId` under the title text `titleText`.
    COptionsPage(COptionsWizard* sheet, int layoutId, int titleText);

    // Creates the controls, sets their captions and fills them from the working copy.
    void Create();
    // Writes the controls into the working copy (OK).
    virtual void Store() {}

protected:
    virtual void Fill() = 0;

    OptionsSettings& Work() const;
    COptionsWizard* m_sheet; // the sheet, parent of the page
};

} // namespace dawnbell
