// The copy of an alarm's section kept while it is being edited, and what the
// next start does with a copy an edit cut short left behind, on the real
// registry and notification store.
#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmStore.h"
#include "EditBackup.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "Scheduler.h"
#include "TempHome.h"
#include "TestEnv.h"

#include <QtTest>

#include <csignal>

using namespace dawnbell;

namespace {

const QString kProgram = QStringLiteral("/opt/dawnbell/bin/dawnbell");

std::string KeyPath(const QString& name)
{
    return (Profile::RootPath() + QLatin1Char('\\') + name).toStdString();
}

// The values of a key, in order, as "name type hex-bytes"; empty when it does not exist.
QStringList Raw(const std::string& path)
{
    RegKey key;
    QStringList out;
    if (RegKey::Open(Hive::CurrentUser, path, &key) != RegOk)
        return out;
    RegValue v;
    for (uint32_t i = 0; key.EnumValue(i, &v) == RegOk; ++i)
        out << QString::fromStdString(v.name) + ' ' + QString::number(int(v.type)) + ' ' +
                   QByteArray(reinterpret_cast<const char*>(v.data.data()), int(v.data.size())).toHex();
    return out;
}

// Writes `values` (from Raw) as the key `path`.
void WriteRaw(const std::string& path, const QStringList& values)
{
    RegKey key;
    QCOMPARE(RegKey::Create(Hive::CurrentUser, path, &key), RegOk);
    for (const QString& line : values) {
        const QStringList f = line.split(' ');
        const QByteArray bytes = QByteArray::fromHex(f.value(2).toLatin1());
        QCOMPARE(key.SetValue(f[0].toStdString(), RegType(f[1].toUInt()), bytes.constData(), size_t(bytes.size())), RegOk);
    }
}

// The arguments of the program's notifications, in start order.
QStringList NotifiedKeys()
{
    std::vector<notify::NotifyRecord> list;
    notify::NotifyList(&list);
    QStringList out;
    for (const notify::NotifyRecord& r : list)
        out << QString::fromStdString(r.trigger.arguments);
    return out;
}

} // namespace

class EditBackupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::UseFixedZoneAndLocale(); }
    void init()
    {
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("DAWNBELL_AUTO_ANSWER", "ok");
        Scheduler::SetProgramPathForTesting(kProgram);
    }
    void cleanup()
    {
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
        Scheduler::SetProgramPathForTesting(QString());
    }

    // An active daily alarm is taken out of the store for an edit that never
    // ends (the process is gone: its copy is left behind). The next start puts
    // it back exactly as stored and schedules it, unless its key is stored
    // again by then or the copy is not an alarm's.
    void restoreLeftOver_data()
    {
        QTest::addColumn<QString>("copyWriter"); // "" = as the withdrawing edit wrote it
        QTest::addColumn<QString>("copyName");   // "" = the alarm's key
        QTest::addColumn<bool>("storedSince");   // another section of that key was stored meanwhile
        QTest::addColumn<bool>("putBack");
        QTest::newRow("an edit cut short: put back and scheduled") << "" << "" << false << true;
        QTest::newRow("stored again since: the stored one is kept") << "" << "" << true << false;
        QTest::newRow("a writer that is no process number has ended") << "x1" << "" << false << true;
        QTest::newRow("a copy that is not an alarm is dropped") << "77" << "Tmine" << false << false;
        QTest::newRow("a copy named settings is dropped") << "77" << "Settings" << false << false;
    }
    void restoreLeftOver()
    {
        QFETCH(QString, copyWriter);
        QFETCH(QString, copyName);
        QFETCH(bool, storedSince);
        QFETCH(bool, putBack);

        Alarm alarm;
        test::FillNonDefault(&alarm);
        alarm.alarmTime = clock::MakeLocal(2031, 3, 8, 6, 40, 0);
        alarm.repeatDays = 127;
        alarm.activated = 1;
        alarm.Save();
        const QString key = alarm.GetKey();
        Scheduler::ReRegisterAll();
        QCOMPARE(NotifiedKeys(), QStringList{key});
        const QStringList stored = Raw(KeyPath(key));
        QVERIFY(stored.size() > 40);

        {
            EditBackup backup(key);
            QVERIFY(backup.Withdraw([&alarm] {
                AlarmChanges::Instance().Withdraw(&alarm);
            }));
            // Out of the store and the schedule; only the copy holds it now.
            QVERIFY(Raw(KeyPath(key)).isEmpty());
            QVERIFY(NotifiedKeys().isEmpty());
            QCOMPARE(EditBackup::PendingKeys(), QStringList{key});
        } // the process ends without finishing the edit
        QCOMPARE(EditBackup::PendingKeys(), QStringList{key});

        const QString name = copyName.isEmpty() ? key : copyName;
        if (!copyWriter.isEmpty()) {
            // The same copy, as another process would have left it.
            RegDeleteTree(Hive::CurrentUser, KeyPath(EditBackup::kSection));
            WriteRaw(KeyPath(QStringLiteral("editing\\%1\\%2").arg(copyWriter, name)), stored);
            QCOMPARE(EditBackup::PendingKeys(), QStringList{name});
        }
        QStringList since;
        if (storedSince) {
            Alarm other;
            other.alarmTime = alarm.alarmTime;
            other.repeatDays = alarm.repeatDays;
            other.type = AlarmCompact;
            other.title = QStringLiteral("stored since");
            other.activated = 0;
            other.Save();
            QCOMPARE(other.GetKey(), key);
            since = Raw(KeyPath(key));
        }

        RegCloseStore(); // as a new process sees the store
        QCOMPARE(EditBackup::RestoreLeftOver(), putBack ? QStringList{key} : QStringList{});
        QCOMPARE(Raw(KeyPath(key)), putBack ? stored : since);
        QVERIFY(Raw(KeyPath(name)).isEmpty() || name == key);
        QCOMPARE(NotifiedKeys(), putBack ? QStringList{key} : QStringList{});
        // No copy is left, and no trace of the copies' section.
        QVERIFY(EditBackup::PendingKeys().isEmpty());
        RegKey editing;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, KeyPath(EditBackup::kSection), &editing), RegNotFound);
        // The loader sees the alarm again (or the one stored since), nothing else.
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        QCOMPARE(int(alarms.size()), putBack || storedSince ? 1 : 0);
        QVERIFY(templates.empty());
        if (putBack) {
            alarm.activated = 1; // as stored; the edit had switched it off in memory
            QCOMPARE(test::FirstDifference(*alarms[0], alarm), QString());
        }
    }

    // While the copy is kept, the loader and the schedule never take it for an
    // alarm; finishing the edit (saved under the new key) or writing the
    // section back drops it in the same step.
    void finishAndRestoreDropTheCopy_data()
    {
        QTest::addColumn<bool>("finish");
        QTest::newRow("saved under its new key") << true;
        QTest::newRow("written back as stored") << false;
    }
    void finishAndRestoreDropTheCopy()
    {
        QFETCH(bool, finish);
        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.alarmTime = clock::MakeLocal(2031, 3, 8, 7, 5, 0);
        alarm.repeatDays = 31;
        alarm.title = QStringLiteral("weekdays");
        alarm.Save();
        const QString oldKey = alarm.GetKey();
        Scheduler::ReRegisterAll();
        const QStringList stored = Raw(KeyPath(oldKey));

        EditBackup backup(oldKey);
        QVERIFY(backup.Withdraw([&alarm] {
            AlarmChanges::Instance().Withdraw(&alarm);
        }));
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        QVERIFY(alarms.empty());
        QVERIFY(templates.empty());
        Scheduler::ReRegisterAll();
        QVERIFY(NotifiedKeys().isEmpty());

        alarm.alarmTime = clock::MakeLocal(2031, 3, 8, 7, 20, 0);
        const QString newKey = alarm.GetKey();
        if (finish) {
            QVERIFY(backup.Finish([&alarm] {
                AlarmChanges::Instance().Activate(&alarm);
            }));
        } else {
            backup.Restore();
            QVERIFY(backup.restored());
            QVERIFY(!backup.Finish([&alarm] { alarm.Save(); })); // nothing more is stored
        }
        QCOMPARE(NotifiedKeys(), QStringList{finish ? newKey : oldKey});
        QCOMPARE(Raw(KeyPath(oldKey)), finish ? QStringList{} : stored);
        QCOMPARE(Raw(KeyPath(newKey)).isEmpty(), !finish);
        QVERIFY(EditBackup::PendingKeys().isEmpty());
        RegCloseStore();
        QVERIFY(EditBackup::RestoreLeftOver().isEmpty());
        QCOMPARE(Raw(KeyPath(oldKey)), finish ? QStringList{} : stored);
    }

private:
    test::TempHome m_home;
};

QTEST_GUILESS_MAIN(EditBackupTest)
#include "EditBackupTest.moc"
