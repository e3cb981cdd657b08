#pragma once
// The step-by-step editor of wizard, appointment and command alarms: a title
// line, one page at a time, and the buttons "<", ">", OK and Cancel.
//
// All pages edit one working copy of the caller's alarm, made in the
// constructor. Only OK, when every check passes, copies it back; Cancel, the
// window manager's close and a termination request leave the caller's alarm
// exactly as it was. OK is available on every page. Moving to another page and
// OK first store the current page, and a page may refuse (it then keeps the
// user). The wizard writes the registry only when OK saves a template and for
// the last folders of its file choosers.
//
// Page sets: command alarms (type 3) have four pages (time, description,
// command, save template); every other type has nine (time or, for
// appointments, date and time; description, playlist, snooze, volume,
// automatic stop, colours, interface, save template).
#include "KitWizard.h"
#include "WizardServices.h"

#include <QString>

#include <memory>
#include <vector>

namespace dawnbell {

class Alarm;
class CEditWizardPage;

class CEditWizard : public KitWizard {
    Q_OBJECT
public:
    // Dialog layouts: narrower than tall, wider than tall, square.
    static constexpr int kPortraitLayout = 219;
    static constexpr int kLandscapeLayout = 221;
    static constexpr int kSquareLayout = 222;

    // A wizard for `alarm` (not owned; must outlive the wizard) working on a copy of it.
    CEditWizard(Alarm* alarm, QWidget* parent = nullptr, WizardServices services = {});
    ~CEditWizard() override;

    // --- state ---------------------------------------------------------------
    int PageCount() const { return int(m_pages.size()); }
    // 1-based index of the page shown.
    int CurrentPage() const { return m_current; }
    // Page `index` (1-based); null outside 1..PageCount().
    CEditWizardPage* Page(int index) const;
    CEditWizardPage* CurrentPagePtr() const { return Page(m_current); }
    // The working copy the pages edit.
    const Alarm& WorkingCopy() const { return *m_work; }
    // The title shown: the page's.
    QString TitleText() const override;
    const WizardServices& Services() const { return m_services; }

    // --- what the buttons do ---------------------------------------------------
    // "<" and ">": store the current page, then move (nothing when it refuses or
    // there is no page that way).
    void Back() override;
    void Next() override;

public slots:
    // OK: store the page, check, save a template when asked, copy back.
    void accept() override;
    // Cancel: drops the working copy; the caller's alarm stays as it was.
    void reject() override;

protected:
    KitWizardPage* FramePage(int index) const override;
    KitWizardPage* ShownPage() const override;

private:
    void CreatePages();
    void ShowPage();
    void Move(int delta);
    // The OK steps; false keeps the wizard open.
    bool TryAccept();
    bool SaveTemplate();

    Alarm* m_alarm;                       // the caller's alarm, not owned
    std::unique_ptr<Alarm> m_work;        // the working copy every page edits
    WizardServices m_services;            // what the program around provides
    std::vector<std::unique_ptr<CEditWizardPage>> m_pages; // in page order
    int m_current = 0;                    // 1-based page shown; 0 before the first
    bool m_closing = false;               // OK or Cancel has finished the wizard
};

} // namespace dawnbell
