#include "PowerStatus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

namespace {
// One supply: its folder name and attribute files as "name=content" pairs.
struct Supply {
    QString name;
    QStringList attributes;
};
} // namespace

Q_DECLARE_METATYPE(QList<Supply>)

class PowerStatusTest : public QObject {
    Q_OBJECT
private slots:
    void status_data()
    {
        QTest::addColumn<QList<Supply>>("supplies");
        QTest::addColumn<bool>("onMains");
        QTest::addColumn<int>("percent");

        const Supply acOn{"AC", {"type=Mains\n", "online=1\n"}};
        const Supply acOff{"AC", {"type=Mains\n", "online=0\n"}};
        auto battery = [](int capacity) {
            return Supply{"BAT0", {"type=Battery\n", QStringLiteral("capacity=%1\n").arg(capacity)}};
        };

        QTest::newRow("no supply at all") << QList<Supply>{} << true << -1;
        QTest::newRow("mains online, battery 14") << QList<Supply>{acOn, battery(14)} << true << 14;
        QTest::newRow("battery 14") << QList<Supply>{acOff, battery(14)} << false << 14;
        QTest::newRow("battery 35") << QList<Supply>{acOff, battery(35)} << false << 35;
        QTest::newRow("battery 100") << QList<Supply>{battery(100)} << false << 100;
        QTest::newRow("battery 0") << QList<Supply>{battery(0)} << false << 0;
        QTest::newRow("capacity above 100 is full") << QList<Supply>{battery(104)} << false << 100;
        QTest::newRow("mains only (desktop)") << QList<Supply>{acOff} << true << -1;
        QTest::newRow("usb charger online")
            << QList<Supply>{{"usb", {"type=USB", "online=1"}}, battery(60)} << true << 60;
        QTest::newRow("usb-c variant online")
            << QList<Supply>{{"ucsi-source-psy-1", {"type=USB_C\n", "online=1\n"}}, battery(60)} << true << 60;
        QTest::newRow("usb cable offline")
            << QList<Supply>{{"usb", {"type=USB\n", "online=0\n"}}, battery(60)} << false << 60;
        QTest::newRow("wireless charger")
            << QList<Supply>{{"wlc", {"type=Wireless\n", "online=1\n"}}, battery(80)} << true << 80;
        QTest::newRow("mouse battery is not the device's")
            << QList<Supply>{{"hidpp_battery_0", {"type=Battery\n", "scope=Device\n", "capacity=5\n"}}, battery(77)}
            << false << 77;
        QTest::newRow("only a mouse battery")
            << QList<Supply>{{"hidpp_battery_0", {"type=Battery\n", "scope=Device\n", "capacity=5\n"}}} << true
            << -1;
        QTest::newRow("absent battery slot")
            << QList<Supply>{{"BAT0", {"type=Battery\n", "present=0\n", "capacity=0\n"}}, {"BAT1", {"type=Battery\n", "capacity=41\n"}}}
            << false << 41;
        QTest::newRow("charge counters")
            << QList<Supply>{{"battery", {"type=Battery\n", "charge_now=1500000\n", "charge_full=3000000\n"}}}
            << false << 50;
        QTest::newRow("energy counters")
            << QList<Supply>{{"battery", {"type=Battery\n", "energy_now=33\n", "energy_full=100\n"}}} << false << 33;
        QTest::newRow("battery without any charge figure")
            << QList<Supply>{{"battery", {"type=Battery\n", "capacity=unknown\n"}}} << true << -1;
        QTest::newRow("zero full charge")
            << QList<Supply>{{"battery", {"type=Battery\n", "charge_now=5\n", "charge_full=0\n"}}} << true << -1;
        QTest::newRow("garbage type and online")
            << QList<Supply>{{"x", {"type=Mainsfoo\n", "online=1\n"}}, {"AC", {"type=Mains\n", "online=yes\n"}},
                             battery(22)}
            << false << 22;
        QTest::newRow("first battery by name wins") << QList<Supply>{{"BAT1", {"type=Battery", "capacity=90"}},
                                                                     {"BAT0", {"type=Battery", "capacity=30"}}}
                                                    << false << 30;
    }
    void status()
    {
        QFETCH(QList<Supply>, supplies);
        QFETCH(bool, onMains);
        QFETCH(int, percent);
        QTemporaryDir root;
        const QString base = root.filePath("class/power_supply");
        QVERIFY(QDir().mkpath(base));
        for (const Supply& s : supplies) {
            QVERIFY(QDir().mkpath(base + "/" + s.name));
            for (const QString& a : s.attributes) {
                QFile f(base + "/" + s.name + "/" + a.section('=', 0, 0));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(a.section('=', 1).toUtf8());
            }
        }
        qputenv("DAWNBELL_SYSFS", root.path().toUtf8());
        const PowerStatus st = ReadPowerStatus();
        QCOMPARE(st.onMains, onMains);
        QCOMPARE(st.batteryPercent, percent);
    }

    void missingSysfs()
    {
        qputenv("DAWNBELL_SYSFS", "/nonexistent/dawnbell-sysfs");
        const PowerStatus st = ReadPowerStatus();
        QVERIFY(st.onMains);
        QCOMPARE(st.batteryPercent, -1);
    }

    void parseNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qlonglong>("value");
        QTest::newRow("plain") << QByteArray("42") << true << 42LL;
        QTest::newRow("newline") << QByteArray("42\n") << true << 42LL;
        QTest::newRow("negative") << QByteArray("-7\n") << true << -7LL;
        QTest::newRow("plus") << QByteArray("+7") << true << 7LL;
        QTest::newRow("empty") << QByteArray("") << false << 0LL;
        QTest::newRow("only sign") << QByteArray("-\n") << false << 0LL;
        QTest::newRow("word") << QByteArray("Full\n") << false << 0LL;
        QTest::newRow("trailing junk") << QByteArray("12ab") << false << 0LL;
        QTest::newRow("inner space") << QByteArray("1 2") << false << 0LL;
        QTest::newRow("huge") << QByteArray("99999999999999999999999") << false << 0LL;
        QTest::newRow("embedded zero") << QByteArray("5\0" "9", 3) << false << 0LL;
    }
    void parseNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(qlonglong, value);
        long long v = 0;
        QCOMPARE(ParseSysfsNumber(std::string_view(text.constData(), size_t(text.size())), &v), ok);
        if (ok)
            QCOMPARE(v, value);
    }
};

QTEST_GUILESS_MAIN(PowerStatusTest)
#include "PowerStatusTest.moc"
