#pragma once
// The options sheet: the program's global settings in six pages (General,
// Colors, Today plug-in, Templates, Advanced, About) shown one at a time under
// a title line, with "<" and ">" to move between them (no wrap-around) and OK
// and Cancel.
//
// The pages edit one working copy (OptionsSettings) read when the sheet
// opens; only OK writes it, in the order OptionsSettings::Write gives, and
// then hands the new language, colours and named colours to the application
// (OptionsServices). Cancel and the window manager's close discard the copy,
// colour previews included. The Templates page's import, export and picture
// choices act at once, as their own dialogues say.
#include "KitDialog.h"
#include "OptionsServices.h"
#include "OptionsSettings.h"

#include <QFont>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;

namespace dawnbell {

class COptionsPage;
class KitArrowButton;

class COptionsWizard : public KitDialog {
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
    // Pages, in order (0-based indexes).
    enum PageIndex : int { PageGeneral, PageColors, PageToday, PageTemplates, PageAdvanced, PageAbout, kPageCount };
    // Frame layouts: narrower than tall, wider than tall, square.
    static constexpr int kPortraitLayout = 300;
    static constexpr int kLandscapeLayout = 301;
    static constexpr int kSquareLayout = 302;
    // Top of the page area at 96 dpi in each of them.
    static constexpr int kPageTopPortrait = 67;
    static constexpr int kPageTopLandscape = 41;
    static constexpr int kPageTopSquare = 28;
    // The page may be shortened for the input panel only when this much of it stays (96 dpi).
    static constexpr int kMinShortenedPage = 20;
    // Shade n of the background gradient (as the main window's).
    static constexpr int kShade = 80;

    explicit COptionsWizard(OptionsServices services, QWidget* parent = nullptr);
    ~COptionsWizard() override;

    // --- state ------------------------------------------------------------
    OptionsSettings& Work() { return m_work; }
    const OptionsSettings& Before() const { return m_before; }
    const OptionsServices& Services() const { return m_services; }
    int CurrentPage() const { return m_current; }
    COptionsPage* Page(int index) const;
    QString TitleText() const;
    QFont TitleFont() const { return m_titleFont; }
    int LayoutId() const { return m_layoutId; }

    // --- what the controls do ---------------------------------------------
    // "<" and ">": the previous or next page (nothing at either end).
    void Back();
    void Next();
    // Shows page `index` (0-based).
    void ShowPage(int index);
    // Gives the sheet the working copy's colours at once (the colour preview).
    void RecolorFromWork();
    // The on-screen keyboard appeared (shown) or went away; `panel` is its
    // rectangle in this window's coordinates.
    void InputPanelChanged(bool shown, const QRect& panel);

public slots:
    // OK: every page stores, then the working copy is written and applied.
    void accept() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void PaintLabels(QPainter& painter) override;

private:
    void CreateControls();
    void DoLayout(const QSize& size);
    void RefreshTitle();
    // The title area: the title label's rectangle shrunk by (density + 24) * 2 / 96.
    QRect TitleArea() const;
    void QueryInputPanel();

    OptionsServices m_services;       // what the program around provides
    OptionsSettings m_work;           // the working copy every page edits
    OptionsSettings m_before;         // the settings as read
    std::vector<COptionsPage*> m_pages; // in page order; children of this window
    int m_current = -1;               // page shown; -1 before the first
    QSize m_lastLayoutSize{-1, -1};   // size of the last layout pass
    int m_layoutId = 0;               // frame layout applied last
    int m_dpiX = 96;                  // densities of the last layout
    int m_dpiY = 96;
    QFont m_titleFont;                // fitted to the title area

    QLabel* m_title = nullptr;        // 1025
    KitArrowButton* m_back = nullptr; // 1086 "<"
    KitArrowButton* m_next = nullptr; // 1087 ">"
    QPushButton* m_ok = nullptr;      // 1
    QPushButton* m_cancel = nullptr;  // 2
};

} // namespace dawnbell
