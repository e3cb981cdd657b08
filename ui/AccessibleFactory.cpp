#include "AccessibleFactory.h"

#include "AccessibleOwnerDrawn.h"
#include "AccessibleParts.h"

#include <QAccessible>
#include <QWidget>

namespace dawnbell {

QAccessibleInterface* OwnerDrawnAccessibleFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    auto* parts = widget ? dynamic_cast<AccessibleParts*>(widget) : nullptr;
    return parts ? new AccessibleOwnerDrawn(widget, parts) : nullptr;
}

void InstallAccessibleFactory() { QAccessible::installFactory(&OwnerDrawnAccessibleFactory); }

} // namespace dawnbell
