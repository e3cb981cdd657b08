#include "StoredAlarmGuard.h"

#include "ExitSignals.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"

namespace dawnbell {

StoredAlarmGuard::StoredAlarmGuard(const QString& key)
    : path_((Profile::RootPath() + QLatin1Char('\\') + key).toStdString())
{
    RegKey section;
    existed_ = !key.isEmpty() && RegKey::Open(Hive::CurrentUser, path_, &section) == RegOk;
    if (existed_) {
        RegValue v;
        for (uint32_t i = 0; section.EnumValue(i, &v) == RegOk; ++i)
            values_.push_back({v.name, static_cast<uint32_t>(v.type), v.data});
    }
    if (ExitSignals* exits = ExitSignals::Installed())
        watch_ = QObject::connect(exits, &ExitSignals::received, exits, [this](int) { Restore(); });
}

StoredAlarmGuard::~StoredAlarmGuard() { QObject::disconnect(watch_); }

void StoredAlarmGuard::Restore()
{
    if (restored_)
        return;
    restored_ = true;
    {
        RegWriteBatch batch; // readers see the old section or the restored one, never half of it
        RegDeleteTree(Hive::CurrentUser, path_);
        RegKey section;
        if (existed_ && RegKey::Create(Hive::CurrentUser, path_, &section) == RegOk) {
            for (const Value& v : values_)
                section.SetValue(v.name, static_cast<RegType>(v.type), v.data.data(), v.data.size());
        }
    }
    Profile::Flush();
    Scheduler::ReRegisterAll();
    qInfo("The alarm being edited was left as stored (%s).", path_.c_str());
}

} // namespace dawnbell
