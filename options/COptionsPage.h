#pragma once
// One page of the options sheet: a small form built from its own dialog layout
// (design size 240 x 138 at 96 dpi) that shows and edits part of the sheet's
// working copy of the settings.
//
// A page fills its controls from the working copy when it is made and writes
// them back in Store (called for every page when the user presses OK); pages
// whose changes show at once (the colours) write the working copy as the user
// acts. The page paints its own background, the slice of the sheet's vertical
// gradient behind it, and the texts of its hidden labels (a disabled label is
// not drawn).
#include <QRect>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace dawnbell {

class COptionsWizard;
struct OptionsSettings;

class COptionsPage : public QWidget {
    Q_OBJECT
public:
    // Size of every page at 96 dpi.
    static constexpr int kDesignWidth = 240;
    static constexpr int kDesignHeight = 138;

    // A page of `sheet` (its parent) showing layout `layoutId` under the title text `titleText`.
    COptionsPage(COptionsWizard* sheet, int layoutId, int titleText);

    // Creates the controls, sets their captions and fills them from the working copy.
    void Create();
    // Writes the controls into the working copy (OK).
    virtual void Store() {}
    // The page's title: text `titleText` in the current language.
    QString Title() const;
    int LayoutId() const { return m_layoutId; }

    // Moves the page to `rect` and places its controls at dpiX x dpiY; a
    // shortened page gets its full height back.
    void Place(const QRect& rect, int dpiX, int dpiY);
    // Shortens the page to `height` pixels with content row `top` as its first row.
    void Shorten(int height, int top);
    void Unshorten();
    bool IsShortened() const { return m_shortened; }
    // Pixels the content is scrolled up by.
    int ScrollOffset() const { return m_scroll; }
    int FullHeight() const { return m_fullRect.height(); }

    // The control `id` of the page; null when there is none.
    QWidget* Control(int id) const;
    template <typename T>
    T* Ctl(int id) const
    {
        return qobject_cast<T*>(Control(id));
    }

protected:
    virtual void CreateControls() = 0;
    virtual void Fill() = 0;
    // After the controls were placed.
    virtual void Placed() {}

    void paintEvent(QPaintEvent* event) override;

    // Controls named after their id, with the caption text `textId` (0: none).
    QLabel* AddLabel(int id, int textId = 0);
    QCheckBox* AddCheck(int id, int textId = 0);
    QPushButton* AddButton(int id, int textId = 0);
    QComboBox* AddCombo(int id);

    OptionsSettings& Work() const;
    COptionsWizard* m_sheet; // the sheet, parent of the page

private:
    void PlaceControls();

    int m_layoutId;          // the page's dialog layout
    int m_titleText;         // text number of the title
    QRect m_fullRect;        // geometry without shortening
    int m_dpiX = 96;         // densities the controls are placed with
    int m_dpiY = 96;
    bool m_shortened = false; // the input panel covers the page's lower part
    int m_scroll = 0;        // content scrolled up by, pixels
};

} // namespace dawnbell
