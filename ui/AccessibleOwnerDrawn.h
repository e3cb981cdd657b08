#pragma once
// The accessible interface of an owner-drawn control (a QWidget that also
// derives from AccessibleParts): the control's role, name and value from
// AccessibleParts, and as children first its parts (AccessiblePartItem), then
// its real child widgets that are not hidden, as Qt describes them. The part items are made on first
// use, registered with QAccessible and deleted with this interface (that is,
// with the control).
//
// The Announce functions tell assistive technology about changes the control
// makes; they do nothing for a widget without parts, or while no assistive
// technology listens (QAccessible::isActive).
#include <QAccessibleWidget>
#include <QList>
#include <QVariant>

#include <vector>

namespace dawnbell {

class AccessibleParts;

class AccessibleOwnerDrawn : public QAccessibleWidget {
public:
    // The interface of `widget`, whose AccessibleParts side is `parts`.
    AccessibleOwnerDrawn(QWidget* widget, AccessibleParts* parts);
    ~AccessibleOwnerDrawn() override;

    // Name: the widget's accessibleName, else AccessibleParts::AccessibleName,
    // else Qt's (a window's title). Value: AccessibleParts::AccessibleValue, which
    // also serves as the description when the widget sets none.
    QString text(QAccessible::Text t) const override;
    // AccessibleParts::AccessibleRole.
    QAccessible::Role role() const override;
    // Children: the parts (0 .. parts - 1), then the child widgets not hidden.
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    // While the widget has the focus: its focused part, if any; else Qt's answer.
    QAccessibleInterface* focusChild() const override;

    // Part `index` of `owner` changed as `event` says (NameChanged, Focus,
    // Selection, StateChanged, ...).
    static void AnnouncePart(QWidget* owner, int index, QAccessible::Event event);
    // The live value of part `index` of `owner` is now `value`.
    static void AnnouncePartValue(QWidget* owner, int index, const QVariant& value);
    // The parts of `owner` were added, removed or reordered. A reader is told
    // of each part it has met (its item is made) that now reads otherwise: a
    // new name, a checked state switched; and of parts added at the end (at
    // most kMaxToldNewParts at a time). Qt's reorder event is not used: the
    // AT-SPI bridge sends it malformed (readers drop it) after making an item
    // for every part.
    static void AnnounceReorder(QWidget* owner);
    // Most parts added at the end that one AnnounceReorder tells of.
    static constexpr int kMaxToldNewParts = 32;
    // The control's own value text changed.
    static void AnnounceValue(QWidget* owner);

private:
    // The item of part `index` (made and registered on first use).
    QAccessibleInterface* PartItem(int index) const;
    int PartCount() const;
    // The interfaces of the child widgets not hidden, in Qt's order.
    QList<QAccessibleInterface*> ShownChildren() const;
    // Tells the reader what changed in the parts since it was last told
    // (AnnounceReorder).
    void TellChangedParts();

    // What a reader knows of a part whose item is made: as read when it was
    // made or last told.
    struct Told {
        QString name;
        bool checked = false;
    };

    AccessibleParts* parts_;                  // the widget's AccessibleParts side
    mutable std::vector<QAccessible::Id> ids_; // registered part items by index; 0 = not made
    mutable std::vector<Told> told_;          // by index, beside ids_
    int toldCount_ = 0;                       // the number of parts a reader was last told of
};

} // namespace dawnbell
