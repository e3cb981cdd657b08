// A scripted stand-in for ModemManager on the system bus (the bus named by
// DBUS_SYSTEM_BUS_ADDRESS): it owns org.freedesktop.ModemManager1 and sends
// the signals of one modem and its calls as standard input tells it, one
// command a line:
//   add CALL                 CallAdded(/org/freedesktop/ModemManager1/Call/CALL)
//                            from .../Modem/0 on the Voice interface
//   state CALL OLD NEW       StateChanged(OLD, NEW, 0) from .../Call/CALL
// It prints "ready" once it owns the name and "sent" after each signal, and
// ends at the end of its input.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {
const QString kService = QStringLiteral("org.freedesktop.ModemManager1");
const QString kRoot = QStringLiteral("/org/freedesktop/ModemManager1");

void Say(const char* text)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.registerService(kService)) {
        std::fprintf(stderr, "fake ModemManager: cannot own %s on the system bus\n", qPrintable(kService));
        return 1;
    }
    Say("ready");
    auto run = [&bus](const QString& line) {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QDBusMessage signal;
        if (words.size() == 2 && words[0] == QLatin1String("add")) {
            signal = QDBusMessage::createSignal(kRoot + "/Modem/0", kService + ".Modem.Voice",
                                                QStringLiteral("CallAdded"));
            signal << QVariant::fromValue(QDBusObjectPath(kRoot + "/Call/" + words[1]));
        } else if (words.size() == 4 && words[0] == QLatin1String("state")) {
            signal = QDBusMessage::createSignal(kRoot + "/Call/" + words[1], kService + ".Call",
                                                QStringLiteral("StateChanged"));
            signal << words[2].toInt() << words[3].toInt() << 0u;
        } else {
            std::fprintf(stderr, "fake ModemManager: unknown command \"%s\"\n", qPrintable(line));
            return;
        }
        bus.send(signal);
        // A call to the bus after it: once answered, the signal has been routed.
        bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                QStringLiteral("/org/freedesktop/DBus"),
                                                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
        Say("sent");
    };
    QSocketNotifier input(0, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[512];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, int(n));
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            run(QString::fromUtf8(pending.left(end)).trimmed());
            pending.remove(0, end + 1);
        }
    });
    return app.exec();
}
