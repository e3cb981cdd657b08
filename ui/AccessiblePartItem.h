#pragma once
// The accessible interface of one owner-drawn part (see AccessibleParts.h): a
// row of a list, a painted text, a tap area. It holds no copy of the part: every
// question reads the part fresh from its control, so names, states and values
// are never stale. It is valid while its control lives and its index is below
// the control's part count. Created and owned by AccessibleOwnerDrawn.
#include <QAccessibleInterface>
#include <QPointer>
#include <QWidget>

namespace dawnbell {

class AccessibleParts;
struct AccessiblePart;

class AccessiblePartItem : public QAccessibleInterface,
                           public QAccessibleActionInterface,
                           public QAccessibleValueInterface {
public:
    // Part `index` of `owner`, which must derive from AccessibleParts.
    AccessiblePartItem(QWidget* owner, int index);

    QWidget* owner() const { return owner_; }
    int index() const { return index_; }

    // QAccessibleInterface
    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override; // screen coordinates
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleActionInterface: the part's actions; the first is its default.
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // QAccessibleValueInterface (only offered for parts with a number): read-only.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override { return 1; }

private:
    // The control as AccessibleParts; null when it is gone.
    AccessibleParts* Parts() const;
    // The part now; an empty, invisible part when the item is no longer valid.
    AccessiblePart Part() const;

    QPointer<QWidget> owner_; // the control; not owned
    int index_;               // part index
};

} // namespace dawnbell
