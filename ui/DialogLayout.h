#pragma once
// Dialog layouts as data. Each layout id (a dialog template: one orientation of
// one window) holds the rectangles of its controls at 96 dpi, keyed by control
// id, plus the window's design size and named areas the window paints itself.
// The built-in layouts live in the resource ":/layouts/layouts.json":
//
//   { "layouts": { "148": { "size": [171, 89],
//                           "controls": { "1024": [6, 6, 159, 22], ... },
//                           "areas": { "prompt": [11, 12, 166, 26] } } } }
//
// Every rectangle is [x, y, width, height] in pixels at 96 dpi, relative to the
// window's client area (the parent of the control). Applying a layout finds each control as the child whose
// object name is the control id in decimal and sets its geometry scaled with
// mul_div_round (x and width with the horizontal, y and height with the vertical
// density).
#include <QByteArray>
#include <QMap>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace dawnbell {

class DialogLayout {
public:
    // Orientation of a window, which chooses among its layouts.
    enum Variant { Portrait = 0, Landscape = 1, Square = 2 };

    // Limits on layout data (larger input is rejected as malformed).
    static constexpr int kMaxDataBytes = 1 << 20;
    static constexpr int kMaxCoordinate = 10000; // |x|, |y|, width, height at 96 dpi

    // An invalid (empty) layout.
    DialogLayout() = default;

    // The built-in layout `layoutId`; invalid when there is none.
    static DialogLayout Load(int layoutId);
    // Layout `layoutId` from the layout data in a Qt resource file (read and
    // parsed once per path, then kept); invalid when there is none or the data is
    // malformed. The caller initialises its resource first.
    static DialogLayout LoadFrom(const QString& resourcePath, int layoutId);
    // Parses layout data in the format above into `out` (replacing its contents).
    // False with a short reason in `error` for malformed data; nothing is stored then.
    static bool Parse(const QByteArray& json, QMap<int, DialogLayout>* out, QString* error = nullptr);

    // Portrait when narrower than tall, Landscape when wider, else Square.
    static Variant VariantFor(const QSize& size);
    // The layout id for a window of `size`; a square window without a square
    // layout (squareId <= 0) uses the landscape one.
    static int ChooseId(const QSize& size, int portraitId, int landscapeId, int squareId = 0);

    // A 96-dpi rectangle in pixels at dpiX x dpiY.
    static QRect Scale(const QRect& design, int dpiX, int dpiY);
    // The same scaled edge by edge (left, top, right and bottom each rounded),
    // so rectangles that touch at 96 dpi never overlap after rounding.
    static QRect ScaleEdges(const QRect& design, int dpiX, int dpiY);
    // The child of `dialog` (at any depth) whose object name is `controlId`; null when none.
    static QWidget* FindControl(const QWidget* dialog, int controlId);
    // Chains the direct children of `dialog` that take the focus by Tab (shown
    // or not) in reading order of their places: rows from top to bottom, each
    // row from left to right; a control whose top lies above the middle of a
    // row's first control belongs to that row. When nothing in the dialog has
    // the focus yet, the first control of that order gets it. Call after the
    // controls have their places.
    static void ApplyReadingTabOrder(QWidget* dialog);

    bool IsValid() const { return m_id > 0; }
    int Id() const { return m_id; }
    // Window size at 96 dpi; an invalid size when the data gives none.
    QSize DesignSize() const { return m_size; }
    // Window size at dpiX x dpiY.
    QSize ScaledSize(int dpiX, int dpiY) const;
    // The control ids of the layout in ascending order.
    QList<int> ControlIds() const { return m_controls.keys(); }
    // The 96-dpi rectangle of a control; false (and *out untouched) when the layout has no such control.
    bool ControlRect(int controlId, QRect* out) const;
    // The 96-dpi rectangle of a named area; false when there is no such area.
    bool AreaRect(const QString& name, QRect* out) const;

    // Moves the control `controlId` of `dialog` to its scaled rectangle. False,
    // changing nothing, when the layout or the dialog has no such control.
    bool Place(QWidget* dialog, int controlId, int dpiX, int dpiY) const;
    // Places every control of the layout that the dialog has; true when all were
    // found (a missing one is skipped and makes the result false).
    bool Apply(QWidget* dialog, int dpiX, int dpiY) const;
    // The same at the display's densities dpi_x() and dpi_y().
    bool Apply(QWidget* dialog) const;

private:
    int m_id = 0;                 // layout id; 0 = invalid
    QSize m_size;                 // window size at 96 dpi
    QMap<int, QRect> m_controls;  // control id -> rectangle at 96 dpi
    QMap<QString, QRect> m_areas; // area name -> rectangle at 96 dpi
};

} // namespace dawnbell
