#pragma once
// The frame of a paged dialog (the alarm wizard, the options sheet): a title
// line naming the page shown, one page at a time below it, and the buttons
// "<", ">", OK and Cancel.
//
// The frame lays itself out for its own size from one of three layouts (one
// per orientation), places every page in the page area, centres the design on
// screens larger than it was made for, and shortens the page shown while the
// on-screen keyboard would cover its focused field. What the buttons do and
// which pages there are is the subclass's business.
#include "KitDialog.h"

#include <QFont>

class QPushButton;

namespace dawnbell {

class KitArrowButton;
class KitWizardPage;

class KitWizard : public KitDialog {
    Q_OBJECT
public:
    // Control ids of the frame, kept as the controls' object names.
    enum ControlId : int {
        IdOk = 1,
        IdCancel = 2,
        IdTitle = 1025, // hidden holder of the title line's place
        IdBack = 1086,  // "<"
        IdNext = 1087,  // ">"
    };
    // Top of the page area at 96 dpi in the portrait, landscape and square layouts.
    static constexpr int kPageTopPortrait = 67;
    static constexpr int kPageTopLandscape = 41;
    static constexpr int kPageTopSquare = 28;
    // The page may only be shortened when the input panel leaves this much of it (96 dpi).
    static constexpr int kMinShortenedPage = 20;

    // A frame laid out from `layouts`; a desktop window is as large as the portrait one.
    explicit KitWizard(const LayoutSet& layouts, QWidget* parent = nullptr);
    ~KitWizard() override;

    // The title shown (the page's) and its fitted font.
    virtual QString TitleText() const = 0;
    QFont TitleFont() const { return m_titleFont; }

    // "<" and ">".
    virtual void Back() = 0;
    virtual void Next() = 0;

    // The on-screen keyboard appeared (shown) or went away; `panel` is its
    // rectangle in this window's coordinates. Shortens the page shown so the
    // focused edit stays in view, or gives it its full height back.
    void InputPanelChanged(bool shown, const QRect& panel);

protected:
    // Page `index` (0-based, in page order); null outside the pages.
    virtual KitWizardPage* FramePage(int index) const = 0;
    // The page shown; null before the first.
    virtual KitWizardPage* ShownPage() const = 0;

    // Once the pages exist: sizes and places the window, lays it out and
    // follows the input panel from then on.
    void StartFrame();
    // Fits the title line to TitleText() and repaints.
    void RefreshTitle();
    // Call when a page is shown: when nothing shown has the focus (the window
    // opening) the page's first control gets it, so Tab reads on from there
    // through the page to "<", ">", OK and Cancel.
    void OrderFocusForPage();

    void PaintLabels(QPainter& painter) override;

    QLabel* m_title = nullptr;        // 1025, hidden: the frame paints the title
    KitArrowButton* m_back = nullptr; // 1086 "<"
    KitArrowButton* m_next = nullptr; // 1087 ">"
    QPushButton* m_ok = nullptr;      // 1
    QPushButton* m_cancel = nullptr;  // 2

private:
    void LayOutFor(const QSize& size) override;
    void QueryInputPanel();

    LayoutSet m_layouts;  // the frame's three layouts
    QFont m_titleFont;    // fitted to the title line
};

} // namespace dawnbell
