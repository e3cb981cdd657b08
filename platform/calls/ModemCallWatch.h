#pragma once
// Phone calls on the device's modems, as ModemManager announces them on the
// system bus (service org.freedesktop.ModemManager1): a call added on a modem's
// Voice interface (CallAdded), or a call whose state becomes ringing-in or
// active (StateChanged of org.freedesktop.ModemManager1.Call).
//
// Watching starts with the object and ends with it. Without a system bus, or
// while ModemManager is not running, nothing arrives and nothing is reported:
// a device without a modem simply has no calls. ModemManager started later is
// seen (the bus routes its signals once it owns its name).
#include <QObject>

class QDBusObjectPath;

namespace dawnbell {

class ModemCallWatch : public QObject {
    Q_OBJECT
public:
    explicit ModemCallWatch(QObject* parent = nullptr);

    // true when the system bus is reached and the watch is in place.
    bool watching() const { return watching_; }

    // ModemManager's call states (MMCallState) that mean a call is coming in or
    // going on.
    static constexpr int kStateRingingIn = 3;
    static constexpr int kStateActive = 4;

signals:
    // A call came in or began: `why` says which announcement it was, for the log.
    void callArrived(const QString& why);

private slots:
    void OnCallAdded(const QDBusObjectPath& call);
    void OnCallStateChanged(int oldState, int newState, uint reason);

private:
    bool watching_ = false;
};

} // namespace dawnbell
