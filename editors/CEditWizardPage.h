#pragma once
// One page of the wizard: a small form built from its own dialog layout that
// edits part of the wizard's working copy of an alarm.
//
// The page contract (in this slot order):
//  * StoreToAlarm checks the page's input and writes it into the working copy;
//    false keeps the user on the page (the page has shown its own message).
//  * CreatePage makes the page a child of the wizard at a rectangle, creates its
//    controls (object names are the control ids), sets every caption through
//    the language lookup and fills every control from the working copy.
//  * GetPageTitle names the page for the wizard's title line.
//
// The page's layout, placement, shortening under the on-screen keyboard and
// painting are the kit page's.
#include "KitWizardPage.h"

namespace dawnbell {

class Alarm;
struct WizardServices;

class CEditWizardPage : public KitWizardPage {
    Q_OBJECT
public:
    // A page editing `work` (the wizard's working copy, not owned) whose form is
    // layout `layoutId` and whose title is text `titleText`. `services` (not
    // owned) outlives the page.
    CEditWizardPage(Alarm* work, const WizardServices* services, int layoutId, int titleText);
    ~CEditWizardPage() override;

    virtual bool StoreToAlarm() = 0;
    virtual void CreatePage(QWidget* parent, const QRect& rect);
    virtual QString GetPageTitle() const;

protected:
    // Fills every control from the working copy.
    virtual void FillFromAlarm() = 0;
    // Sets every caption through the language lookup.
    virtual void ApplyCaptions() {}

    Alarm* m_work;                      // the wizard's working copy, not owned
    const WizardServices* m_services;   // the wizard's services, not owned
};

// The page layouts, wizard layouts and their controls, from the editors' resource.
DialogLayout WizardLayout(int layoutId);

} // namespace dawnbell
