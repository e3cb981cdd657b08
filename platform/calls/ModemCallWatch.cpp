#include "ModemCallWatch.h"

#include <QDBusConnection>
#include <QDBusObjectPath>

namespace dawnbell {

namespace {
const QString kService = QStringLiteral("org.freedesktop.ModemManager1");
const QString kVoice = QStringLiteral("org.freedesktop.ModemManager1.Modem.Voice");
const QString kCall = QStringLiteral("org.freedesktop.ModemManager1.Call");
} // namespace

ModemCallWatch::ModemCallWatch(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    // Qt D-Bus finds a slot's argument types by name; this one is not known by
    // name until something registers it.
    qRegisterMetaType<QDBusObjectPath>("QDBusObjectPath");
    // Any object path: every modem and every call of the service.
    watching_ = bus.connect(kService, QString(), kVoice, QStringLiteral("CallAdded"), this,
                            SLOT(OnCallAdded(QDBusObjectPath)))
                && bus.connect(kService, QString(), kCall, QStringLiteral("StateChanged"), this,
                               SLOT(OnCallStateChanged(int, int, uint)));
}

void ModemCallWatch::OnCallAdded(const QDBusObjectPath& call)
{
    emit callArrived(QStringLiteral("ModemManager added the call %1").arg(call.path()));
}

void ModemCallWatch::OnCallStateChanged(int oldState, int newState, uint reason)
{
    Q_UNUSED(oldState);
    Q_UNUSED(reason);
    if (newState == kStateRingingIn)
        emit callArrived(QStringLiteral("a call is ringing (ModemManager)"));
    else if (newState == kStateActive)
        emit callArrived(QStringLiteral("a call became active (ModemManager)"));
}

} // namespace dawnbell
