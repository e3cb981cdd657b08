#pragma once
// A small push button that shows an arrow instead of a text (spin and scroll
// buttons, "next"/"previous" buttons), painted as a kit button face.
#include <QAbstractButton>

namespace dawnbell {

class KitArrowButton : public QAbstractButton {
    Q_OBJECT
public:
    // A button pointing in `arrow` (Qt::UpArrow, DownArrow, LeftArrow, RightArrow).
    explicit KitArrowButton(Qt::ArrowType arrow, QWidget* parent = nullptr);

    Qt::ArrowType arrowType() const { return m_arrow; }
    // Changes the direction and repaints.
    void setArrowType(Qt::ArrowType arrow);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::ArrowType m_arrow; // direction of the arrow drawn on the face
};

} // namespace dawnbell
