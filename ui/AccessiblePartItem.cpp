#include "AccessiblePartItem.h"

#include "AccessibleParts.h"

namespace dawnbell {

AccessiblePartItem::AccessiblePartItem(QWidget* owner, int index) : owner_(owner), index_(index) {}

AccessibleParts* AccessiblePartItem::Parts() const
{
    return owner_ ? dynamic_cast<AccessibleParts*>(owner_.data()) : nullptr;
}

AccessiblePart AccessiblePartItem::Part() const
{
    if (!isValid()) {
        AccessiblePart gone;
        gone.state.invisible = true;
        return gone;
    }
    return Parts()->AccessiblePartAt(index_);
}

bool AccessiblePartItem::isValid() const
{
    const AccessibleParts* parts = Parts();
    return parts && index_ >= 0 && index_ < parts->AccessiblePartCount();
}

QWindow* AccessiblePartItem::window() const
{
    return owner_ && owner_->window() ? owner_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* AccessiblePartItem::parent() const
{
    return owner_ ? QAccessible::queryAccessibleInterface(owner_.data()) : nullptr;
}

QString AccessiblePartItem::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name: return Part().name;
    case QAccessible::Description: return Part().description;
    case QAccessible::Value: return Part().value;
    default: return QString();
    }
}

QRect AccessiblePartItem::rect() const
{
    const QRect r = Part().rect;
    if (!owner_ || r.isNull())
        return QRect();
    return QRect(owner_->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::Role AccessiblePartItem::role() const { return Part().role; }

QAccessible::State AccessiblePartItem::state() const
{
    QAccessible::State s = Part().state;
    // A part of a hidden or disabled control shares its state.
    if (owner_ && !owner_->isVisible())
        s.invisible = true;
    if (owner_ && !owner_->isEnabled())
        s.disabled = true;
    return s;
}

void* AccessiblePartItem::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    if (type == QAccessible::ValueInterface && Part().hasNumber)
        return static_cast<QAccessibleValueInterface*>(this);
    return nullptr;
}

QStringList AccessiblePartItem::actionNames() const
{
    const AccessiblePart part = Part();
    return part.state.disabled ? QStringList() : part.actions;
}

void AccessiblePartItem::doAction(const QString& actionName)
{
    if (!isValid() || !actionNames().contains(actionName))
        return;
    Parts()->AccessiblePartAction(index_, actionName);
}

QVariant AccessiblePartItem::currentValue() const { return Part().number; }
QVariant AccessiblePartItem::maximumValue() const { return Part().maximum; }
QVariant AccessiblePartItem::minimumValue() const { return Part().minimum; }

} // namespace dawnbell
