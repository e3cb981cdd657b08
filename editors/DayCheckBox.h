#pragma once
// A check box for one day of the week: the box above its short day name, both
// centred, so seven of them fit side by side on a 240-pixel-wide screen. Taps
// anywhere on the control toggle it. Otherwise an ordinary QCheckBox.
#include <QCheckBox>

namespace dawnbell {

class DayCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DayCheckBox(QWidget* parent = nullptr);

    // The box's side plus the text's width, the box above one text line.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    // Side of the box in pixels, as the style draws check boxes.
    int IndicatorSide() const;
    // Gap between the box and the text, pixels.
    static constexpr int kGap = 1;
};

} // namespace dawnbell
