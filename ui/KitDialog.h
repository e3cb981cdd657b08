#pragma once
// The base of the program's small dialogs: kit colours for every child, the
// vertical background gradient, hidden labels painted by the window itself,
// a size and control positions taken from a dialog layout, and centring on
// the screen.
#include "DialogLayout.h"
#include "KitPainter.h"

#include <QDialog>
#include <QFont>
#include <cstdint>

class QLabel;

namespace dawnbell {

class KitDialog : public QDialog {
    Q_OBJECT
public:
    explicit KitDialog(QWidget* parent = nullptr);

    // Gives the dialog and its children the two colours (0x00BBGGRR) and repaints.
    void SetKitColors(uint32_t background, uint32_t text);
    uint32_t BackgroundColor() const { return m_background; }
    uint32_t TextColor() const { return m_text; }
    // n of the background gradient's top colour GradientShade(background, n); default 0x50.
    void SetGradientShade(int n);
    int GradientShadeAmount() const { return m_shade; }
    // Whether hidden label texts get the one-pixel border in the background colour; default off.
    void SetTextBorder(bool on);
    // Whether a cut-corner frame (text colour outside, shade inside) runs round the client edge; default on.
    void SetEdgeFrame(bool on);

    // Loads the built-in layout `layoutId`, sizes the dialog to its design size
    // (when it has one) and places its controls, all at dpi_x/dpi_y, lowered by
    // FitDensities when the dialog would not fit the display. False when the
    // layout is unknown or a control of it is missing (the others are placed).
    bool ApplyLayout(int layoutId);
    // The same with a layout at hand.
    bool ApplyLayout(const DialogLayout& layout);
    // The same at exactly the densities given.
    bool ApplyLayout(const DialogLayout& layout, int dpiX, int dpiY);
    // Densities the last layout was applied with (dpi_x/dpi_y before any).
    int LayoutDpiX() const;
    int LayoutDpiY() const;

    // Lowers *dpiX and *dpiY by one common factor so that a window of `design`
    // (96-dpi pixels) scaled with them fits `screen` (logical pixels); leaves
    // them alone when it fits already or either size is empty. Only displays
    // smaller than any handheld the layouts were made for need this (such as
    // 240 x 320 at 192 dpi: 120 x 160 logical pixels).
    static void FitDensities(const QSize& design, const QSize& screen, int* dpiX, int* dpiY);
    // Moves the dialog to the centre of the current display (logical pixels).
    void CenterOnScreen();
    // Id of the layout applied or chosen by the last layout pass; 0 before any.
    int LayoutId() const { return m_layoutId; }

    // The three layouts of a dialog that lays itself out for its own size, one
    // per orientation, and the function that loads them from their resource.
    struct LayoutSet {
        int portrait;
        int landscape;
        int square;
        DialogLayout (*load)(int layoutId);
    };
    // One layout pass: what BeginLayoutPass chose for a size.
    struct LayoutPass {
        DialogLayout::Variant variant = DialogLayout::Square; // orientation of the size
        DialogLayout layout;                                  // the set's layout for it
        int dpiX = 96; // dpi_x(), lowered when the design would not fit the size
        int dpiY = 96; // dpi_y(), lowered likewise
    };

protected:
    // Lays the dialog out for its client `size`; called on every resize and
    // when it is shown. Dialogs that adapt to their size override it.
    virtual void LayOutFor(const QSize& size) { Q_UNUSED(size); }
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // Starts a layout pass for the dialog at `size`: picks the set's layout for
    // its orientation and the densities that fit its design into `size`, and
    // records them as the last layout (LayoutId, LayoutDpiX/Y). False, with
    // nothing to do, for an empty size and when only the height changed since
    // the last pass: the input panel changes the height alone, and must not
    // move the controls.
    bool BeginLayoutPass(const QSize& size, const LayoutSet& set, LayoutPass* pass);
    // The shift (pixels) that centres a design on a dialog of `size` larger than
    // it was made for, measured on `last`, the control at the design's
    // bottom-right: across in landscape, down in portrait, none when square.
    // A free margin up to 10 pixels is left alone.
    static QPoint CentringShift(const LayoutPass& pass, const QSize& size, const QRect& last);

    // The title line's text area: `holder` (the hidden label keeping the line's
    // place) shrunk by (density + 24) * 2 / 96 at the last layout's densities.
    QRect TitleLineArea(const QLabel* holder) const;
    // The font that fits `holder`'s text into its title line area.
    QFont FitTitleLineFont(const QLabel* holder) const;
    // Paints the title line: the title area's background, then `holder`'s text
    // in `font`, centred and wrapped.
    void PaintTitleLine(QPainter& painter, const QLabel* holder, const QFont& font) const;

    void paintEvent(QPaintEvent* event) override;
    // Paints the text of every hidden QLabel child; windows with their own
    // rules (labels to skip, painted areas) override it.
    virtual void PaintLabels(QPainter& painter);
    // The style PaintLabels uses for this dialog's colours.
    HiddenLabelStyle LabelStyle() const;

private:
    uint32_t m_background = 0x00FFFFFF; // background colour, 0x00BBGGRR
    uint32_t m_text = 0x00000000;       // text colour, 0x00BBGGRR
    int m_shade = 0x50;                 // gradient amount n
    bool m_textBorder = false;          // bordered label texts
    bool m_edgeFrame = true;            // frame round the client edge
    int m_layoutDpiX = 0;               // densities of the last layout; 0 = none yet
    int m_layoutDpiY = 0;
    int m_layoutId = 0;                 // id of the last layout; 0 = none yet
    int m_passWidth = -1;               // width of the last layout pass, pixels; -1 = none yet
};

} // namespace dawnbell
