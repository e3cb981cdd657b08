// What the notification service's probes read from the system: the texts and
// records as the kernel, the service's log and the sound server write them (the
// capability records are the bytes `setcap` wrote on a real file), each read
// into the answer a user is told.
#include "ServiceProbe.h"

#include <QtTest>

using namespace dawnbell::notify;

class ServiceProbeTest : public QObject {
    Q_OBJECT
private slots:
    void readsWhatTheSystemTells_data()
    {
        QTest::addColumn<QString>("reader");   // which text or record it is
        QTest::addColumn<QByteArray>("input"); // as the system gives it (a capability record in hex)
        QTest::addColumn<QString>("answer");   // what it is read as

        const QByteArray unified = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/dawnbell-notifyd.service\n";
        QTest::newRow("the service's process in its systemd unit") << "cgroup" << unified << "dawnbell-notifyd.service";
        QTest::newRow("a process of a login session") << "cgroup"
            << QByteArray("0::/user.slice/user-1000.slice/session-3.scope\n") << "";
        QTest::newRow("a process a desktop started in an application scope") << "cgroup"
            << QByteArray("0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-dawnbell-4711.scope\n")
            << "";
        QTest::newRow("the hybrid hierarchy: the unified line names the unit") << "cgroup"
            << QByteArray("12:pids:/user.slice/user-1000.slice/user@1000.service\n"
                          "1:name=systemd:/user.slice/user-1000.slice/user@1000.service/init.scope\n") + unified
            << "dawnbell-notifyd.service";
        QTest::newRow("a control character in the last name is no unit") << "cgroup"
            << QByteArray("0::/us/ice\022dawnbell\015notifyd.service\n") << "";

        QTest::newRow("setcap cap_wake_alarm+ep") << "capability"
            << QByteArray("0100000200000000000000000800000000000000") << "granted";
        QTest::newRow("setcap cap_wake_alarm+p: permitted, not effective") << "capability"
            << QByteArray("0000000200000000000000000800000000000000") << "missing";
        QTest::newRow("setcap cap_net_raw+ep: another capability only") << "capability"
            << QByteArray("0100000200200000000000000000000000000000") << "missing";
        QTest::newRow("setcap cap_wake_alarm,cap_net_raw+ep") << "capability"
            << QByteArray("0100000200200000000000000800000000000000") << "granted";
        QTest::newRow("a record of a user namespace (revision 3, root id 1000)") << "capability"
            << QByteArray("0100000300000000000000000800000000000000e8030000") << "granted";
        QTest::newRow("revision 1 holds capabilities 0-31 only") << "capability"
            << QByteArray("010000010020000000000000") << "missing";
        QTest::newRow("a cut record") << "capability" << QByteArray("01000002000000000000") << "unknown";
        QTest::newRow("a record of an unknown revision") << "capability"
            << QByteArray("0100000900000000000000000800000000000000") << "unknown";

        QTest::newRow("the clock of the service's last start") << "log"
            << QByteArray("2031-03-06 22:10:00.125 +0100 timer on CLOCK_REALTIME_ALARM: alarms wake a suspended device\n"
                          "2031-03-06 22:10:00.130 +0100 next start at 2031-03-07 06:45:00 (CLOCK_REALTIME_ALARM)\n"
                          "2031-03-07 08:59:59.500 +0100 timer on CLOCK_REALTIME: alarms will not wake a suspended "
                          "device (CLOCK_REALTIME_ALARM: Operation not permitted; setcap cap_wake_alarm+ep on the "
                          "binary)\n")
            << "CLOCK_REALTIME at 2031-03-07 08:59:59.500 +0100";
        QTest::newRow("the words inside another line are not a start") << "log"
            << QByteArray("2031-03-06 22:10:00.125 +0100 timer on CLOCK_BOOTTIME: a clock of an older service\n"
                          "2031-03-07 09:00:00.000 +0100 notification 4 due 2031-03-07 09:00:00: started "
                          "/opt/x [timer on CLOCK_REALTIME] (process 12)\n"
                          "  timer on CLOCK_TAI: a continuation line\n")
            << "CLOCK_BOOTTIME at 2031-03-06 22:10:00.125 +0100";
        QTest::newRow("a stamp of the right shape but not of digits is no start") << "log"
            << QByteArray("\n\n31-0\0\0\0f 08:59:59.500 +0200 timer on CLOCK_REALTIME\n", 54) << "";
        QTest::newRow("no start logged") << "log" << QByteArray("2031-03-06 22:10:00.125 +0100 serving /x\n") << "";

        QTest::newRow("a sound server with its default output") << "pactl"
            << QByteArray("{\"server_string\":\"unix:/run/user/1000/pulse/native\",\"server_name\":\"pulseaudio\","
                          "\"server_version\":\"16.1\",\"default_sink_name\":\"alsa_output.pci-0000_00_1f.3."
                          "analog-stereo\",\"default_source_name\":\"alsa_input\"}")
            << "server: pulseaudio 16.1, default output alsa_output.pci-0000_00_1f.3.analog-stereo";
        QTest::newRow("a sound server without an output") << "pactl"
            << QByteArray("{\"server_name\":\"PulseAudio (on PipeWire 0.3.65)\",\"server_version\":\"15.0.0\","
                          "\"default_sink_name\":\"\",\"default_source_name\":\"\"}")
            << "none";
        QTest::newRow("a cut answer") << "pactl" << QByteArray("{\"server_name\":\"pulseaudio\",\"default_sink_name\":\"al")
                                      << "none";

        QTest::newRow("two cards: the first") << "cards"
            << QByteArray(" 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
                          "                      HDA Intel PCH at 0xf7f10000 irq 31\n"
                          " 1 [NVidia         ]: HDA-Intel - HDA NVidia\n"
                          "                      HDA NVidia at 0xf7080000 irq 17\n")
            << "card: card 0: PCH (HDA Intel PCH)";
        QTest::newRow("no card") << "cards" << QByteArray("--- no soundcards ---\n") << "none";
    }
    void readsWhatTheSystemTells()
    {
        QFETCH(QString, reader);
        QFETCH(QByteArray, input);
        QFETCH(QString, answer);
        const std::string text = input.toStdString();
        QString read;
        if (reader == "cgroup") {
            read = QString::fromStdString(UnitOfCgroup(text));
        } else if (reader == "capability") {
            const QByteArray record = QByteArray::fromHex(input);
            const WakeCapability cap =
                WakeCapabilityOfRecord(reinterpret_cast<const unsigned char*>(record.constData()), record.size());
            read = cap.state == WakeCapability::Granted ? "granted"
                : cap.state == WakeCapability::Missing  ? "missing"
                                                        : "unknown";
            QCOMPARE(cap.detail.empty(), cap.state != WakeCapability::Unknown);
        } else if (reader == "log") {
            const ArmedClock armed = LastArmedClockIn(text);
            read = armed.clock.empty() ? QString() : QString::fromStdString(armed.clock + " at " + armed.when);
        } else {
            const SoundOutput out = reader == "pactl" ? SoundServerOf(text) : FirstSoundCardIn(text);
            read = out.kind == SoundOutput::SoundServer ? "server: " + QString::fromStdString(out.name)
                : out.kind == SoundOutput::AlsaCard     ? "card: " + QString::fromStdString(out.name)
                                                        : "none";
        }
        QCOMPARE(read, answer);
    }
};

QTEST_GUILESS_MAIN(ServiceProbeTest)
#include "ServiceProbeTest.moc"
