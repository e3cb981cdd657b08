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
#include "KitWizard.h"
#include "OptionsServices.h"
#include "OptionsSettings.h"

#include <vector>

namespace dawnbell {

class COptionsPage;

class COptionsWizard : public KitWizard {
    Q_OBJECT
public:
    // Pages, in order (0-based indexes).
    enum PageIndex : int { PageGeneral, PageColors, PageToday, PageTemplates, PageAdvanced, PageAbout, kPageCount };
    // Frame layouts: narrower than tall, wider than tall, square.
    static constexpr int kPortraitLayout = 300;
    static constexpr int kLandscapeLayout = 301;
    static constexpr int kSquareLayout = 302;
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
    QString TitleText() const override;

    // --- what the controls do ---------------------------------------------
    // "<" and ">": the previous or next page (nothing at either end).
    void Back() override;
    void Next() override;
    // Shows page `index` (0-based).
    void ShowPage(int index);
    // Gives the sheet the working copy's colours at once (the colour preview).
    void RecolorFromWork();

public slots:
    // OK: every page stores, then the working copy is written and applied.
    void accept() override;

protected:
    KitWizardPage* FramePage(int index) const override;
    KitWizardPage* ShownPage() const override;

private:

    OptionsServices m_services;       // what the program around provides
    OptionsSettings m_work;           // the working copy every page edits
    OptionsSettings m_before;         // the settings as read
    std::vector<COptionsPage*> m_pages; // in page order; children of this window
    int m_current = -1;               // page shown; -1 before the first
};

} // namespace dawnbell
