#pragma once
// The control kit's one rule for a text that does not fit its control, the
// same for every label, push button, check box and radio button of every window:
//
//   1. the text as it is, in the control's font, when it fits;
//   2. else the text in the kit's next smaller font (SmallerFont), when that fits;
//   3. else the text elided in the middle ("Zufäl…lge") in that smaller font; the
//      control then carries the full text as its tooltip and accessible name.
//
// A single-line text fits when it is no wider than its text area; a wrapped text
// fits when, broken at word boundaries to the area's width, it is no taller than
// the area and no word is wider. Layouts keep their geometry: only the drawing
// changes.
//
// KitStyle applies the rule to every text it draws for a label or a button, and
// PaintHiddenLabel to the labels a window paints itself; a window that draws a
// control's text its own way calls FitFor (or Record when it fits the text by a
// rule of its own, such as the clock's large font). Each of these records what
// was drawn for the widget, so the screenshot gallery can check every window's
// texts (LastDrawn).
#include <QFont>
#include <QRect>
#include <QString>

class QWidget;

namespace dawnbell {

class KitTextFit {
public:
    enum Outcome {
        AsIs = 0,    // drawn as it is
        Smaller = 1, // drawn whole in the smaller font
        Elided = 2,  // drawn elided in the middle in the smaller font
    };

    // A text as it is to be drawn.
    struct Result {
        QString text;            // the text to draw (elided or whole)
        QFont font;              // the font to draw it in
        Outcome outcome = AsIs;  // which step of the rule made it fit
    };

    // What the kit last drew for a widget.
    struct Drawn {
        QString fullText;        // the control's own text
        QString text;            // the text drawn
        QFont font;              // the font drawn in
        QRect area;              // text area, widget coordinates (logical pixels)
        int flags = 0;           // Qt alignment, wrap and mnemonic flags of the drawing
        Outcome outcome = AsIs;  // step of the rule used
    };

    // The kit's next smaller font: four fifths of the size, rounded to half
    // points (9 pt becomes 7 pt, 8 pt 6.5 pt), never below 5 points; pixel-sized
    // fonts alike in whole pixels.
    static QFont SmallerFont(const QFont& font);

    // Whether `text` in `font` drawn with `flags` (Qt::TextWordWrap for wrapped
    // text, Qt::TextShowMnemonic where '&' marks a shortcut) fits an area of
    // `area` logical pixels, as defined above.
    static bool Fits(const QString& text, const QFont& font, const QSize& area, int flags);

    // The rule above for `text` in `font` in an area of `area` pixels.
    static Result Fit(const QString& text, const QFont& font, const QSize& area, int flags);

    // The rule for `widget`'s text drawn into `area` (widget coordinates): records
    // the result for LastDrawn and keeps the widget's tooltip and accessible name
    // on the full text while it is elided (a tooltip or name the window set
    // itself is left alone). Null `widget`: only the rule.
    static Result FitFor(const QWidget* widget, const QString& text, const QFont& font, const QRect& area,
                         int flags);

    // Records that `widget`'s `text` was drawn whole in `font` into `area` by a
    // window's own fitting rule.
    static void Record(const QWidget* widget, const QString& text, const QFont& font, const QRect& area,
                       int flags);

    // What was last drawn for `widget` since ForgetDrawn; false when nothing.
    static bool LastDrawn(const QWidget* widget, Drawn* out);
    // Forgets every record (the gallery calls it before drawing a window).
    static void ForgetDrawn();
};

} // namespace dawnbell
