#pragma once
// What an owner-drawn control tells assistive technology. The control paints
// its rows, areas and texts itself, so no child widget carries them; it derives
// from AccessibleParts as well as from its QWidget, and the program's accessible
// factory (AccessibleFactory) then gives it an AccessibleOwnerDrawn interface
// whose children are the parts described here, followed by the control's real
// child widgets.
//
// Part indexes are 0 .. AccessiblePartCount() - 1 at the moment of the call; a
// control whose parts come and go (list rows) says so with
// AccessibleOwnerDrawn::AnnounceReorder. Rectangles are in the control's own
// coordinates, logical pixels.
#include <QAccessible>
#include <QRect>
#include <QString>
#include <QStringList>

namespace dawnbell {

// One owner-drawn part: a row, a painted text, a tap area.
struct AccessiblePart {
    QString name;                                // what a reader says first
    QString description;                         // further explanation; may be empty
    QString value;                               // a changing text value (a countdown); may be empty
    QAccessible::Role role = QAccessible::StaticText;
    QAccessible::State state;                    // invisible, selected, checked, disabled, ...
    QRect rect;                                  // control coordinates
    QStringList actions;                         // QAccessibleActionInterface names; first = default
    bool hasNumber = false;                      // number, minimum and maximum below are meaningful
    int number = 0;                              // a live numeric value (seconds left, ...)
    int minimum = 0;
    int maximum = 0;
};

class AccessibleParts {
public:
    virtual ~AccessibleParts() = default;

    // Role of the control itself (List, Dialog, Chart, ...).
    virtual QAccessible::Role AccessibleRole() const = 0;
    // Name of the control when its widget has no accessibleName(); empty: the
    // widget's default (a window's title).
    virtual QString AccessibleName() const { return QString(); }
    // The control's own value text (a description of what it shows); may be empty.
    virtual QString AccessibleValue() const { return QString(); }
    // Number of parts now.
    virtual int AccessiblePartCount() const { return 0; }
    // Part `index` (0 <= index < AccessiblePartCount()), read fresh on every call.
    virtual AccessiblePart AccessiblePartAt(int index) const
    {
        Q_UNUSED(index);
        return AccessiblePart();
    }
    // Runs `action` (one of the part's actions) on part `index`, as the pointer
    // or the keys would; an index out of range or an unknown action does nothing.
    virtual void AccessiblePartAction(int index, const QString& action)
    {
        Q_UNUSED(index);
        Q_UNUSED(action);
    }
    // The part that has the keyboard focus while the control has it; -1 for none.
    virtual int AccessibleFocusPart() const { return -1; }
};

} // namespace dawnbell
