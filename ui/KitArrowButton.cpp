#include "KitArrowButton.h"

#include "KitStyle.h"
#include "Scaling.h"

#include <QPainter>

namespace dawnbell {

KitArrowButton::KitArrowButton(Qt::ArrowType arrow, QWidget* parent)
    : QAbstractButton(parent)
    , m_arrow(arrow)
{
    setFocusPolicy(Qt::StrongFocus);
}

void KitArrowButton::setArrowType(Qt::ArrowType arrow)
{
    if (arrow == m_arrow)
        return;
    m_arrow = arrow;
    update();
}

QSize KitArrowButton::sizeHint() const
{
    return QSize(ScaleX(22), ScaleY(22));
}

void KitArrowButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPalette pal = palette();
    pal.setCurrentColorGroup(isEnabled() ? QPalette::Active : QPalette::Disabled);
    const bool pressed = isDown() || isChecked();
    KitStyle::PaintButtonFace(&painter, rect(), pal, pressed, hasFocus());
    const QRect face = pressed ? rect().translated(1, 1) : rect();
    KitStyle::PaintArrow(&painter, face, m_arrow, pal.color(QPalette::ButtonText));
}

} // namespace dawnbell
