#pragma once
// One page of a paged dialog (the alarm wizard, the options sheet): a small
// form built from its own dialog layout, shown under the dialog's title line.
//
// Controls are placed edge by edge from the page's layout (design size
// 240 x 138 at 96 dpi) with the densities the dialog lays out with. While the
// on-screen keyboard covers the lower part the page can be shortened and
// scrolled so the focused field stays in view (Shorten / Unshorten).
//
// A page paints its own background: the slice of its dialog's vertical
// gradient that lies behind it, so the gradient runs on unbroken, and then the
// texts of its hidden labels (a disabled label is not drawn, so a label that
// depends on a check box shows only while the box is checked).
#include "DialogLayout.h"

#include <QRect>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace dawnbell {

class KitArrowButton;

class KitWizardPage : public QWidget {
    Q_OBJECT
public:
    // Loads one of the dialog's layouts from its resource.
    using LayoutSource = DialogLayout (*)(int layoutId);

    // Size of every page at 96 dpi.
    static constexpr int kDesignWidth = 240;
    static constexpr int kDesignHeight = 138;

    // A page whose form is layout `layoutId` of `source` and whose title is
    // text `titleText`; a child of `parent` when one is given.
    KitWizardPage(LayoutSource source, int layoutId, int titleText, QWidget* parent = nullptr);
    ~KitWizardPage() override;

    // The page's title: text `titleText` in the current language.
    QString Title() const;
    int LayoutId() const { return m_layoutId; }

    // Moves the page to `rect` (its full, unshortened size) and places its
    // controls at dpiX x dpiY; an input-panel shrink is undone. Hidden labels
    // then get the largest font (9 pt down to 7 pt) their text fits.
    void Place(const QRect& rect, int dpiX, int dpiY);
    // Shortens the page to `height` pixels and scrolls its content up so that
    // content row `top` (pixels, 0 = the page's own top) is its first row.
    void Shorten(int height, int top);
    // Gives the page its full height back and scrolls to the top.
    void Unshorten();
    bool IsShortened() const { return m_shortened; }
    // Pixels the content is scrolled up by.
    int ScrollOffset() const { return m_scroll; }
    // Height the page has when it is not shortened.
    int FullHeight() const { return m_fullRect.height(); }

    // The control `id` of the page; null when it has none.
    QWidget* Control(int id) const;
    template <typename T>
    T* Ctl(int id) const
    {
        return qobject_cast<T*>(Control(id));
    }

protected:
    // Creates the page's controls (hidden labels, buttons, run-time controls).
    virtual void CreateControls() = 0;
    // After the controls were placed (layout or rotation).
    virtual void Placed() {}

    void paintEvent(QPaintEvent* event) override;

    // Controls named after their id, with the caption text `textId` (0: none).
    QLabel* AddLabel(int id, int textId = 0);
    QCheckBox* AddCheck(int id, int textId = 0);
    QRadioButton* AddOption(int id, int textId = 0);
    QPushButton* AddButton(int id, int textId = 0);
    QComboBox* AddCombo(int id);
    KitArrowButton* AddArrow(int id, Qt::ArrowType arrow);
    // A number edit (digits only) accepting `min` to `max`.
    QSpinBox* AddNumberEdit(int id, int min, int max);

private:
    void PlaceControls();
    // Gives every hidden label the largest font (9 pt down to 7 pt) its text fits.
    void FitLabelFonts();

    LayoutSource m_source;   // where the page's layout comes from
    int m_layoutId;          // the page's dialog layout
    int m_titleText;         // text number of the title
    QRect m_fullRect;        // geometry without shrink, in the dialog
    int m_dpiX = 96;         // densities the controls are placed with
    int m_dpiY = 96;
    bool m_shortened = false; // the input panel covers the page's lower part
    int m_scroll = 0;        // content scrolled up by, pixels
};

} // namespace dawnbell
