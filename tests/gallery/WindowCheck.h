#pragma once
// The gallery's checks of one shown window. Each finding is printed as one line
// "<KIND> <tag>: <what>" and counted:
//
//   FAIL     the window falls off the screen, a control lies outside its
//            parent, two tappable controls overlap, or (on a screen at its
//            class's real density) a text overflows its control;
//   OVERFLOW a text overflows its control on any other screen (drawn, not failed);
//   SMALLER  a text fits only in the kit's smaller font;
//   ELIDED   a text is elided in the middle (its full form is the tooltip).
//
// Texts are checked generically: every label, check box, radio and push button
// of the window (hidden labels included, as the window paints them) must show
// a text no wider than its text area (no taller, for wrapped labels). What the
// control kit drew for a control (KitTextFit::LastDrawn) is measured; a control
// drawn outside the kit is measured with its whole text, its own font and its
// whole rectangle. Every shown spin box and combo box must show its whole
// text (a spin box's value, a combo's current entry) within the area its
// editor or label draws it in, and so must a line edit's placeholder or
// read-only text (typed text may run on: the edit scrolls): a "140" read as
// "14" or a colour name cut short is an overflow like a label's.
#include <QFont>
#include <QRect>
#include <QString>

class QWidget;

namespace dawnbell::gallery {

class WindowCheck {
public:
    // `tag` names the window in every line; `strictTexts` makes a text overflow a failure.
    WindowCheck(const QString& tag, bool strictTexts);

    // The window's frame against `screen` (logical pixels) and its controls
    // against their parents and each other.
    void Geometry(const QWidget* window, const QRect& screen);
    // Every text of the window, as drawn by its last paint.
    void Texts(const QWidget* window);

    int failures() const { return m_failures; }
    int overflows() const { return m_overflows; }
    int smaller() const { return m_smaller; }
    int elided() const { return m_elided; }

private:
    // The texts of line edits, spin boxes and combo boxes.
    void Fields(const QWidget* window);
    // One field's `text` in `font` against `area` (coordinates of `drawnIn`,
    // the control itself or its editor).
    void FieldText(const QWidget* control, const QString& text, const QFont& font, const QRect& area,
                   const QWidget* drawnIn);
    void Print(const char* kind, const QString& what) const;
    void Fail(const QString& what);
    // Counts a text that does not fit; fails the check when strict, else prints it.
    void Overflow(const QString& what);

    QString m_tag;         // window and state, printed with every finding
    bool m_strict = false; // whether a text overflow fails
    int m_failures = 0;    // findings that fail the run
    int m_overflows = 0;   // text overflows (failed or not)
    int m_smaller = 0;     // texts drawn in the smaller font
    int m_elided = 0;      // texts drawn elided
};

} // namespace dawnbell::gallery
