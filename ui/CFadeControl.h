#pragma once
// The fade-in curve editor: shows the 50-point curve over its host window's
// background and lets the user draw a new curve with the pen. While the pen is
// down the points are joined by a plain polyline (fast); otherwise by
// anti-aliased segments.
#include "AccessibleParts.h"
#include "FadeCurve.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>

namespace dawnbell {

class CFadeControl : public QWidget, public AccessibleParts {
    Q_OBJECT
public:
    explicit CFadeControl(QWidget* parent = nullptr);

    // The curve (read by the editors on OK) / replaces it and redraws.
    FadeCurve GetCurve() const { return curve_; }
    void SetCurve(const FadeCurve& curve);
    // The window whose vertical gradient the control continues; null: the
    // grandparent when there is one, else the parent.
    void SetHost(QWidget* host);

    // The length of the fade-in the curve is spread over, seconds (what the
    // value description tells); 0 until set.
    void SetFadeSeconds(int seconds);
    int fadeSeconds() const { return fadeSeconds_; }
    // The curve in words for a screen reader, e.g. "fade-in over 30 seconds,
    // rising slowly": slowly when the volume at the middle of the fade is below
    // 40 percent of the target, quickly above 60, else evenly.
    QString ValueDescription() const;

    // Assistive technology: a chart named "Fade-in curve" whose value is
    // ValueDescription().
    QAccessible::Role AccessibleRole() const override { return QAccessible::Chart; }
    QString AccessibleName() const override;
    QString AccessibleValue() const override { return ValueDescription(); }

    // Pen input in control coordinates (the mouse handlers call these).
    void PenDown(const QPoint& pos);
    void PenMove(const QPoint& pos);
    void PenUp();

    bool penDown() const { return penDown_; }
    bool finished() const { return finished_; }
    // Active drawing area: the client rectangle less 2 pixels on every side.
    QRect ActiveArea() const;
    // Plot area: the client rectangle less 3 pixels, its bottom one pixel higher.
    QRect PlotArea() const;
    // Pixel position of point i (0-49) in the plot area.
    QPoint PointPosition(int i) const;

    // The control's picture as painted now (for tests and the gallery).
    QImage Render() const;

signals:
    // The user changed the curve with the pen.
    void curveChanged();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QWidget* Host() const;

    FadeCurve curve_{};       // the 50 points, percent of the target volume
    bool penDown_ = false;    // the pen is on the control
    bool finished_ = true;    // no stroke in progress
    int lastX_ = 0;           // pointer x at the last pen event, pixels
    int fadeSeconds_ = 0;     // fade-in length the curve stands for, seconds
    QPointer<QWidget> host_;  // explicit host; null = parent's parent or parent
    uint32_t backColor_;      // application default background colour 0x00BBGGRR
    uint32_t lineColor_;      // application default text colour
};

} // namespace dawnbell
