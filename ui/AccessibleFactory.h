#pragma once
// The program's accessible factory: owner-drawn controls (widgets that derive
// from AccessibleParts) get an AccessibleOwnerDrawn interface; every other
// object keeps Qt's own. Install it once at start, before any window shows;
// installing again does nothing.
class QAccessibleInterface;
class QObject;
class QString;

namespace dawnbell {

void InstallAccessibleFactory();

// The factory itself (QAccessible::InterfaceFactory): an interface for `object`
// when it is an owner-drawn control, else null.
QAccessibleInterface* OwnerDrawnAccessibleFactory(const QString& key, QObject* object);

} // namespace dawnbell
