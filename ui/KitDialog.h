#pragma once
// The base of the program's small dialogs: kit colours for every child, the
// vertical background gradient, hidden labels painted by the window itself,
// a size and control positions taken from a dialog layout, and centring on
// the screen.
#include "KitPainter.h"

#include <QDialog>
#include <cstdint>

namespace dawnbell {

class DialogLayout;

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

protected:
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
    int m_layoutDpiX = 0;               // densities of the last ApplyLayout; 0 = none yet
    int m_layoutDpiY = 0;
};

} // namespace dawnbell
