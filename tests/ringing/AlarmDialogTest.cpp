// The ringing window driven through its timers, taps, keys and player events,
// with a fake player, a fixed clock, the real registry, notification store,
// virtual device volume and a fake sysfs tree.
#include "Alarm.h"
#include "AlarmRinging.h"
#include "AlarmStore.h"
#include "CAlarmDialog.h"
#include "Clock.h"
#include "FakeMediaPlayer.h"
#include "KitFont.h"
#include "MediaPlayerFactory.h"
#include "Notify.h"
#include "PaintLog.h"
#include "PowerKeeper.h"
#include "Profile.h"
#include "Registry.h"
#include "RingingTestEnv.h"
#include "Scaling.h"
#include "SoundSetting.h"
#include "Texts.h"
#include "WaveResources.h"
#include "WaveVolume.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace dawnbell;
using namespace dawnbell::test;

namespace {

// A keep-awake that records what the window asks of it.
class RecordingAwake : public KeepAwake {
public:
    explicit RecordingAwake(QStringList* log) : log_(log) {}
    ~RecordingAwake() override { *log_ << QStringLiteral("destroyed"); }
    bool Engage(bool on) override
    {
        *log_ << QStringLiteral("engage %1").arg(on);
        return true;
    }
    void SetBacklight(bool dim) override { *log_ << (dim ? QStringLiteral("D3") : QStringLiteral("D0")); }

private:
    QStringList* log_;
};

// The program's power keeper behind the window's interface.
class KeeperAwake : public KeepAwake {
public:
    bool Engage(bool on) override { return keeper_.Engage(on); }
    void SetBacklight(bool dim) override { keeper_.SetBacklight(dim); }

private:
    PowerKeeper keeper_;
};

const int64_t kNow = 1924992000; // 2031-01-01, far from the real clock

// A player that notes its volume when the ringing window lets it go.
class VolumeAtRelease : public FakeMediaPlayer {
public:
    explicit VolumeAtRelease(int* out) : out_(out)
    {
        SetVolume(63); // the volume the user had set in the player
        clearCalls();
    }
    ~VolumeAtRelease() override { *out_ = Volume(); }

private:
    int* out_;
};

} // namespace

class AlarmDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RingingEnv> env_;
    QList<QPointer<FakeMediaPlayer>> players_; // every player the windows made
    QStringList awakeLog_;
    QList<QPair<int, int>> quizzes_; // (level, type) of every quiz run
    QList<int> confirmAnswers_;      // answers the confirmation gives, in turn
    int confirmCount_ = 0;

    FakeMediaPlayer* Player() const { return players_.isEmpty() ? nullptr : players_.last().data(); }

    RingingServices Services()
    {
        RingingServices s;
        s.keepAwake = [this] { return std::make_unique<RecordingAwake>(&awakeLog_); };
        s.quiz = [this](QWidget*, uint32_t, uint32_t, int level, int type) { quizzes_ << qMakePair(level, type); };
        s.confirmClose = [this](QWidget*, uint32_t, uint32_t) {
            ++confirmCount_;
            return !confirmAnswers_.isEmpty() && confirmAnswers_.takeFirst() != 0;
        };
        s.imagesDir = env_->Path("images");
        s.wakeProgram = QStringLiteral("/bin/true");
        return s;
    }

    // A quiet alarm: no fade, no vibration, no shuffling, no quiz.
    std::unique_ptr<Alarm> MakeAlarm(int items)
    {
        auto alarm = std::make_unique<Alarm>();
        QStringList list;
        for (int i = 0; i < items; ++i)
            list << env_->MakeFile(QStringLiteral("sound%1.wav").arg(i));
        alarm->SetPlaylist(list);
        alarm->random = 0;
        alarm->useFade = 0;
        alarm->vibrate = 0;
        alarm->quiz = 0;
        alarm->snooze = 10; // too short for a wake-up notification
        alarm->confirmClose = 0;
        return alarm;
    }

    // Runs the countdown to its end through timer 1.
    static void RunCountdown(CAlarmDialog& dlg)
    {
        for (int guard = 0; dlg.countdown() > 0 && guard < 100000; ++guard)
            dlg.HandleTimer(CAlarmDialog::TimerCountdown);
    }

private slots:
    void init()
    {
        qputenv("DAWNBELL_SCREEN", "240x320");
        ResetDpiCacheForTesting();
        env_ = std::make_unique<RingingEnv>();
        clock::SetNowForTesting(kNow);
        players_.clear();
        awakeLog_.clear();
        quizzes_.clear();
        confirmAnswers_.clear();
        confirmCount_ = 0;
        SetMediaPlayerFactoryForTesting([this] {
            auto p = std::make_unique<FakeMediaPlayer>();
            players_ << p.get();
            return std::unique_ptr<MediaPlayer>(std::move(p));
        });
    }

    void cleanup()
    {
        SetMediaPlayerFactoryForTesting({});
        clock::SetNowForTesting(std::nullopt);
        env_.reset();
    }

    void fadePeriod_data()
    {
        QTest::addColumn<int>("duration");
        QTest::addColumn<int>("period");
        QTest::newRow("5 s") << 5 << 100;
        QTest::newRow("7 s") << 7 << 100;
        QTest::newRow("9 s") << 9 << 100;
        QTest::newRow("10 s") << 10 << 200;
        QTest::newRow("14 s") << 14 << 200;
        QTest::newRow("99 s") << 99 << 1900;
        QTest::newRow("4 s runs at full rate") << 4 << 0;
        QTest::newRow("negative") << -3 << 0;
    }
    void fadePeriod()
    {
        QFETCH(int, duration);
        QFETCH(int, period);
        auto alarm = MakeAlarm(1);
        alarm->useFade = 1;
        alarm->fadeDuration = duration;
        for (int i = 0; i < kFadePoints; ++i)
            alarm->fade[i] = uint8_t(2 * i);
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerFade));
        QCOMPARE(dlg.timerInterval(CAlarmDialog::TimerFade), period);
        // The item starts at the curve's first point, not at the player's old volume.
        QCOMPARE(Player()->Volume(), 0);
        dlg.HandleTimer(CAlarmDialog::TimerFade);
        dlg.HandleTimer(CAlarmDialog::TimerFade);
        QCOMPARE(Player()->Volume(), 2);
    }

    void fadeCurveAllZeroStaysSilent()
    {
        auto alarm = MakeAlarm(1);
        alarm->useFade = 1;
        alarm->fade.fill(0);
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        for (int i = 0; i < 60; ++i)
            dlg.HandleTimer(CAlarmDialog::TimerFade);
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerFade));
        QCOMPARE(Player()->Volume(), 0);
        for (int v : Player()->volumes())
            QCOMPARE(v, 0);
        QCOMPARE(dlg.fadeStep(), 50);
        // The slider brings it back.
        dlg.SliderMoved(40);
        QCOMPARE(Player()->Volume(), 40);
    }

    // A fade rises once per stretch of ringing: items shorter than the fade carry
    // it on (a 3-second ring sound under a 30-second fade must still get loud),
    // an item after it has ended keeps its last point, and only the resume after
    // a snooze fades in again.
    void fadeRunsOncePerStretch()
    {
        auto alarm = MakeAlarm(1); // one short sound, played over and over
        alarm->useFade = 1;
        alarm->fadeDuration = 30;
        alarm->snooze = 3;
        alarm->useSnooze = 1;
        for (int i = 0; i < kFadePoints; ++i)
            alarm->fade[i] = uint8_t(2 * i);
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        for (int i = 0; i < 11; ++i)
            dlg.HandleTimer(CAlarmDialog::TimerFade);
        QCOMPARE(Player()->Volume(), 20);
        Player()->EmitEnded(); // the sound is over before the fade: it plays again where it was
        QCOMPARE(dlg.itemsStarted(), 2);
        QCOMPARE(Player()->Volume(), 20);
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerFade));
        dlg.HandleTimer(CAlarmDialog::TimerFade);
        QCOMPARE(Player()->Volume(), 22);
        for (int i = 0; i < 60; ++i)
            dlg.HandleTimer(CAlarmDialog::TimerFade);
        QCOMPARE(Player()->Volume(), 98);
        Player()->EmitEnded(); // after the fade: the last point stays
        QCOMPARE(Player()->Volume(), 98);
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerFade));
        dlg.Tap(); // snooze; the resume fades in again from the first point
        RunCountdown(dlg);
        QCOMPARE(Player()->Volume(), 0);
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerFade));
        dlg.HandleTimer(CAlarmDialog::TimerFade);
        dlg.HandleTimer(CAlarmDialog::TimerFade);
        QCOMPARE(Player()->Volume(), 2);
    }

    void sliderTarget_data()
    {
        QTest::addColumn<int>("slider");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("fade");
        QTest::newRow("3 -> target 10") << 3 << 10 << false;
        QTest::newRow("0 -> target 10") << 0 << 10 << false;
        QTest::newRow("10 -> 10") << 10 << 10 << false;
        QTest::newRow("75 -> 75") << 75 << 75 << false;
        QTest::newRow("3 with fade -> fades to 10") << 3 << 10 << true;
    }
    void sliderTarget()
    {
        QFETCH(int, slider);
        QFETCH(int, target);
        QFETCH(bool, fade);
        auto alarm = MakeAlarm(2);
        alarm->useFade = fade;
        alarm->fade.fill(100);
        alarm->fadeDuration = 5;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        awakeLog_.clear();
        dlg.SliderMoved(slider);
        QCOMPARE(Player()->Volume(), slider);
        QCOMPARE(dlg.playerVolumeTarget(), target);
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerFade)); // a running fade stops for good
        QCOMPARE(awakeLog_, QStringList{"D0"});
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerBacklight));
        // The next item aims at the target.
        Player()->EmitEnded();
        if (fade) {
            for (int i = 0; i < 51; ++i)
                dlg.HandleTimer(CAlarmDialog::TimerFade);
        }
        QCOMPARE(Player()->Volume(), target);
    }

    void closeAfterTimes_data()
    {
        // Actions: e = the item ended, s = ">>", z = snooze and count down to the end.
        QTest::addColumn<QString>("actions");
        QTest::addColumn<bool>("ended");
        QTest::newRow("three items play, the fourth ends") << "eee" << true;
        QTest::newRow("two items are not enough") << "ee" << false;
        QTest::newRow("skip counts") << "sss" << true;
        QTest::newRow("a resume after snooze counts") << "ezz" << true;
        QTest::newRow("mixed") << "sz" << false;
    }
    void closeAfterTimes()
    {
        QFETCH(QString, actions);
        QFETCH(bool, ended);
        auto alarm = MakeAlarm(3);
        alarm->closeAfterTimes = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QCOMPARE(dlg.itemsStarted(), 1);
        for (QChar a : actions) {
            if (a == 'e')
                Player()->EmitEnded();
            else if (a == 's')
                dlg.Skip();
            else {
                dlg.Tap();
                RunCountdown(dlg);
            }
        }
        QCoreApplication::processEvents(); // the posted close
        QCOMPARE(dlg.ended(), ended);
        if (ended) {
            QCOMPARE(dlg.itemsStarted(), 3);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(dlg.player(), nullptr);
        }
    }

    void tapWithoutSnooze()
    {
        auto alarm = MakeAlarm(1);
        alarm->useSnooze = 0;
        alarm->closeAfterMinutes = 10;
        alarm->confirmClose = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerCloseAfter));
        QCOMPARE(dlg.timerInterval(CAlarmDialog::TimerCloseAfter), 600000);
        awakeLog_.clear();
        dlg.Tap();
        QCOMPARE(dlg.countdown(), 0);
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerCloseAfter));
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerBacklight)); // no dimming without snooze
        QCOMPARE(awakeLog_, QStringList{"D0"});
        QCOMPARE(dlg.snoozeNotification(), 0u);
        // No key snoozes either.
        QVERIFY(!dlg.KeyDown(Qt::Key_Return));
        // End alarm still asks; No keeps ringing, Yes ends.
        confirmAnswers_ = {0, 1};
        dlg.EndAlarm();
        QCOMPARE(confirmCount_, 1);
        QVERIFY(!dlg.ended());
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
        dlg.EndAlarm();
        QCOMPARE(confirmCount_, 2);
        QVERIFY(dlg.ended());
    }

    void endAlarmWithSnooze()
    {
        auto alarm = MakeAlarm(1);
        alarm->confirmClose = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        confirmAnswers_ = {0};
        dlg.EndAlarm();
        QVERIFY(!dlg.ended());
        QCOMPARE(dlg.countdown(), 10); // No leaves it snoozing
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Stopped));
        alarm->confirmClose = 0;
        dlg.EndAlarm();
        QVERIFY(dlg.ended());
        QCOMPARE(confirmCount_, 1);
    }

    void quizLevels_data()
    {
        QTest::addColumn<int>("quizLevel");
        QTest::addColumn<int>("quizTypes");
        QTest::addColumn<QList<int>>("types"); // allowed types
        QTest::newRow("level 1, math") << 1 << 1 << QList<int>{1};
        QTest::newRow("level 4, memory") << 4 << 2 << QList<int>{2};
        QTest::newRow("level 2, memory or repeat") << 2 << 6 << QList<int>{2, 4};
        QTest::newRow("no kind selected falls back to math") << 1 << 0 << QList<int>{1};
        QTest::newRow("unknown bits are ignored") << 1 << 0x7F8 << QList<int>{1};
    }
    void quizLevels()
    {
        QFETCH(int, quizLevel);
        QFETCH(int, quizTypes);
        QFETCH(QList<int>, types);
        auto alarm = MakeAlarm(1);
        alarm->quiz = 3;
        alarm->quizLevel = quizLevel;
        alarm->quizTypes = quizTypes;
        alarm->snooze = 2;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        for (int snooze = 1; snooze <= 4; ++snooze) {
            QCOMPARE(dlg.snoozeNumber(), snooze);
            dlg.Tap();
            QCOMPARE(quizzes_.size(), std::max(0, snooze - 2));
            RunCountdown(dlg);
        }
        QCOMPARE(quizzes_[0].first, quizLevel - 1);
        QCOMPARE(quizzes_[1].first, quizLevel);
        for (const auto& q : quizzes_)
            QVERIFY2(types.contains(q.second), qPrintable(QString::number(q.second)));
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("snoozes");
        QTest::newRow("F2 (113)") << int(Qt::Key_F2) << false;
        QTest::newRow("F5 (116)") << int(Qt::Key_F5) << false;
        QTest::newRow("F12 (123)") << int(Qt::Key_F12) << false;
        QTest::newRow("letter A") << int(Qt::Key_A) << false;
        QTest::newRow("space") << int(Qt::Key_Space) << false;
        QTest::newRow("F1") << int(Qt::Key_F1) << true;
        QTest::newRow("F3") << int(Qt::Key_F3) << true;
        QTest::newRow("Return") << int(Qt::Key_Return) << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << true;
        QTest::newRow("Down") << int(Qt::Key_Down) << true;
        QTest::newRow("digit 5") << int(Qt::Key_5) << true;
        QTest::newRow("F24 (135)") << int(Qt::Key_F24) << true;
        QTest::newRow("application key 1") << int(Qt::Key_Launch0) << true;
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(bool, snoozes);
        auto alarm = MakeAlarm(1);
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QTest::keyClick(&dlg, Qt::Key(key));
        QCOMPARE(dlg.countdown() > 0, snoozes);
        QVERIFY(!dlg.ended()); // no key ends the alarm (Escape included)
        QCOMPARE(dlg.playState(), snoozes ? int(CAlarmDialog::Stopped) : int(CAlarmDialog::Playing));
    }

    void escapeWithoutSnoozeKeepsRinging()
    {
        auto alarm = MakeAlarm(1);
        alarm->useSnooze = 0;
        alarm->forceVolume = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.ended());
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
    }

    void emptyPlaylistRingsSilently()
    {
        auto alarm = MakeAlarm(0);
        alarm->vibrate = 1;
        alarm->vibrateInterval = 0;
        qputenv("DAWNBELL_MSGBOX_RECORD", env_->Path("boxes.txt").toUtf8());
        {
            CAlarmDialog dlg(alarm.get(), nullptr, Services());
            QCOMPARE(dlg.player(), nullptr);
            QVERIFY(players_.isEmpty());
            QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("255"));
            dlg.Tap();
            QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("0"));
            RunCountdown(dlg);
            QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("255"));
        }
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        QVERIFY(!QFile::exists(env_->Path("boxes.txt")));
        QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("0"));
    }

    void playerCannotBeCreated()
    {
        SetMediaPlayerFactoryForTesting([] { return std::unique_ptr<MediaPlayer>(); });
        qputenv("DAWNBELL_MSGBOX_RECORD", env_->Path("boxes.txt").toUtf8());
        auto alarm = MakeAlarm(1);
        {
            CAlarmDialog dlg(alarm.get(), nullptr, Services());
            QCOMPARE(dlg.player(), nullptr);
            dlg.Tap();
            RunCountdown(dlg);
        }
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        const QByteArray boxes = ReadFile(env_->Path("boxes.txt"));
        QVERIFY(boxes.contains(Text(1).toUtf8()));
        QVERIFY(boxes.contains(Text(113).toUtf8()));
    }

    void missingFileFallsBack_data()
    {
        QTest::addColumn<bool>("viaError");
        QTest::newRow("file missing") << false;
        QTest::newRow("player reports an error") << true;
    }
    void missingFileFallsBack()
    {
        QFETCH(bool, viaError);
        auto alarm = MakeAlarm(2);
        QStringList list = alarm->GetPlaylist();
        if (!viaError)
            list[0] = env_->Path("gone.wav");
        alarm->SetPlaylist(list);
        const int before = WaveResourcePlayCount(kWaveAlarmFallback);
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        if (viaError)
            Player()->EmitError();
        QCOMPARE(WaveResourcePlayCount(kWaveAlarmFallback), before + 1);
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerFallback));
        QCOMPARE(dlg.timerInterval(CAlarmDialog::TimerFallback), 2000);
        QCOMPARE(dlg.itemsStarted(), 1);
        dlg.HandleTimer(CAlarmDialog::TimerFallback);
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerFallback));
        QCOMPARE(dlg.itemsStarted(), 2);
        QCOMPARE(Player()->Media(), alarm->GetPlaylist()[1]);
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
    }

    void pause()
    {
        auto alarm = MakeAlarm(1);
        alarm->vibrate = 1;
        alarm->vibrateInterval = 0;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QCoreApplication::postEvent(&dlg, new QEvent(CAlarmDialog::PauseEventType));
        QCoreApplication::processEvents();
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Paused));
        QCOMPARE(Player()->state(), MediaPlayer::Paused);
        QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("0"));
        QCOMPARE(dlg.timerInterval(CAlarmDialog::TimerPause), 5000);
        dlg.HandleTimer(CAlarmDialog::TimerPause);
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
        QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("255"));
        // A pause that ends while snoozing does not restart the vibrator.
        dlg.RequestPause();
        dlg.Tap();
        dlg.HandleTimer(CAlarmDialog::TimerPause);
        QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("0"));
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Stopped));
    }

    void intervalVibration()
    {
        auto alarm = MakeAlarm(1);
        alarm->vibrate = 1;
        alarm->vibrateInterval = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QCOMPARE(dlg.timerInterval(CAlarmDialog::TimerVibrate), 1000);
        QByteArray seen;
        for (int i = 0; i < 4; ++i) {
            dlg.HandleTimer(CAlarmDialog::TimerVibrate);
            seen += ReadFile(env_->LedDir() + "/brightness") + " ";
        }
        QCOMPARE(seen, QByteArray("255 0 255 0 "));
        // The check box switches it off at once and is put back at the end.
        dlg.SetVibrateChecked(false);
        QCOMPARE(alarm->vibrate, 0);
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerVibrate));
        QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("0"));
        dlg.EndAlarm();
        QCOMPARE(alarm->vibrate, 1);
    }

    void snoozeCountdownAndLight()
    {
        auto alarm = MakeAlarm(1);
        alarm->snooze = 3;
        alarm->layoutStyle = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        auto* hint = dlg.findChild<QLabel*>("1023");
        awakeLog_.clear();
        dlg.Tap();
        QCOMPARE(dlg.countdown(), 3);
        QCOMPARE(hint->text(), Text(3) + " 3");
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Stopped));
        QCOMPARE(Player()->Volume(), 0);
        QCOMPARE(dlg.findChild<QSlider*>("1037")->value(), 0);
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerBacklight));
        dlg.HandleTimer(CAlarmDialog::TimerBacklight);
        QCOMPARE(awakeLog_, (QStringList{"D0", "D3"}));
        // A tap after the light went out only lights the screen.
        dlg.Tap();
        QCOMPARE(dlg.countdown(), 3);
        QCOMPARE(awakeLog_.last(), QString("D0"));
        QVERIFY(dlg.timerActive(CAlarmDialog::TimerBacklight));
        dlg.HandleTimer(CAlarmDialog::TimerCountdown);
        QCOMPARE(hint->text(), Text(3) + " 2");
        dlg.HandleTimer(CAlarmDialog::TimerCountdown);
        dlg.HandleTimer(CAlarmDialog::TimerCountdown);
        QCOMPARE(dlg.countdown(), 0);
        QCOMPARE(dlg.snoozeNumber(), 2);
        QCOMPARE(hint->text(), Text(12));
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
        QCOMPARE(Player()->Volume(), 100);
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerCountdown));
    }

    // While snoozed, each countdown tick repaints the line that shows the
    // countdown and nothing else (layout 0: the number beside End; layouts 1
    // and 2: the hint line), and each clock tick the clock line alone. The clock
    // runs in step with the countdown, one second each.
    void snoozeTicksRepaintTheirOwnLine_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("countdownLabel");
        QTest::newRow("small button: the number beside End") << 0 << "1012";
        QTest::newRow("medium button: the hint line") << 1 << "1023";
        QTest::newRow("big button: the hint line") << 2 << "1023";
    }
    void snoozeTicksRepaintTheirOwnLine()
    {
        QFETCH(int, style);
        QFETCH(QString, countdownLabel);
        auto alarm = MakeAlarm(1);
        alarm->snooze = 30;
        alarm->layoutStyle = style;
        alarm->title = QStringLiteral("Ferry");
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.Tap();
        QCOMPARE(dlg.countdown(), 30);
        for (int id : {int(CAlarmDialog::TimerCountdown), int(CAlarmDialog::TimerClock)}) {
            QVERIFY(dlg.timerActive(id));
            QCOMPARE(dlg.timerInterval(id), 1000);
        }
        test::PaintLog log;
        log.Watch(&dlg);
        const QList<QWidget*> controls = dlg.findChildren<QWidget*>();
        for (QWidget* w : controls)
            log.Watch(w);
        auto paintedOnly = [&](const QRect& line) {
            const QRegion painted = log.Painted(&dlg);
            QVERIFY2((QRegion(line) - painted).isEmpty(), "the line was not repainted");
            QVERIFY2((painted - QRegion(line)).isEmpty(), "more than the line was repainted");
            for (QWidget* w : controls)
                QCOMPARE(log.Count(w), 0);
        };
        test::RunQueuedEvents();
        log.Clear();
        dlg.HandleTimer(CAlarmDialog::TimerCountdown);
        test::RunQueuedEvents();
        QCOMPARE(dlg.countdown(), 29);
        paintedOnly(dlg.findChild<QLabel*>(countdownLabel)->geometry());

        log.Clear();
        clock::SetNowForTesting(kNow + 1);
        dlg.HandleTimer(CAlarmDialog::TimerClock);
        test::RunQueuedEvents();
        paintedOnly(dlg.findChild<QLabel*>("1021")->geometry());
        dlg.EndAlarm();
    }

    // While snoozed, the window of layout 0 says until when, in the minute the
    // ringing resumes in, instead of "Tap to snooze..."; the countdown beside it
    // runs on, and a new snooze (a tap while the screen is lit) moves the time.
    void snoozedSaysUntilWhen_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("snooze");
        QTest::addColumn<QString>("until");
        QTest::addColumn<QString>("afterNewSnooze"); // a tap 40 s into the snooze
        QTest::newRow("three minutes") << "2031-01-01 06:45:00" << 180 << "Snoozed until 06:48"
                                       << "Snoozed until 06:48";
        QTest::newRow("seconds do not round up") << "2031-01-01 06:45:40" << 180 << "Snoozed until 06:48"
                                                 << "Snoozed until 06:49";
        QTest::newRow("over midnight") << "2031-01-01 23:58:30" << 120 << "Snoozed until 00:00"
                                       << "Snoozed until 00:01";
        QTest::newRow("nine minutes, past the hour") << "2031-01-01 07:55:10" << 540 << "Snoozed until 08:04"
                                                     << "Snoozed until 08:04";
    }
    void snoozedSaysUntilWhen()
    {
        QFETCH(QString, now);
        QFETCH(int, snooze);
        QFETCH(QString, until);
        QFETCH(QString, afterNewSnooze);
        const auto start = clock::ParseLocal(now.toUtf8().constData());
        QVERIFY(start);
        clock::SetNowForTesting(*start);
        auto alarm = MakeAlarm(1);
        alarm->snooze = snooze;
        alarm->layoutStyle = 0;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        auto* hint = dlg.findChild<QLabel*>("1023");
        auto* count = dlg.findChild<QLabel*>("1012");
        QCOMPARE(hint->text(), QStringLiteral("Tap to snooze..."));
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(dlg.width() / 2, dlg.height() / 3));
        QCOMPARE(hint->text(), until);
        QCOMPARE(count->text(), QString::number(snooze));
        // The countdown ticks as the clock goes on; the time it names stays.
        for (int i = 0; i < 40; ++i) {
            clock::SetNowForTesting(*start + i + 1);
            dlg.HandleTimer(CAlarmDialog::TimerCountdown);
        }
        QCOMPARE(count->text(), QString::number(snooze - 40));
        QCOMPARE(hint->text(), until);
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(dlg.width() / 2, dlg.height() / 3));
        QCOMPARE(count->text(), QString::number(snooze));
        QCOMPARE(hint->text(), afterNewSnooze);
        // Ringing again: the hint asks for a tap.
        RunCountdown(dlg);
        QCOMPARE(hint->text(), QStringLiteral("Tap to snooze..."));
        QCOMPARE(count->text(), QString());
        dlg.EndAlarm();
    }

    void snoozeWakeUp()
    {
        auto alarm = MakeAlarm(1);
        alarm->snooze = 180;
        std::unique_ptr<CAlarmDialog> dlg(new CAlarmDialog(alarm.get(), nullptr, Services()));
        dlg->Tap();
        const uint32_t handle = dlg->snoozeNotification();
        QVERIFY(handle != 0);
        notify::NotifyRecord record;
        QCOMPARE(notify::NotifyGetRecord(handle, &record), notify::NotifyOk);
        QCOMPARE(record.trigger.arguments, std::string());
        QCOMPARE(record.trigger.application, std::string("/bin/true"));
        QCOMPARE(record.trigger.event, notify::kNotifyEventResume); // a rebuild keeps it
        QCOMPARE(clock::FromLocal(record.trigger.start), kNow + 175);
        QCOMPARE(clock::FromLocal(record.trigger.end), kNow + 175);
        // Withdrawn 5 s before it would fire.
        QCOMPARE(dlg->timerInterval(CAlarmDialog::TimerSnoozeWake), 170000);
        // A new snooze replaces it.
        dlg->Tap();
        const uint32_t second = dlg->snoozeNotification();
        QVERIFY(second != 0 && second != handle);
        QCOMPARE(notify::NotifyGetRecord(handle, &record), notify::NotifyNotFound);
        dlg->HandleTimer(CAlarmDialog::TimerSnoozeWake);
        QCOMPARE(notify::NotifyGetRecord(second, &record), notify::NotifyNotFound);
        QCOMPARE(dlg->snoozeNotification(), 0u);
        // Ending the alarm during a snooze leaves nothing behind.
        dlg->Tap();
        const uint32_t third = dlg->snoozeNotification();
        QVERIFY(third != 0);
        dlg->EndAlarm();
        QCOMPARE(notify::NotifyGetRecord(third, &record), notify::NotifyNotFound);
        dlg.reset();
        std::vector<notify::NotifyRecord> all;
        QCOMPARE(notify::NotifyList(&all), notify::NotifyOk);
        QCOMPARE(all.size(), size_t(0));
    }

    void snoozeWakeUpWithdrawnAtCountdownEnd()
    {
        auto alarm = MakeAlarm(1);
        alarm->snooze = 30;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        dlg.Tap();
        const uint32_t handle = dlg.snoozeNotification();
        QVERIFY(handle != 0);
        RunCountdown(dlg);
        notify::NotifyRecord record;
        QCOMPARE(notify::NotifyGetRecord(handle, &record), notify::NotifyNotFound);
    }

    void cleanupRestoresEverything_data()
    {
        QTest::addColumn<int>("volume");
        QTest::addColumn<uint>("forced");
        QTest::newRow("volume 100") << 100 << 65535u;
        QTest::newRow("volume 50") << 50 << 32767u;
        QTest::newRow("volume 0") << 0 << 0u;
    }
    void cleanupRestoresEverything()
    {
        QFETCH(int, volume);
        QFETCH(uint, forced);
        // The state before the alarm.
        QVERIFY(SetWaveOutVolume(12345));
        SoundSetting sound;
        sound.type = SoundType::File;
        sound.file = u"/tmp/ding.wav";
        QVERIFY(SetAllEventsSound(sound));
        {
            RegKey key;
            QCOMPARE(RegKey::Create(Hive::CurrentUser, kShellOverridesKey, &key), RegOk);
            key.WriteDword(kShellSavedVolumeValue, 7);
            key.WriteDword(kShellSavedRingerVolumeValue, 9);
            RegKey timeouts;
            QCOMPARE(RegKey::Create(Hive::LocalMachine, PowerKeeper::kTimeoutsKey, &timeouts), RegOk);
            timeouts.WriteDword("ACSuspendTimeout", 60);
            timeouts.WriteDword("BattSuspendTimeout", 120);
        }
        const QByteArray blPower = ReadFile(env_->BacklightDir() + "/bl_power");
        const QByteArray brightness = ReadFile(env_->BacklightDir() + "/brightness");

        auto alarm = MakeAlarm(1);
        alarm->forceVolume = 1;
        alarm->volume = volume;
        alarm->vibrate = 1;
        alarm->vibrateInterval = 0;
        RingingServices services = Services();
        services.keepAwake = [] { return std::make_unique<KeeperAwake>(); };
        int releasedAt = -1; // the player's volume when the window let it go
        SetMediaPlayerFactoryForTesting([this, &releasedAt] {
            auto p = std::make_unique<VolumeAtRelease>(&releasedAt);
            players_ << p.get();
            return std::unique_ptr<MediaPlayer>(std::move(p));
        });
        {
            CAlarmDialog dlg(alarm.get(), nullptr, services);
            uint32_t now = 0;
            QVERIFY(GetWaveOutVolume(&now));
            QCOMPARE(now, uint32_t(forced));
            QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("255"));
            RegKey timeouts;
            QCOMPARE(RegKey::Open(Hive::LocalMachine, PowerKeeper::kTimeoutsKey, &timeouts), RegOk);
            uint32_t ac = 1;
            QVERIFY(timeouts.ReadDword("ACSuspendTimeout", &ac));
            QCOMPARE(ac, 0u);
            // Meanwhile the shell changes its values; ours are written back.
            RegKey key;
            QCOMPARE(RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key), RegOk);
            key.WriteDword(kShellSavedVolumeValue, 1);
            dlg.Tap();
            dlg.HandleTimer(CAlarmDialog::TimerBacklight); // the screen goes dark
            QCOMPARE(ReadFile(env_->BacklightDir() + "/bl_power"), QByteArray("4"));
            Player()->SetVolume(77); // someone else touched the player
            dlg.EndAlarm();
            QVERIFY(dlg.ended());
        }
        QCOMPARE(releasedAt, 63); // the player's own volume, as it was found
        uint32_t after = 0;
        QVERIFY(GetWaveOutVolume(&after));
        QCOMPARE(after, 12345u);
        QVERIFY(GetAllEventsSound() == sound);
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key), RegOk);
        uint32_t v = 0;
        QVERIFY(key.ReadDword(kShellSavedVolumeValue, &v));
        QCOMPARE(v, 7u);
        QVERIFY(key.ReadDword(kShellSavedRingerVolumeValue, &v));
        QCOMPARE(v, 9u);
        RegKey timeouts;
        QCOMPARE(RegKey::Open(Hive::LocalMachine, PowerKeeper::kTimeoutsKey, &timeouts), RegOk);
        QVERIFY(timeouts.ReadDword("ACSuspendTimeout", &v));
        QCOMPARE(v, 60u);
        QVERIFY(timeouts.ReadDword("BattSuspendTimeout", &v));
        QCOMPARE(v, 120u);
        QCOMPARE(ReadFile(env_->LedDir() + "/brightness"), QByteArray("0"));
        QCOMPARE(ReadFile(env_->BacklightDir() + "/bl_power"), blPower);
        QCOMPARE(ReadFile(env_->BacklightDir() + "/brightness"), brightness);
        QCOMPARE(alarm->vibrate, 1);
    }

    void shellKeyMissingIsNotCreated()
    {
        auto alarm = MakeAlarm(1);
        alarm->forceVolume = 1;
        {
            CAlarmDialog dlg(alarm.get(), nullptr, Services());
            dlg.EndAlarm();
        }
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, kShellOverridesKey, &key), RegNotFound);
    }

    void keepAwakeForTheWindowsLife()
    {
        auto alarm = MakeAlarm(1);
        {
            CAlarmDialog dlg(alarm.get(), nullptr, Services());
            QCOMPARE(awakeLog_.first(), QString("engage 1"));
            dlg.EndAlarm();
            QVERIFY(!awakeLog_.contains("destroyed"));
        }
        QCOMPARE(awakeLog_.last(), QString("destroyed"));
    }

    void endSoundPlays_data()
    {
        QTest::addColumn<int>("endSound");
        QTest::newRow("off") << 0;
        QTest::newRow("on") << 1;
    }
    void endSoundPlays()
    {
        QFETCH(int, endSound);
        Profile::WriteInt("settings", "endSound", endSound);
        const int before = WaveResourcePlayCount(kWaveEndSound);
        auto alarm = MakeAlarm(1);
        alarm->closeAfterMinutes = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        dlg.HandleTimer(CAlarmDialog::TimerCloseAfter);
        QVERIFY(dlg.ended());
        QCOMPARE(WaveResourcePlayCount(kWaveEndSound), before + endSound);
        dlg.HandleTimer(CAlarmDialog::TimerCloseAfter); // ignored once ended
        QCOMPARE(WaveResourcePlayCount(kWaveEndSound), before + endSound);
    }

    void alarmIsNeverWritten()
    {
        auto alarm = MakeAlarm(5);
        alarm->random = 1;
        alarm->Save();
        const QString key = alarm->GetKey();
        const QStringList stored = alarm->GetPlaylist();
        QByteArray before;
        QVERIFY(Profile::ReadBinary(key, "fade", &before));
        {
            CAlarmDialog dlg(alarm.get(), nullptr, Services());
            dlg.SetVibrateChecked(true);
            dlg.Tap();
            RunCountdown(dlg);
            dlg.EndAlarm();
        }
        const std::unique_ptr<Alarm> reloaded = AlarmStore::LoadSection(key);
        QVERIFY(reloaded);
        QCOMPARE(reloaded->GetPlaylist(), stored);
        QCOMPARE(reloaded->vibrate, 0);
        QByteArray after;
        QVERIFY(Profile::ReadBinary(key, "fade", &after));
        QCOMPARE(after, before);
        QCOMPARE(alarm->vibrate, 0); // the check box change is put back in memory too
    }

    // A ringing nobody can see (no display) ends by itself: after closeAfterMinutes
    // when set, after its closeAfterTimes passes when a player can count them,
    // else after 10 minutes. Its snooze hands the alarm to a notification that
    // starts the program with the key when the snooze is over, and ends it.
    void unattendedRinging_data()
    {
        QTest::addColumn<bool>("unattended");
        QTest::addColumn<int>("closeAfterMinutes");
        QTest::addColumn<int>("closeAfterTimes");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("endAfterMs"); // -1: no timer ends it
        QTest::newRow("no end set: 10 minutes") << true << 0 << 0 << 1 << 600000;
        QTest::newRow("closeAfterMinutes 3 stands") << true << 3 << 0 << 1 << 180000;
        QTest::newRow("closeAfterMinutes 45 stands") << true << 45 << 0 << 1 << 2700000;
        QTest::newRow("closeAfterTimes ends it") << true << 0 << 2 << 1 << -1;
        QTest::newRow("closeAfterTimes with nothing to play: 10 minutes") << true << 0 << 2 << 0 << 600000;
        QTest::newRow("in a window nothing is added") << false << 0 << 0 << 1 << -1;
    }
    void unattendedRinging()
    {
        QFETCH(bool, unattended);
        QFETCH(int, closeAfterMinutes);
        QFETCH(int, closeAfterTimes);
        QFETCH(int, items);
        QFETCH(int, endAfterMs);
        auto alarm = MakeAlarm(items);
        alarm->closeAfterMinutes = closeAfterMinutes;
        alarm->closeAfterTimes = closeAfterTimes;
        alarm->snooze = 240;
        RingingServices services = Services();
        services.unattended = unattended;
        AlarmRinging ringing(alarm.get(), services);
        QStringList ends;
        QObject::connect(&ringing, &AlarmRinging::endRequested, [&](const QString& why) {
            ends << why;
            ringing.End(why);
        });
        ringing.Start();
        QCOMPARE(AlarmRinging::Innermost(), &ringing);
        QCOMPARE(ringing.timerActive(AlarmRinging::TimerCloseAfter), endAfterMs > 0);
        if (endAfterMs > 0) {
            QCOMPARE(ringing.timerInterval(AlarmRinging::TimerCloseAfter), endAfterMs);
            ringing.HandleTimer(AlarmRinging::TimerCloseAfter);
            QCOMPARE(ends.size(), 1);
            QCOMPARE(ends[0].contains("10 minutes without a display"), closeAfterMinutes == 0); // the log's why
            QVERIFY(ringing.ended());
            QCOMPARE(AlarmRinging::Innermost(), nullptr);
            return;
        }
        // The snooze.
        QVERIFY(ringing.SnoozeFromOutside());
        std::vector<notify::NotifyRecord> records;
        QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(QString::fromStdString(records[0].trigger.application), QString("/bin/true"));
        if (unattended) {
            QVERIFY(ringing.ended());
            QVERIFY(ringing.snoozedAway());
            QCOMPARE(ends.size(), 1);
            QVERIFY2(ends[0].contains("rings again"), qPrintable(ends[0]));
            QCOMPARE(QString::fromStdString(records[0].trigger.arguments), alarm->GetKey());
            QCOMPARE(clock::FromLocal(records[0].trigger.start), kNow + 240);
            QCOMPARE(ringing.ringsAgainAt(), kNow + 240);
        } else {
            // The window's snooze: a countdown, and the wake-up without a key 5 s before its end.
            QVERIFY(!ringing.ended());
            QCOMPARE(ringing.countdown(), 240);
            QCOMPARE(records[0].trigger.arguments, std::string());
            QCOMPARE(clock::FromLocal(records[0].trigger.start), kNow + 235);
        }
    }

    void hostileValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("value");
        QTest::newRow("snooze 0") << "snooze" << 0;
        QTest::newRow("snooze negative") << "snooze" << -50;
        QTest::newRow("closeAfterMinutes huge") << "closeAfterMinutes" << 2000000000;
        QTest::newRow("closeAfterTimes negative") << "closeAfterTimes" << -1;
        QTest::newRow("layoutStyle 7") << "layoutStyle" << 7;
        QTest::newRow("layoutStyle negative") << "layoutStyle" << -3;
        QTest::newRow("fadeDuration huge") << "fadeDuration" << 2000000000;
        QTest::newRow("quizLevel negative") << "quizLevel" << -100;
        QTest::newRow("backImageStyle 9") << "backImageStyle" << 9;
        QTest::newRow("volume 300") << "volume" << 300;
    }
    void hostileValues()
    {
        QFETCH(QString, field);
        QFETCH(int, value);
        auto alarm = MakeAlarm(2);
        alarm->useFade = 1;
        alarm->quiz = 1;
        alarm->forceVolume = 1;
        alarm->SetBackImage(BackImageQVGA, "x.png");
        int* target = field == "snooze" ? &alarm->snooze
                      : field == "closeAfterMinutes" ? &alarm->closeAfterMinutes
                      : field == "closeAfterTimes" ? &alarm->closeAfterTimes
                      : field == "layoutStyle" ? &alarm->layoutStyle
                      : field == "fadeDuration" ? &alarm->fadeDuration
                      : field == "quizLevel" ? &alarm->quizLevel
                      : field == "backImageStyle" ? &alarm->backImageStyle
                                                  : &alarm->volume;
        *target = value;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QVERIFY(dlg.timerInterval(CAlarmDialog::TimerFade) >= 0);
        if (field == "closeAfterMinutes")
            QVERIFY(dlg.timerInterval(CAlarmDialog::TimerCloseAfter) > 0);
        if (field == "volume") {
            uint32_t wave = 0;
            QVERIFY(GetWaveOutVolume(&wave));
            QCOMPARE(wave, 65535u);
        }
        dlg.grab();
        // A snooze always counts down at least one second and then rings again.
        dlg.Tap();
        QVERIFY(dlg.countdown() >= 1);
        RunCountdown(dlg);
        QCOMPARE(dlg.countdown(), 0);
        QVERIFY(!dlg.timerActive(CAlarmDialog::TimerCountdown));
        QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
        dlg.EndAlarm();
        QVERIFY(dlg.ended());
    }

    void layoutGeometry_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<QRect>("end");
        QTest::addColumn<int>("screenClass");
        QTest::addColumn<int>("endPoints"); // the End button's font size
        // u = 2 at 96 dpi.
        QTest::newRow("QVGA, small") << "240x320" << 0 << false << QRect(70, 288, 100, 24) << 0 << 9;
        QTest::newRow("QVGA, small, sound") << "240x320" << 0 << true << QRect(70, 262, 100, 24) << 0 << 9;
        QTest::newRow("QVGA, medium") << "240x320" << 1 << false << QRect(4, 154, 232, 162) << 0 << 16;
        QTest::newRow("QVGA, big") << "240x320" << 2 << false << QRect(4, 62, 232, 254) << 0 << 16;
        QTest::newRow("square 240") << "240x240" << 0 << false << QRect(70, 208, 100, 24) << 10 << 9;
        QTest::newRow("WVGA at 192 dpi") << "480x800@192" << 0 << false << QRect(70, 368, 100, 24) << 8 << 9;
        // 120 x 160 logical pixels: too short for the medium button, which falls back to the small one.
        QTest::newRow("QVGA at 192 dpi, medium falls back")
            << "240x320@192" << 1 << false << QRect(10, 128, 100, 24) << 0 << 9;
        QTest::newRow("unknown display") << "300x500" << 0 << false << QRect(100, 468, 100, 24) << 3 << 9;
    }
    void layoutGeometry()
    {
        QFETCH(QString, screen);
        QFETCH(int, style);
        QFETCH(bool, sound);
        QFETCH(QRect, end);
        QFETCH(int, screenClass);
        QFETCH(int, endPoints);
        qputenv("DAWNBELL_SCREEN", screen.toUtf8());
        ResetDpiCacheForTesting();
        auto alarm = MakeAlarm(1);
        alarm->layoutStyle = style;
        alarm->showSoundControls = sound;
        alarm->SetBackImage(BackImageSquare, "square.png");
        alarm->SetBackImage(BackImageQVGA, "qvga.png");
        alarm->backImageStyle = 1;
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QCOMPARE(dlg.screenClass(), screenClass);
        auto* endButton = dlg.findChild<QPushButton*>("1");
        QCOMPARE(endButton->geometry(), end);
        QCOMPARE(endButton->font().pointSizeF(), KitFont(endPoints).pointSizeF());
        if (style != 2) // the message never reaches into the End button
            QVERIFY(dlg.findChild<QLabel*>("1018")->geometry().bottom() < end.top());
        QCOMPARE(dlg.findChild<QSlider*>("1037")->isVisibleTo(&dlg), sound);
        QCOMPARE(dlg.findChild<QLabel*>("1021")->geometry().topLeft(), QPoint(4, 4));
        QCOMPARE(dlg.backgroundName(), screenClass == 10 ? QString("square.png") : QString("qvga.png"));
    }

    void batteryGauge_data()
    {
        QTest::addColumn<bool>("mains");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("icon");
        QTest::newRow("on mains") << true << 10 << -1;
        QTest::newRow("14 %") << false << 14 << 283;
        QTest::newRow("15 %") << false << 15 << 284;
        QTest::newRow("59 %") << false << 59 << 285;
        QTest::newRow("84 %") << false << 84 << 286;
        QTest::newRow("85 %") << false << 85 << 282;
    }
    void batteryGauge()
    {
        QFETCH(bool, mains);
        QFETCH(int, percent);
        QFETCH(int, icon);
        env_->SetBattery(mains, percent);
        auto alarm = MakeAlarm(1);
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QCOMPARE(dlg.batteryIcon(), icon);
        if (icon > 0) {
            // Layout 0: right edge 5 px in, bottom level with End's bottom.
            const QRect end = dlg.findChild<QPushButton*>("1")->geometry();
            QCOMPARE(dlg.batteryRect(), QRect(240 - 5 - 31, end.bottom() + 1 - 16, 31, 16));
        }
        // Going to mains hides it at the next clock tick.
        env_->SetBattery(true, percent);
        dlg.HandleTimer(CAlarmDialog::TimerClock);
        QCOMPARE(dlg.batteryIcon(), -1);
    }

    void paintsWithoutImages()
    {
        // A picture that does not decode leaves the gradient; painting works.
        QDir().mkpath(env_->Path("images"));
        WriteFile(env_->Path("images/bad.png"), "not a picture");
        auto alarm = MakeAlarm(1);
        alarm->title = "Wake up";
        alarm->message = "A rather long message that needs word wrapping to fit";
        alarm->backImageStyle = 2;
        alarm->SetBackImage(BackImageQVGA, "../bad.png");
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        QCOMPARE(dlg.backgroundName(), QString("bad.png"));
        const QImage shot = dlg.grab().toImage();
        QCOMPARE(shot.size(), QSize(240, 320));
        QVERIFY(dlg.findChild<QLabel*>("1018")->font().pointSizeF() >= 4.0);
    }
};

QTEST_MAIN(AlarmDialogTest)
#include "AlarmDialogTest.moc"
