#include "NotificationLeds.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace dawnbell;

namespace {

struct FakeLed {
    QString name;
    QString maxBrightness; // file content; null = no max_brightness file
};

bool WriteFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

Q_DECLARE_METATYPE(QList<FakeLed>)

// A fake sysfs tree (DAWNBELL_SYSFS) with LED class devices and a fake
// /dev/input (DAWNBELL_DEVINPUT) that holds no real input devices.
class NotificationLedsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_root.reset(new QTemporaryDir);
        QVERIFY(QDir().mkpath(LedDir()));
        QVERIFY(QDir().mkpath(InputDir()));
        qputenv("DAWNBELL_SYSFS", m_root->filePath("sys").toUtf8());
        qputenv("DAWNBELL_DEVINPUT", InputDir().toUtf8());
    }

    void vibratorsAmongLeds_data()
    {
        QTest::addColumn<QList<FakeLed>>("leds");
        QTest::addColumn<QStringList>("vibrators"); // expected, in index order
        QTest::addColumn<QList<QByteArray>>("onValues");

        QTest::newRow("none at all") << QList<FakeLed>{} << QStringList{} << QList<QByteArray>{};
        QTest::newRow("only other leds")
            << QList<FakeLed>{{"green:status", "255"}, {"input3::capslock", "1"}} << QStringList{}
            << QList<QByteArray>{};
        QTest::newRow("one vibrator") << QList<FakeLed>{{"vibrator", "255"}} << QStringList{"vibrator"}
                                      << QList<QByteArray>{"255"};
        QTest::newRow("several, sorted, maximum respected")
            << QList<FakeLed>{{"white:flash", "100"}, {"vibrator", "1"}, {"Main-Vibrator", "4095"},
                              {"green:status", "255"}}
            << QStringList{"Main-Vibrator", "vibrator"} << QList<QByteArray>{"4095", "1"};
        QTest::newRow("odd maximum falls back to 1")
            << QList<FakeLed>{{"a-vibrator", QString()}, {"b-vibrator", "0"}, {"c-vibrator", "lots"},
                              {"d-vibrator", "-5"}}
            << QStringList{"a-vibrator", "b-vibrator", "c-vibrator", "d-vibrator"}
            << QList<QByteArray>{"1", "1", "1", "1"};
    }
    void vibratorsAmongLeds()
    {
        QFETCH(QList<FakeLed>, leds);
        QFETCH(QStringList, vibrators);
        QFETCH(QList<QByteArray>, onValues);
        for (const FakeLed& led : leds) {
            const QString dir = LedDir() + "/" + led.name;
            QVERIFY(QDir().mkpath(dir));
            QVERIFY(WriteFile(dir + "/brightness", "0\n"));
            if (!led.maxBrightness.isNull())
                QVERIFY(WriteFile(dir + "/max_brightness", led.maxBrightness.toUtf8() + "\n"));
        }

        NotificationLeds nleds;
        QCOMPARE(nleds.Count(), vibrators.size());
        for (int i = 0; i < vibrators.size(); ++i)
            QCOMPARE(QString::fromStdString(nleds.Name(i)), vibrators[i]);

        QVERIFY(nleds.SetAll(1));
        for (int i = 0; i < vibrators.size(); ++i)
            QCOMPARE(ReadFile(LedDir() + "/" + vibrators[i] + "/brightness"), onValues[i]);
        // LEDs that are not vibrators are never touched.
        for (const FakeLed& led : leds)
            if (!vibrators.contains(led.name))
                QCOMPARE(ReadFile(LedDir() + "/" + led.name + "/brightness"), QByteArray("0\n"));

        QVERIFY(nleds.SetAll(0));
        for (const QString& v : vibrators)
            QCOMPARE(ReadFile(LedDir() + "/" + v + "/brightness"), QByteArray("0"));
    }

    void setSingleAndBadIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("ok");
        QTest::newRow("first") << 0 << true;
        QTest::newRow("second") << 1 << true;
        QTest::newRow("past the end") << 2 << false;
        QTest::newRow("negative") << -1 << false;
    }
    void setSingleAndBadIndex()
    {
        QFETCH(int, index);
        QFETCH(bool, ok);
        MakeLed("a-vibrator", "7");
        MakeLed("b-vibrator", "9");
        NotificationLeds nleds;
        QCOMPARE(nleds.Set(index, 1), ok);
        QCOMPARE(ReadFile(LedDir() + "/a-vibrator/brightness"), QByteArray(index == 0 ? "7" : "0\n"));
        QCOMPARE(ReadFile(LedDir() + "/b-vibrator/brightness"), QByteArray(index == 1 ? "9" : "0\n"));
    }

    // The devices are found once: a vibrator that appears later is not seen by
    // the same object (a ringing window reads the count once).
    void countIsReadOnce()
    {
        MakeLed("vibrator", "1");
        NotificationLeds nleds;
        QCOMPARE(nleds.Count(), 1);
        MakeLed("second-vibrator", "1");
        QCOMPARE(nleds.Count(), 1);
        NotificationLeds fresh;
        QCOMPARE(fresh.Count(), 2);
    }

    void destructionStopsVibration()
    {
        MakeLed("vibrator", "3");
        {
            NotificationLeds nleds;
            QVERIFY(nleds.Set(0, 1));
            QCOMPARE(ReadFile(LedDir() + "/vibrator/brightness"), QByteArray("3"));
        }
        QCOMPARE(ReadFile(LedDir() + "/vibrator/brightness"), QByteArray("0"));
    }

    void vanishedDeviceFailsQuietly()
    {
        MakeLed("vibrator", "1");
        NotificationLeds nleds;
        QCOMPARE(nleds.Count(), 1);
        QVERIFY(QDir(LedDir() + "/vibrator").removeRecursively());
        QVERIFY(!nleds.Set(0, 1));
        QVERIFY(!nleds.SetAll(0));
    }

    // Entries of /dev/input that are not force-feedback vibrators: plain files,
    // a FIFO (never opened for writing), a folder, /dev/null (a character
    // device that is no input device).
    void inputEntriesThatAreNotVibrators()
    {
        QVERIFY(WriteFile(InputDir() + "/event0", "not a device"));
        QVERIFY(mkfifo(QFile::encodeName(InputDir() + "/event1").constData(), 0600) == 0);
        QVERIFY(QDir().mkpath(InputDir() + "/event2"));
        QVERIFY(symlink("/dev/null", QFile::encodeName(InputDir() + "/event3").constData()) == 0);
        QVERIFY(WriteFile(InputDir() + "/mice", ""));
        NotificationLeds nleds;
        QCOMPARE(nleds.Count(), 0);
        QVERIFY(nleds.SetAll(1));
        QCOMPARE(ReadFile(InputDir() + "/event0"), QByteArray("not a device"));
    }

    void missingRoots()
    {
        qputenv("DAWNBELL_SYSFS", m_root->filePath("nowhere").toUtf8());
        qputenv("DAWNBELL_DEVINPUT", m_root->filePath("nowhere/input").toUtf8());
        NotificationLeds nleds;
        QCOMPARE(nleds.Count(), 0);
        QVERIFY(!nleds.Set(0, 1));
        QVERIFY(nleds.Name(0).empty());
    }

private:
    QString LedDir() const { return m_root->filePath("sys/class/leds"); }
    QString InputDir() const { return m_root->filePath("input"); }
    void MakeLed(const QString& name, const QByteArray& max)
    {
        QDir().mkpath(LedDir() + "/" + name);
        WriteFile(LedDir() + "/" + name + "/brightness", "0\n");
        WriteFile(LedDir() + "/" + name + "/max_brightness", max + "\n");
    }

    std::unique_ptr<QTemporaryDir> m_root;
};

QTEST_GUILESS_MAIN(NotificationLedsTest)
#include "NotificationLedsTest.moc"
