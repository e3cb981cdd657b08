// Other media players and a ringing, over a real message bus the test starts (a
// private dbus-daemon as the session bus) with scripted MPRIS players on it:
// the ringing pauses the one that plays, leaves the others alone, keeps it
// paused through a snooze and resumes it when it ends, or at the next start
// after a crash through the restore marker. A snooze without a display ends
// the process: the player stays paused until the alarm has rung again.
#include "Alarm.h"
#include "AlarmRinging.h"
#include "Clock.h"
#include "FakeMediaPlayer.h"
#include "FakeMprisPlayer.h"
#include "MediaPlayerFactory.h"
#include "RestoreMarker.h"
#include "RingingMediaPause.h"
#include "RingingTestEnv.h"
#include "TestServers.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

using namespace dawnbell;
using namespace dawnbell::test;

class MediaPauseTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(busFolder_.isValid());
        const QString why = bus_.Start(busFolder_.path());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        // Before anything in this process reaches for the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.address().toUtf8());
        thread_.start();
    }
    void cleanupTestCase()
    {
        thread_.quit();
        thread_.wait();
    }
    void init()
    {
        env_ = std::make_unique<RingingEnv>();
        SetMediaPlayerFactoryForTesting([] { return std::unique_ptr<MediaPlayer>(new FakeMediaPlayer); });
    }
    void cleanup()
    {
        // Each player leaves the bus and goes on the thread it answers on.
        for (std::unique_ptr<FakeMprisPlayer>& player : players_) {
            FakeMprisPlayer* p = player.release();
            QMetaObject::invokeMethod(p, [p] { delete p; }, Qt::BlockingQueuedConnection);
        }
        players_.clear();
        SetMediaPlayerFactoryForTesting({});
        env_.reset();
    }

    // `how` the ringing goes: "end" (it ends while ringing), "snooze" (a snooze,
    // then the end), "user stops" (the user stops the paused player during the
    // ringing), "played during the snooze" (the user plays it while the snooze
    // counts down; it rings again), "crash" (no cleanup; the next start mends),
    // "snooze without a display" (the process ends; the next start rings the
    // alarm again and then ends it), "... overdue" (the next start comes an
    // hour after the snooze's end and rings nothing).
    void pausedWhileRinging_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("during"); // its status while the alarm rings (or snoozes)
        QTest::addColumn<QString>("after");  // its status once the ringing is over
        QTest::addColumn<QStringList>("calls");
        const QStringList pauseAndPlay{QStringLiteral("Pause"), QStringLiteral("Play")};
        QTest::newRow("playing: paused while it rings, resumed after")
            << "Playing" << "end" << "Paused" << "Playing" << pauseAndPlay;
        QTest::newRow("paused already: left alone and not resumed")
            << "Paused" << "end" << "Paused" << "Paused" << QStringList();
        QTest::newRow("stopped: left alone") << "Stopped" << "end" << "Stopped" << "Stopped" << QStringList();
        QTest::newRow("a snooze keeps it paused until the end")
            << "Playing" << "snooze" << "Paused" << "Playing" << pauseAndPlay;
        QTest::newRow("stopped by the user meanwhile: stays stopped")
            << "Playing" << "user stops" << "Stopped" << "Stopped" << QStringList{QStringLiteral("Pause")};
        QTest::newRow("played during the snooze: paused when it rings again, resumed after")
            << "Stopped" << "played during the snooze" << "Paused" << "Playing" << pauseAndPlay;
        QTest::newRow("a crash: resumed at the next start")
            << "Playing" << "crash" << "Paused" << "Playing" << pauseAndPlay;
        QTest::newRow("snoozed without a display: paused until the alarm has rung again")
            << "Playing" << "snooze without a display" << "Paused" << "Playing" << pauseAndPlay;
        QTest::newRow("snoozed without a display, its ringing overdue: resumed at the next start")
            << "Playing" << "snooze without a display, overdue" << "Paused" << "Playing" << pauseAndPlay;
    }
    void pausedWhileRinging()
    {
        QFETCH(QString, before);
        QFETCH(QString, how);
        QFETCH(QString, during);
        QFETCH(QString, after);
        QFETCH(QStringList, calls);
        FakeMprisPlayer* tune = AddPlayer(QStringLiteral("org.mpris.MediaPlayer2.tune"), before);
        // Bystanders: one paused before the ringing, and one that plays under a
        // name that is not a media player's.
        FakeMprisPlayer* radio = AddPlayer(QStringLiteral("org.mpris.MediaPlayer2.radio.instance42"), "Paused");
        FakeMprisPlayer* other = AddPlayer(QStringLiteral("org.example.NotAPlayer"), "Playing");
        QVERIFY(tune && radio && other);

        auto alarm = MakeAlarm();
        const bool away = how.startsWith(QLatin1String("snooze without a display"));
        {
            AlarmRinging ringing(alarm.get(), Services(away));
            ringing.Start();
            if (away) {
                QVERIFY(ringing.SnoozeFromOutside());
                QVERIFY(ringing.snoozedAway());
            } else if (how == QLatin1String("snooze") || how == QLatin1String("played during the snooze")) {
                QVERIFY(ringing.SnoozeFromOutside());
                QVERIFY(ringing.countdown() > 0);
                if (how == QLatin1String("played during the snooze")) {
                    tune->Set(QStringLiteral("Playing"));
                    for (int i = 0; i < 20 && ringing.countdown() > 0; ++i)
                        ringing.HandleTimer(AlarmRinging::TimerCountdown);
                    QCOMPARE(ringing.countdown(), 0);
                }
            } else if (how == QLatin1String("user stops")) {
                tune->Set(QStringLiteral("Stopped"));
            }
            QCOMPARE(tune->PlaybackStatus(), during);
            QCOMPARE(QFile::exists(RestoreMarker::Path()), calls.contains(QStringLiteral("Pause")));
            QByteArray marker;
            if (how == QLatin1String("crash")) {
                QFile file(RestoreMarker::Path());
                QVERIFY(file.open(QIODevice::ReadOnly));
                marker = file.readAll();
                tune->Snapshot();
            }
            ringing.End(QStringLiteral("test"));
            QCOMPARE(QFile::exists(RestoreMarker::Path()), away);
            if (away) {
                // The process ends here. The next start finds the player named
                // for the alarm's ringing after the snooze.
                QCOMPARE(tune->PlaybackStatus(), QStringLiteral("Paused"));
                const bool overdue = how.endsWith(QLatin1String("overdue"));
                if (overdue)
                    clock::SetNowForTesting(ringing.ringsAgainAt() + 3600);
                const QMap<QString, RestoreMarker::Entries> left = RestoreMarker::TakeLeftOver();
                RingingMediaPause::RestoreLeftOver(left.value(QLatin1String(RingingMediaPause::kMarkerPart)));
                clock::SetNowForTesting(std::nullopt);
                if (!overdue) {
                    QCOMPARE(tune->PlaybackStatus(), QStringLiteral("Paused"));
                    QCOMPARE(tune->Calls(), QStringList{QStringLiteral("Pause")});
                    QVERIFY(QFile::exists(RestoreMarker::Path())); // a crash now still resumes it
                    AlarmRinging again(alarm.get(), Services(true));
                    again.Start();
                    QCOMPARE(tune->PlaybackStatus(), QStringLiteral("Paused"));
                    again.End(QStringLiteral("test"));
                }
                QVERIFY(!QFile::exists(RestoreMarker::Path()));
            }
            if (how == QLatin1String("crash")) {
                // What a crash would have left: the player paused, the marker written.
                tune->Rewind();
                QVERIFY(WriteFile(RestoreMarker::Path(), marker));
                const QMap<QString, RestoreMarker::Entries> left = RestoreMarker::TakeLeftOver();
                RingingMediaPause::RestoreLeftOver(left.value(QLatin1String(RingingMediaPause::kMarkerPart)));
                QVERIFY(!QFile::exists(RestoreMarker::Path()));
            }
        }
        QCOMPARE(tune->PlaybackStatus(), after);
        QCOMPARE(tune->Calls(), calls);
        QCOMPARE(radio->PlaybackStatus(), QStringLiteral("Paused"));
        QCOMPARE(radio->Calls(), QStringList());
        QCOMPARE(other->PlaybackStatus(), QStringLiteral("Playing"));
        QCOMPARE(other->Calls(), QStringList());
    }

    // A marker is outside input: only well-formed media player names are told
    // to play, however the file names other services.
    void forgedMarkerCallsNoOtherService()
    {
        FakeMprisPlayer* other = AddPlayer(QStringLiteral("org.example.NotAPlayer"), "Paused");
        FakeMprisPlayer* tune = AddPlayer(QStringLiteral("org.mpris.MediaPlayer2.tune"), "Paused");
        QVERIFY(other && tune);
        RingingMediaPause::RestoreLeftOver(
            {{QStringLiteral("players"),
              QStringLiteral("org.example.NotAPlayer org.mpris.MediaPlayer2. org.mpris.MediaPlayer2..tune "
                             "org.mpris.MediaPlayer2.9tune org.mpris.MediaPlayer2.tune/x")}});
        QCOMPARE(other->Calls(), QStringList());
        QCOMPARE(tune->Calls(), QStringList());
        QCOMPARE(other->PlaybackStatus(), QStringLiteral("Paused"));
    }

    // The marker's handover entries are outside input too: only a readable key
    // with a believable snooze end keeps the player waiting for that alarm's
    // ringing; anything else resumes it at once, as after a crash.
    void handedOverMarkerRead_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("until");
        QTest::addColumn<bool>("waits");
        const qint64 now = clock::Now();
        QTest::newRow("snooze over in a minute: waits for the ringing")
            << "2031030806450" << QString::number(now + 60) << true;
        QTest::newRow("snooze over a year ahead: not believed") << "2031030806450" << QString::number(now + 31536000)
                                                                << false;
        QTest::newRow("snooze over an hour ago: overdue") << "2031030806450" << QString::number(now - 3600) << false;
        QTest::newRow("snooze end at the bottom of the number range")
            << "2031030806450" << QStringLiteral("-9223372036854775808") << false;
        QTest::newRow("snooze end at the top of the number range")
            << "2031030806450" << QStringLiteral("9223372036854775807") << false;
        QTest::newRow("snooze end not a number") << "2031030806450" << QStringLiteral("soon") << false;
        QTest::newRow("key with a line break") << "2031\n030806450" << QString::number(now + 60) << false;
        QTest::newRow("key of 300 characters") << QString(300, QLatin1Char('7')) << QString::number(now + 60) << false;
    }
    void handedOverMarkerRead()
    {
        QFETCH(QString, key);
        QFETCH(QString, until);
        QFETCH(bool, waits);
        FakeMprisPlayer* tune = AddPlayer(QStringLiteral("org.mpris.MediaPlayer2.tune"), "Paused");
        QVERIFY(tune);
        RingingMediaPause::RestoreLeftOver({{QStringLiteral("players"), QStringLiteral("org.mpris.MediaPlayer2.tune")},
                                            {QStringLiteral("snoozed"), key},
                                            {QStringLiteral("until"), until}});
        const QStringList play{QStringLiteral("Play")};
        QCOMPARE(tune->Calls(), waits ? QStringList() : play);
        QCOMPARE(QFile::exists(RestoreMarker::Path()), waits);
        if (waits) {
            // A start after a crash that names the same player resumes it, and
            // then it waits no more.
            RingingMediaPause::RestoreLeftOver(
                {{QStringLiteral("players"), QStringLiteral("org.mpris.MediaPlayer2.tune")}});
            QCOMPARE(tune->Calls(), play);
            QVERIFY(!QFile::exists(RestoreMarker::Path()));
        }
    }

private:
    // A scripted player owning `name` on a connection of its own; null when the
    // bus would not take it.
    FakeMprisPlayer* AddPlayer(const QString& name, const QString& status)
    {
        std::unique_ptr<FakeMprisPlayer> player = FakeMprisPlayer::Start(bus_.address(), name, status, &thread_);
        if (!player)
            return nullptr;
        players_.push_back(std::move(player));
        return players_.back().get();
    }
    std::unique_ptr<Alarm> MakeAlarm()
    {
        auto alarm = std::make_unique<Alarm>();
        alarm->SetPlaylist({env_->MakeFile(QStringLiteral("sound.wav"))});
        alarm->random = 0;
        alarm->useFade = 0;
        alarm->vibrate = 0;
        alarm->quiz = 0;
        alarm->useSnooze = 1;
        alarm->snooze = 10; // too short for a wake-up notification
        alarm->confirmClose = 0;
        alarm->forceVolume = 0;
        alarm->closeAfterMinutes = 0;
        alarm->closeAfterTimes = 0;
        return alarm;
    }
    // What a ringing uses; `unattended`: as without a display.
    RingingServices Services(bool unattended = false) const
    {
        RingingServices s;
        s.unattended = unattended;
        s.imagesDir = env_->Path("images");
        s.wakeProgram = QStringLiteral("/bin/true");
        return s;
    }

    QTemporaryDir busFolder_;
    PrivateBus bus_;
    QThread thread_; // the scripted players answer on it
    std::unique_ptr<RingingEnv> env_;
    std::vector<std::unique_ptr<FakeMprisPlayer>> players_;
};

QTEST_MAIN(MediaPauseTest)
#include "MediaPauseTest.moc"
