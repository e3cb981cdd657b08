#pragma once
// Painting helpers shared by every window of the program: the vertical
// background gradient, frames of two outlines with cut corners, text with a
// one-pixel border, and the painting of "hidden" labels (labels that only hold a
// text, a font and a position; the window paints the text itself).
//
// Colours are 0x00BBGGRR values (ColorHelpers.h). Rectangles and pixels are the
// painter's (logical) pixels.
#include <QRect>
#include <QString>
#include <cstdint>

class QLabel;
class QPainter;
class QWidget;

namespace dawnbell {

// Fills `rect` with a vertical gradient from `top` (first row) to `bottom` (last row).
void PaintVerticalGradient(QPainter& painter, const QRect& rect, uint32_t top, uint32_t bottom);
// Colour `row` of a vertical gradient from `top` (row 0) to `bottom` (row
// rows - 1), per channel; rows outside the gradient take its end colours.
uint32_t GradientColorAt(uint32_t top, uint32_t bottom, int row, int rows);
// Fills `rect` with the part of a vertical gradient from `top` to `bottom` over
// `rows` rows that starts at row `firstRow`: a child continues the gradient of
// the window behind it (firstRow = the child's top in that window).
void PaintGradientSlice(QPainter& painter, const QRect& rect, uint32_t top, uint32_t bottom, int firstRow,
                        int rows);
// A window's background: gradient from GradientShade(base, n) at the top to `base`.
void PaintWindowBackground(QPainter& painter, const QRect& rect, uint32_t base, int n);
// Two one-pixel outlines with cut corners: `outer` along the edge of `rect`,
// `inner` one pixel inside it. The corner pixel of each outline is left out.
void PaintCutFrame(QPainter& painter, const QRect& rect, uint32_t outer, uint32_t inner);

// A title or clock area on a window background of `base` with shade n
// (S = GradientShade(base, n)): inside `rect` shrunk by one pixel the reverse
// gradient from `base` (top) to Average(S, base) (bottom), around it a cut-corner
// frame with the outer outline in S and the inner one in `base`.
void PaintTitleArea(QPainter& painter, const QRect& rect, uint32_t base, int n);

// Draws `text` into `rect` with Qt alignment/wrap `flags`: unless `border` is
// false, first four times in `background` offset by one pixel diagonally in each
// direction, then once in `color`. Uses the painter's font.
void DrawBorderedText(QPainter& painter, const QRect& rect, int flags, const QString& text,
                      uint32_t color, uint32_t background, bool border = true);

// The text rectangle of a vertically centred text: the whole `rect` height is
// used when the wrapped text (flags as for QPainter::drawText) fits; otherwise
// the text is cut to the whole lines that fit (at least one), and the result is
// the centred band of those lines. `lineHeight` in pixels (> 0).
QRect CenteredTextBand(const QRect& rect, int textHeight, int lineHeight);

// How a hidden label is painted.
struct HiddenLabelStyle {
    uint32_t background = 0x00FFFFFF; // window background colour
    uint32_t text = 0x00000000;       // text colour
    int shade = 0x50;                 // n of the frame colour GradientShade(background, n)
    bool textBorder = true;           // draw the one-pixel border in the background colour
    bool fillFrame = true;            // fill a framed label's inside with a gradient (no image behind)
};

// Paints the text of `label` onto `painter`, whose origin is the top-left corner
// of `window` (an ancestor of the label). The label's own font, alignment
// (left, centre or right; vertically centred when its alignment holds
// Qt::AlignVCenter, else top) and wrapping (QLabel::wordWrap) apply; a label
// with a frame shape other than NoFrame gets a double frame and, with
// `fillFrame`, a gradient inside. A text that does not fit the label's rectangle
// follows the kit's fit rule (KitTextFit). A label with empty text is skipped, as is a
// disabled one when `skipDisabled` is set. Returns true when something was drawn.
bool PaintHiddenLabel(QPainter& painter, const QWidget* window, const QLabel* label,
                      const HiddenLabelStyle& style, bool skipDisabled = false);

} // namespace dawnbell
