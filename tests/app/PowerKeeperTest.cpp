#include "NamedEvent.h"
#include "TempHome.h"
#include "PowerKeeper.h"
#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace dawnbell;

namespace {

const char* const kTimeoutsKey = "System\\CurrentControlSet\\Control\\Power\\Timeouts";
const char* const kKeyLockKey = "System\\KeyTouch";
const char* const kReload = "PowerManager/ReloadActivityTimeouts";
const char* const kKeyLockNames[3] = {"AutoKey", "OnCallToday", "OnIncoming"};

// A DWORD under HKLM, or -1 when the key or value is missing or not a DWORD.
qint64 ReadValue(const char* key, const char* name)
{
    RegKey k;
    uint32_t v = 0;
    if (RegKey::Open(Hive::LocalMachine, key, &k) != RegOk || !k.ReadDword(name, &v))
        return -1;
    return v;
}

void WriteValue(const char* key, const char* name, qint64 value)
{
    RegKey k;
    QCOMPARE(RegKey::Create(Hive::LocalMachine, key, &k), RegOk);
    if (value >= 0)
        QCOMPARE(k.WriteDword(name, uint32_t(value)), RegOk);
}

// The five values in a fixed order: AC, battery, AutoKey, OnCallToday, OnIncoming.
QList<qint64> Values()
{
    return {ReadValue(kTimeoutsKey, "ACSuspendTimeout"), ReadValue(kTimeoutsKey, "BattSuspendTimeout"),
            ReadValue(kKeyLockKey, kKeyLockNames[0]), ReadValue(kKeyLockKey, kKeyLockNames[1]),
            ReadValue(kKeyLockKey, kKeyLockNames[2])};
}

// Records the calls made on the real power services and passes them on.
class RecordingPowerControl : public PowerControl {
public:
    explicit RecordingPowerControl(QStringList* log) : log_(log), real_(CreateSystemPowerControl()) {}
    void SetUnattended(bool on) override
    {
        *log_ << QStringLiteral("unattended %1").arg(on);
        real_->SetUnattended(on);
    }
    void SetBacklight(BacklightState state) override
    {
        static const char* kNames[] = {"on", "off", "system"};
        *log_ << QStringLiteral("backlight %1").arg(QLatin1String(kNames[int(state)]));
        real_->SetBacklight(state);
    }
    void SetKeepAwake(bool on) override
    {
        *log_ << QStringLiteral("awake %1").arg(on);
        real_->SetKeepAwake(on);
    }
    void ResetIdleTimer() override
    {
        *log_ << QStringLiteral("idle reset");
        real_->ResetIdleTimer();
    }

private:
    QStringList* log_;
    std::unique_ptr<PowerControl> real_;
};

} // namespace

class PowerKeeperTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // No bus: the inhibitors must be skipped without delay or harm.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/dawnbell-test-bus");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/dawnbell-test-bus");
    }

    void init()
    {
        RegCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        qputenv("DAWNBELL_SYSFS", (m_home.path() + QStringLiteral("/sys")).toUtf8());
        NamedEvent event;
        QCOMPARE(NamedEvent::Create(kReload, false, false, &event), EventOk);
    }
    void cleanup() { RegCloseStore(); }

    void engageAndRelease_data()
    {
        QTest::addColumn<QList<qint64>>("before");  // -1: value missing
        QTest::addColumn<bool>("keyLockKey");       // HKLM\System\KeyTouch exists
        QTest::addColumn<QList<qint64>>("after");
        QTest::newRow("time-outs 60 and 120") << QList<qint64>{60, 120, 1, 0, 1} << true
                                              << QList<qint64>{60, 120, 1, 0, 1};
        QTest::newRow("unreadable time-outs come back as 180 and 300")
            << QList<qint64>{-1, -1, 5, 6, 7} << true << QList<qint64>{180, 300, 5, 6, 7};
        QTest::newRow("missing key-lock values come back as 0")
            << QList<qint64>{60, 120, -1, 2, -1} << true << QList<qint64>{60, 120, 0, 2, 0};
        QTest::newRow("no key-lock key: left alone") << QList<qint64>{600, 0, -1, -1, -1} << false
                                                     << QList<qint64>{600, 0, -1, -1, -1};
    }
    void engageAndRelease()
    {
        QFETCH(QList<qint64>, before);
        QFETCH(bool, keyLockKey);
        QFETCH(QList<qint64>, after);
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", before[0]);
        WriteValue(kTimeoutsKey, "BattSuspendTimeout", before[1]);
        if (keyLockKey) {
            for (int i = 0; i < 3; ++i)
                WriteValue(kKeyLockKey, kKeyLockNames[i], before[2 + i]);
        }
        PowerKeeper keeper;
        QVERIFY(keeper.Engage(true));
        QVERIFY(keeper.engaged());
        const QList<qint64> engaged = keyLockKey ? QList<qint64>{0, 0, 0, 0, 0} : QList<qint64>{0, 0, -1, -1, -1};
        QCOMPARE(Values(), engaged);
        QCOMPARE(NamedEvent::SetCount(kReload), uint64_t(1));
        QVERIFY(keeper.Engage(false));
        QVERIFY(!keeper.engaged());
        QVERIFY(!keeper.saved());
        QCOMPARE(Values(), after);
        QCOMPARE(NamedEvent::SetCount(kReload), uint64_t(2));
    }

    // Engaging twice must not take the zeros of the first engagement for the
    // values to restore.
    void engageTwiceRestoresTheOriginals()
    {
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", 60);
        WriteValue(kTimeoutsKey, "BattSuspendTimeout", 120);
        PowerKeeper keeper;
        QVERIFY(keeper.Engage(true));
        QVERIFY(keeper.Engage(true));
        QVERIFY(keeper.Engage(false));
        QCOMPARE(ReadValue(kTimeoutsKey, "ACSuspendTimeout"), 60);
        QCOMPARE(ReadValue(kTimeoutsKey, "BattSuspendTimeout"), 120);
        QCOMPARE(NamedEvent::SetCount(kReload), uint64_t(3));
        // A later engagement saves afresh.
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", 30);
        QVERIFY(keeper.Engage(true));
        QVERIFY(keeper.Engage(false));
        QCOMPARE(ReadValue(kTimeoutsKey, "ACSuspendTimeout"), 30);
    }

    void releaseWithoutEngageWritesNothing()
    {
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", -1); // the key exists, its values do not
        PowerKeeper keeper;
        QVERIFY(keeper.Engage(false));
        QCOMPARE(Values(), (QList<qint64>{-1, -1, -1, -1, -1}));
        QCOMPARE(NamedEvent::SetCount(kReload), uint64_t(1));
    }

    void missingTimeoutsKeyFails()
    {
        WriteValue(kKeyLockKey, "AutoKey", 1);
        PowerKeeper keeper;
        QVERIFY(!keeper.Engage(true));
        QVERIFY(!keeper.engaged());
        QVERIFY(!keeper.Engage(false));
        QCOMPARE(Values(), (QList<qint64>{-1, -1, 1, -1, -1}));
        QCOMPARE(NamedEvent::SetCount(kReload), uint64_t(0));
    }

    // Without the power manager's event nothing is signalled and nothing created.
    void missingEventIsNotCreated()
    {
        QCOMPARE(NamedEvent::Remove(kReload), EventOk);
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", 60);
        PowerKeeper keeper;
        QVERIFY(keeper.Engage(true));
        QVERIFY(keeper.Engage(false));
        NamedEvent event;
        QCOMPARE(NamedEvent::Open(kReload, &event), EventNotFound);
    }

    void destructionRestoresLikeRelease_data()
    {
        QTest::addColumn<bool>("explicitRelease");
        QTest::newRow("Engage(false)") << true;
        QTest::newRow("destruction") << false;
    }
    void destructionRestoresLikeRelease()
    {
        QFETCH(bool, explicitRelease);
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", 60);
        WriteValue(kTimeoutsKey, "BattSuspendTimeout", 120);
        WriteValue(kKeyLockKey, "AutoKey", 1);
        WriteValue(kKeyLockKey, "OnCallToday", 1);
        WriteValue(kKeyLockKey, "OnIncoming", 1);
        {
            PowerKeeper keeper;
            QVERIFY(keeper.Engage(true));
            if (explicitRelease)
                QVERIFY(keeper.Engage(false));
        }
        QCOMPARE(Values(), (QList<qint64>{60, 120, 1, 1, 1}));
        QCOMPARE(NamedEvent::SetCount(kReload), uint64_t(2));
    }

    void platformCalls()
    {
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", 60);
        QStringList log;
        {
            PowerKeeper keeper(std::make_unique<RecordingPowerControl>(&log));
            QCOMPARE(log, QStringList{"unattended 1"});
            log.clear();
            QVERIFY(keeper.Engage(true));
            QVERIFY(log.contains("backlight on"));
            QVERIFY(log.contains("awake 1"));
            log.clear();
            QVERIFY(keeper.Engage(false));
            QVERIFY(log.contains("backlight system"));
            QVERIFY(log.contains("awake 0"));
            QCOMPARE(log.last(), QStringLiteral("idle reset"));
            log.clear();
            QVERIFY(keeper.Engage(false)); // nothing saved: no platform effects
            QVERIFY(log.isEmpty());
            keeper.SetBacklight(true);
            QCOMPARE(log, QStringList{"backlight off"});
            log.clear();
        }
        QVERIFY(log.contains("unattended 0"));
        QVERIFY(log.contains("backlight system"));
        QVERIFY(!log.contains("idle reset"));
    }

    // A backlight device in a fake sysfs tree sees D0, D3 and the give-back.
    void backlight_data()
    {
        QTest::addColumn<int>("blPower");
        QTest::addColumn<int>("brightness");
        QTest::newRow("on, dimmed") << 0 << 37;
        QTest::newRow("off") << 4 << 10;
    }
    void backlight()
    {
        QFETCH(int, blPower);
        QFETCH(int, brightness);
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", 60);
        const QString dev = MakeBacklight("panel0", blPower, brightness, 255);
        const QString second = MakeBacklight("panel1", 0, 3, 7);
        {
            PowerKeeper keeper;
            keeper.SetBacklight(true); // D3
            QCOMPARE(Attr(dev, "bl_power"), 4);
            QCOMPARE(Attr(dev, "brightness"), brightness);
            QVERIFY(keeper.Engage(true)); // D0: full on
            QCOMPARE(Attr(dev, "bl_power"), 0);
            QCOMPARE(Attr(dev, "brightness"), 255);
            QCOMPARE(Attr(second, "brightness"), 7);
            QVERIFY(keeper.Engage(false)); // give back: the values from before the first forced state
            QCOMPARE(Attr(dev, "bl_power"), blPower);
            QCOMPARE(Attr(dev, "brightness"), brightness);
            QCOMPARE(Attr(second, "brightness"), 3);
            keeper.SetBacklight(false);
            QCOMPARE(Attr(dev, "brightness"), 255);
        }
        // Destruction gives the backlight back even when not engaged.
        QCOMPARE(Attr(dev, "bl_power"), blPower);
        QCOMPARE(Attr(dev, "brightness"), brightness);
    }

    void noBacklightDevice()
    {
        WriteValue(kTimeoutsKey, "ACSuspendTimeout", 60);
        PowerKeeper keeper;
        keeper.SetBacklight(true);
        QVERIFY(keeper.Engage(true));
        QVERIFY(keeper.Engage(false));
        QCOMPARE(ReadValue(kTimeoutsKey, "ACSuspendTimeout"), 60);
    }

private:
    QString MakeBacklight(const QString& name, int blPower, int brightness, int max)
    {
        const QString dir = m_home.path() + QStringLiteral("/sys/class/backlight/") + name;
        QDir().mkpath(dir);
        WriteAttr(dir, "bl_power", blPower);
        WriteAttr(dir, "brightness", brightness);
        WriteAttr(dir, "max_brightness", max);
        return dir;
    }
    static void WriteAttr(const QString& dir, const char* name, int value)
    {
        QFile f(dir + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray::number(value) + '\n');
    }
    static int Attr(const QString& dir, const char* name)
    {
        QFile f(dir + QLatin1Char('/') + QLatin1String(name));
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        bool ok = false;
        const int v = f.readAll().trimmed().toInt(&ok);
        return ok ? v : -2;
    }

    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test
};

QTEST_GUILESS_MAIN(PowerKeeperTest)
#include "PowerKeeperTest.moc"
