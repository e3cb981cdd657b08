#include "StoredAlarmGuard.h"

#include "ExitSignals.h"

namespace dawnbell {

StoredAlarmGuard::StoredAlarmGuard(const QString& key)
    : backup_(key)
{
    if (ExitSignals* exits = ExitSignals::Installed())
        watch_ = QObject::connect(exits, &ExitSignals::received, exits, [this](int) { Restore(); });
}

StoredAlarmGuard::~StoredAlarmGuard() { QObject::disconnect(watch_); }

} // namespace dawnbell
