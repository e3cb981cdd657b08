// The device volume against a real sound server the test starts (PulseAudio
// with a null sink, on a private runtime folder): the factory picks the
// server's default output, and forcing a volume saves the output's volume and
// mute, makes it heard, and gives back exactly what was found.
#include "DeviceVolume.h"
#include "ForcedDeviceVolume.h"
#include "TempHome.h"
#include "TestServers.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

class DeviceVolumeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qunsetenv("DAWNBELL_AUDIO_VIRTUAL");
        QVERIFY(folder_.isValid());
        const QString why = server_.Start(folder_.path());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        qputenv("PULSE_SERVER", server_.address().toUtf8());
    }
    void init() { home_.Renew(); }
    void cleanup()
    {
        qunsetenv("DAWNBELL_AUDIO_VIRTUAL");
        home_.Close();
    }

    void factoryPicksTheSoundServer()
    {
        QCOMPARE(QString::fromStdString(OpenDeviceVolume()->Kind()), QStringLiteral("pulse"));
        QVERIFY(QString::fromStdString(OpenDeviceVolume()->Name()).contains(SoundServerKind()));
        qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
        QCOMPARE(QString::fromStdString(OpenDeviceVolume()->Kind()), QStringLiteral("virtual"));
    }

    void forcedAndGivenBack_data()
    {
        QTest::addColumn<QString>("volume"); // pactl set-sink-volume argument(s)
        QTest::addColumn<bool>("muted");
        QTest::addColumn<int>("forced");     // 0-65535
        QTest::addColumn<QString>("found");  // the sink as found, and as given back
        QTest::addColumn<QString>("during"); // the sink while forced
        QTest::newRow("muted at 20 %, forced to half") << "13107" << true << 32767 << "13107,13107 muted"
                                                        << "32767,32767 playing";
        QTest::newRow("quiet and playing, forced to full") << "3000" << false << 65535 << "3000,3000 playing"
                                                            << "65536,65536 playing";
        QTest::newRow("left louder than right keeps its balance")
            << "30000 10000" << false << 6553 << "30000,10000 playing" << "6553,6553 playing";
        QTest::newRow("above full is given back above full") << "80000" << true << 0 << "80000,80000 muted"
                                                              << "0,0 playing";
    }
    void forcedAndGivenBack()
    {
        QFETCH(QString, volume);
        QFETCH(bool, muted);
        QFETCH(int, forced);
        QFETCH(QString, found);
        QFETCH(QString, during);
        QStringList args{QStringLiteral("set-sink-volume"), test::SoundServer::kSink};
        args << volume.split(QLatin1Char(' '));
        QVERIFY(server_.Pactl(args));
        QVERIFY(server_.Pactl({QStringLiteral("set-sink-mute"), test::SoundServer::kSink, muted ? QStringLiteral("1") : QStringLiteral("0")}));
        QCOMPARE(server_.Sink(), found);

        ForcedDeviceVolume hold;
        QVERIFY(hold.Save());
        QCOMPARE(QString::fromStdString(hold.kind()), QStringLiteral("pulse"));
        QCOMPARE(hold.level().muted, muted ? 1 : 0);
        QVERIFY(ForcedDeviceVolume::Force(uint32_t(forced)));
        QCOMPARE(server_.Sink(), during);
        QVERIFY(hold.Save()); // a second save keeps the first reading
        QVERIFY(hold.GiveBack());
        QCOMPARE(server_.Sink(), found);
        QVERIFY(!hold.saved());
    }

    // A state read from the server is not given to another kind of device
    // (here the registry-kept one), and that device is left as it was.
    void notGivenToAnotherKindOfDevice()
    {
        ForcedDeviceVolume hold;
        QVERIFY(hold.Save());
        qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
        DeviceLevel before;
        QVERIFY(OpenDeviceVolume()->Read(&before));
        QVERIFY(!hold.GiveBack());
        DeviceLevel after;
        QVERIFY(OpenDeviceVolume()->Read(&after));
        QCOMPARE(after.volume, before.volume);
    }

private:
    // What the output's description names: the server's default sink.
    static QString SoundServerKind() { return QString::fromLatin1(test::SoundServer::kSink); }

    QTemporaryDir folder_;
    test::SoundServer server_;
    test::TempHome home_;
};

QTEST_GUILESS_MAIN(DeviceVolumeTest)
#include "DeviceVolumeTest.moc"
