// A ringing window and ModemManager's incoming calls, over a real message bus
// the test starts (a private dbus-daemon standing in for the system bus) with a
// scripted ModemManager on it: the announcements of a call coming in end the
// ringing as the automatic stop does, others do not, and disableAutoStop
// switches it off.
#include "Alarm.h"
#include "CAlarmDialog.h"
#include "FakeMediaPlayer.h"
#include "MediaPlayerFactory.h"
#include "ModemCallWatch.h"
#include "Profile.h"
#include "RingingTestEnv.h"
#include "TestServers.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;
using namespace dawnbell::test;

class IncomingCallTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(busFolder_.isValid());
        const QString why = bus_.Start(busFolder_.path());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        // Before anything in this process reaches for the system bus.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus_.address().toUtf8());
        modem_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        modem_.start(QStringLiteral(FAKE_MODEM_MANAGER), QStringList());
        QVERIFY(modem_.waitForStarted(5000));
        QVERIFY(modem_.waitForReadyRead(10000));
        QCOMPARE(modem_.readLine().trimmed(), QByteArray("ready"));
    }
    void cleanupTestCase()
    {
        modem_.closeWriteChannel();
        if (!modem_.waitForFinished(5000))
            modem_.kill();
    }
    void init()
    {
        qputenv("DAWNBELL_SCREEN", "240x320");
        env_ = std::make_unique<RingingEnv>();
        SetMediaPlayerFactoryForTesting([] { return std::unique_ptr<MediaPlayer>(new FakeMediaPlayer); });
    }
    void cleanup()
    {
        SetMediaPlayerFactoryForTesting({});
        env_.reset();
        qunsetenv("DAWNBELL_SCREEN");
    }

    void callEndsRinging_data()
    {
        QTest::addColumn<QString>("announcement"); // the fake's command
        QTest::addColumn<int>("disableAutoStop");
        QTest::addColumn<bool>("ends");
        QTest::newRow("a call added on the modem") << "add 1" << 0 << true;
        QTest::newRow("a call added, automatic stop off") << "add 2" << 1 << false;
        QTest::newRow("a call starts ringing in") << "state 3 0 3" << 0 << true;
        QTest::newRow("a call ringing in, automatic stop off") << "state 4 0 3" << 1 << false;
        QTest::newRow("a call is answered") << "state 5 3 4" << 0 << true;
        QTest::newRow("a call is dialled out") << "state 6 0 1" << 0 << false;
        QTest::newRow("a call ends") << "state 7 4 7" << 0 << false;
    }
    void callEndsRinging()
    {
        QFETCH(QString, announcement);
        QFETCH(int, disableAutoStop);
        QFETCH(bool, ends);
        QVERIFY(Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), disableAutoStop));
        Alarm alarm;
        alarm.SetPlaylist({env_->MakeFile(QStringLiteral("sound.wav"))});
        alarm.vibrate = 0;
        alarm.quiz = 0;
        alarm.useFade = 0;
        RingingServices services;
        services.wakeProgram = QStringLiteral("/bin/true");
        CAlarmDialog dialog(&alarm, nullptr, services);
        dialog.show();
        QVERIFY(!dialog.ended());
        QVERIFY(dialog.findChild<ModemCallWatch*>() && dialog.findChild<ModemCallWatch*>()->watching());

        Announce(announcement);
        if (ends) {
            QTRY_VERIFY_WITH_TIMEOUT(dialog.ended(), 10000);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(!dialog.isVisible());
            return;
        }
        // The bus keeps one sender's signals in order: once a later call
        // announcement has ended the ringing, the one before was seen and let be.
        QVERIFY(!dialog.ended());
        QVERIFY(Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), 0));
        Announce(QStringLiteral("add 99"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.ended(), 10000);
    }

private:
    // Has the fake send `command`'s signal and waits until the bus routed it.
    void Announce(const QString& command)
    {
        modem_.write(command.toUtf8() + '\n');
        QVERIFY(modem_.waitForBytesWritten(5000));
        QByteArray line;
        while (line.isEmpty() && modem_.waitForReadyRead(10000))
            line = modem_.readLine().trimmed();
        QCOMPARE(line, QByteArray("sent"));
    }

    QTemporaryDir busFolder_;
    PrivateBus bus_;
    QProcess modem_;
    std::unique_ptr<RingingEnv> env_;
};

QTEST_MAIN(IncomingCallTest)
#include "IncomingCallTest.moc"
