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
#include "KitDialog.h"
#include "WizardServices.h"

#include <QFont>
#include <QString>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;

namespace dawnbell {

class Alarm;
class CEditWizardPage;
class KitArrowButton;

class CEditWizard : public KitDialog {
    Q_OBJECT
public:
    // Control ids, kept as the controls' object names.
    enum ControlId : int {
        IdOk = 1,
        IdCancel = 2,
        IdTitle = 1025, // hidden holder of the title line's place
        IdBack = 1086,  // "<"
        IdNext = 1087,  // ">"
    };
    // Dialog layouts: narrower than tall, wider than tall, square.
    static constexpr int kPortraitLayout = 219;
    static constexpr int kLandscapeLayout = 221;
    static constexpr int kSquareLayout = 222;
    // Top of the page area at 96 dpi in each of them.
    static constexpr int kPageTopPortrait = 67;
    static constexpr int kPageTopLandscape = 41;
    static constexpr int kPageTopSquare = 28;
    // The page may only be shortened when the input panel leaves this much of it (96 dpi).
    static constexpr int kMinShortenedPage = 20;

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
    // The title shown and its fitted font.
    QString TitleText() const;
    QFont TitleFont() const { return m_titleFont; }
    // Dialog layout in use (219, 221, 222); 0 before the first layout.
    int LayoutId() const { return m_layoutId; }
    const WizardServices& Services() const { return m_services; }

    // --- what the buttons do ---------------------------------------------------
    // "<" and ">": store the current page, then move (nothing when it refuses or
    // there is no page that way).
    void Back();
    void Next();
    // The on-screen keyboard appeared (shown) or went away; `panel` is its
    // rectangle in this window's coordinates. Shortens the current page so the
    // focused edit stays in view, or gives it its full height back.
    void InputPanelChanged(bool shown, const QRect& panel);

public slots:
    // OK: store the page, check, save a template when asked, copy back.
    void accept() override;
    // Cancel: drops the working copy; the caller's alarm stays as it was.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void PaintLabels(QPainter& painter) override;

private:
    void CreateControls();
    void CreatePages();
    void ShowPage();
    void Move(int delta);
    // The OK steps; false keeps the wizard open.
    bool TryAccept();
    bool SaveTemplate();
    void DoLayout(const QSize& size);
    void RefreshTitle();
    // The title area: the title label's rectangle shrunk by (density + 24) * 2 / 96.
    QRect TitleArea() const;
    void QueryInputPanel();

    Alarm* m_alarm;                       // the caller's alarm, not owned
    std::unique_ptr<Alarm> m_work;        // the working copy every page edits
    WizardServices m_services;            // what the program around provides
    std::vector<std::unique_ptr<CEditWizardPage>> m_pages; // in page order
    int m_current = 0;                    // 1-based page shown; 0 before the first
    QSize m_lastLayoutSize{-1, -1};       // size of the last layout pass
    int m_layoutId = 0;                   // dialog layout applied last
    int m_dpiX = 96;                      // densities of the last layout
    int m_dpiY = 96;
    QFont m_titleFont;                    // fitted to the title area
    bool m_closing = false;               // OK or Cancel has finished the wizard

    QLabel* m_title = nullptr;            // 1025
    KitArrowButton* m_back = nullptr;     // 1086 "<"
    KitArrowButton* m_next = nullptr;     // 1087 ">"
    QPushButton* m_ok = nullptr;          // 1
    QPushButton* m_cancel = nullptr;      // 2
};

} // namespace dawnbell
