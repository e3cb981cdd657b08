#include "AccessibleOwnerDrawn.h"

#include "AccessiblePartItem.h"
#include "AccessibleParts.h"

#include <QWidget>

namespace dawnbell {

AccessibleOwnerDrawn::AccessibleOwnerDrawn(QWidget* widget, AccessibleParts* parts)
    : QAccessibleWidget(widget, parts->AccessibleRole()), parts_(parts)
{
    toldCount_ = PartCount(); // a reader meeting the control reads the parts there are
}

AccessibleOwnerDrawn::~AccessibleOwnerDrawn()
{
    for (QAccessible::Id id : ids_) {
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
    }
}

int AccessibleOwnerDrawn::PartCount() const { return isValid() ? parts_->AccessiblePartCount() : 0; }

QString AccessibleOwnerDrawn::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
        const QString own = parts_->AccessibleName();
        if (!own.isEmpty())
            return own;
    }
    if (t == QAccessible::Value)
        return parts_->AccessibleValue();
    if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty()
        && !parts_->AccessibleValue().isEmpty())
        return parts_->AccessibleValue();
    return QAccessibleWidget::text(t);
}

QAccessible::Role AccessibleOwnerDrawn::role() const { return parts_->AccessibleRole(); }

QList<QAccessibleInterface*> AccessibleOwnerDrawn::ShownChildren() const
{
    QList<QAccessibleInterface*> shown;
    const int count = QAccessibleWidget::childCount();
    for (int i = 0; i < count; ++i) {
        QAccessibleInterface* child = QAccessibleWidget::child(i);
        QObject* object = child ? child->object() : nullptr;
        // A hidden label that only holds a painted text's words and place is
        // already one of the parts.
        if (child && !(object && object->isWidgetType() && static_cast<QWidget*>(object)->isHidden()))
            shown << child;
    }
    return shown;
}

int AccessibleOwnerDrawn::childCount() const { return PartCount() + static_cast<int>(ShownChildren().size()); }

QAccessibleInterface* AccessibleOwnerDrawn::PartItem(int index) const
{
    if (index < 0 || index >= PartCount())
        return nullptr;
    if (ids_.size() <= static_cast<size_t>(index)) {
        ids_.resize(static_cast<size_t>(index) + 1, 0);
        told_.resize(ids_.size());
    }
    QAccessible::Id& id = ids_[static_cast<size_t>(index)];
    if (id == 0) {
        id = QAccessible::registerAccessibleInterface(new AccessiblePartItem(widget(), index));
        const AccessiblePart part = parts_->AccessiblePartAt(index);
        told_[static_cast<size_t>(index)] = Told{part.name, bool(part.state.checked)};
    }
    return QAccessible::accessibleInterface(id);
}

QAccessibleInterface* AccessibleOwnerDrawn::child(int index) const
{
    const int parts = PartCount();
    if (index < parts)
        return PartItem(index);
    return ShownChildren().value(index - parts, nullptr);
}

int AccessibleOwnerDrawn::indexOfChild(const QAccessibleInterface* child) const
{
    if (const auto* item = dynamic_cast<const AccessiblePartItem*>(child))
        return item->owner() == widget() && item->index() < PartCount() ? item->index() : -1;
    const int index = static_cast<int>(ShownChildren().indexOf(const_cast<QAccessibleInterface*>(child)));
    return index < 0 ? -1 : PartCount() + index;
}

QAccessibleInterface* AccessibleOwnerDrawn::focusChild() const
{
    if (widget()->hasFocus()) {
        const int part = parts_->AccessibleFocusPart();
        if (part >= 0 && part < PartCount())
            return PartItem(part);
    }
    return QAccessibleWidget::focusChild();
}

namespace {

// The owner-drawn interface of `owner`; null for other widgets, and while no
// assistive technology listens (then a change costs nothing beyond this check).
AccessibleOwnerDrawn* OwnerInterface(QWidget* owner)
{
    if (!QAccessible::isActive() || !owner || !dynamic_cast<AccessibleParts*>(owner))
        return nullptr;
    return dynamic_cast<AccessibleOwnerDrawn*>(QAccessible::queryAccessibleInterface(owner));
}

} // namespace

void AccessibleOwnerDrawn::AnnouncePart(QWidget* owner, int index, QAccessible::Event event)
{
    AccessibleOwnerDrawn* iface = OwnerInterface(owner);
    QAccessibleInterface* item = iface ? iface->PartItem(index) : nullptr;
    if (!item)
        return;
    QAccessibleEvent e(item, event);
    QAccessible::updateAccessibility(&e);
}

void AccessibleOwnerDrawn::AnnouncePartValue(QWidget* owner, int index, const QVariant& value)
{
    AccessibleOwnerDrawn* iface = OwnerInterface(owner);
    QAccessibleInterface* item = iface ? iface->PartItem(index) : nullptr;
    if (!item)
        return;
    QAccessibleValueChangeEvent e(item, value);
    QAccessible::updateAccessibility(&e);
}

void AccessibleOwnerDrawn::AnnounceReorder(QWidget* owner)
{
    if (AccessibleOwnerDrawn* iface = OwnerInterface(owner))
        iface->TellChangedParts();
}

void AccessibleOwnerDrawn::TellChangedParts()
{
    const int count = PartCount();
    for (size_t i = 0; i < ids_.size() && static_cast<int>(i) < count; ++i) {
        if (ids_[i] == 0)
            continue;
        QAccessibleInterface* item = QAccessible::accessibleInterface(ids_[i]);
        const AccessiblePart part = parts_->AccessiblePartAt(static_cast<int>(i));
        Told& was = told_[i];
        if (item && part.name != was.name) {
            QAccessibleEvent e(item, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&e);
        }
        if (item && bool(part.state.checked) != was.checked) {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent e(item, changed);
            QAccessible::updateAccessibility(&e);
        }
        was = Told{part.name, bool(part.state.checked)};
    }
    for (int i = toldCount_; i < count && i < toldCount_ + kMaxToldNewParts; ++i) {
        if (QAccessibleInterface* item = PartItem(i)) {
            QAccessibleEvent e(item, QAccessible::ObjectCreated);
            QAccessible::updateAccessibility(&e);
        }
    }
    toldCount_ = count;
}

void AccessibleOwnerDrawn::AnnounceValue(QWidget* owner)
{
    if (!OwnerInterface(owner))
        return;
    QAccessibleEvent e(owner, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&e);
}

} // namespace dawnbell
