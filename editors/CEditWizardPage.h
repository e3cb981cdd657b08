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
// A page paints its own background: the slice of its wizard's vertical gradient
// that lies behind it, so the gradient runs on unbroken, and then the texts of
// its hidden labels (a disabled label is not drawn, so a label that depends on a
// check box shows only while the box is checked).
//
// Controls are placed edge by edge from the page's layout (design size 240 x 138
// at 96 dpi) with the densities the wizard lays out with. While the on-screen
// keyboard covers the lower part the page can be shortened and scrolled so the
// focused field stays in view (Shorten / Unshorten).
#include <QPointer>
#include <QRect>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace dawnbell {

class Alarm;
class DialogLayout;
class KitArrowButton;
struct WizardServices;

class CEditWizardPage : public QWidget {
    Q_OBJECT
public:
    // Size of every page at 96 dpi.
    static constexpr int kDesignWidth = 240;
    static constexpr int kDesignHeight = 138;

    // A page editing `work` (the wizard's working copy, not owned) whose form is
    // layout `layoutId` and whose title is text `titleText`. `services` (not
    // owned) outlives the page.
    CEditWizardPage(Alarm* work, const WizardServices* services, int layoutId, int titleText);
    ~CEditWizardPage() override;

    virtual bool StoreToAlarm() = 0;
    virtual void CreatePage(QWidget* parent, const QRect& rect);
    virtual QString GetPageTitle() const;

    int LayoutId() const { return m_layoutId; }

    // Moves the page to `rect` (its full, unshortened size) and places its
    // controls at dpiX x dpiY; an input-panel shrink is undone.
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
    // Creates the page's controls (all hidden labels, buttons, run-time controls).
    virtual void CreateControls() = 0;
    // Fills every control from the working copy.
    virtual void FillFromAlarm() = 0;
    // Sets every caption through the language lookup.
    virtual void ApplyCaptions() {}
    // After the controls were placed (layout or rotation).
    virtual void PagePlaced() {}

    void paintEvent(QPaintEvent* event) override;

    // Helpers making controls named after their id.
    QLabel* AddLabel(int id, int textId = 0);
    QCheckBox* AddCheck(int id, int textId = 0);
    QRadioButton* AddOption(int id, int textId = 0);
    QPushButton* AddButton(int id, int textId = 0);
    KitArrowButton* AddArrow(int id, Qt::ArrowType arrow);
    // A number edit (digits only) accepting `min` to `max`.
    QSpinBox* AddNumberEdit(int id, int min, int max);
    // Gives every hidden label the largest font (9 pt down to 7 pt) its text fits.
    void FitLabelFonts();

    Alarm* m_work;                      // the wizard's working copy, not owned
    const WizardServices* m_services;   // the wizard's services, not owned

private:
    void PlaceControls();

    int m_layoutId;                     // the page's dialog layout
    int m_titleText;                    // text number of the title
    QRect m_fullRect;                   // geometry without shrink, in the wizard
    int m_dpiX = 96;                    // densities the controls are placed with
    int m_dpiY = 96;
    bool m_shortened = false;           // the input panel covers the page's lower part
    int m_scroll = 0;                   // content scrolled up by, pixels
};

// The page layouts, wizard layouts and their controls, from the editors' resource.
DialogLayout WizardLayout(int layoutId);

} // namespace dawnbell
