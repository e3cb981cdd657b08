// The compact editor driven like a user: opening values, countdown mode, the
// playlist and its buttons, forced volume and its restoring, test playback, and
// the OK checks, on a temporary device directory with the virtual device
// volume, a fixed clock and the fake player.
#include "CEditAlarm.h"

#include "Alarm.h"
#include "Clock.h"
#include "FakeMediaPlayer.h"
#include "FileDialog.h"
#include "MediaPlayerFactory.h"
#include "Profile.h"
#include "Registry.h"
#include "Scaling.h"
#include "Scheduler.h"
#include "Texts.h"
#include "WaveVolume.h"

#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

#include <memory>
#include <vector>

using namespace dawnbell;

namespace {

const QString kSettings = QStringLiteral("settings");

// Saturday 14 March 2026, 07:30:00 local time.
int64_t FixedNow()
{
    return clock::MakeLocal(2026, 3, 14, 7, 30, 0);
}

// A compact alarm at hh:mm:ss of the fixed day.
std::unique_ptr<Alarm> CompactAlarm(int h, int m, int s = 0)
{
    auto a = std::make_unique<Alarm>();
    a->type = AlarmCompact;
    a->alarmTime = clock::MakeLocal(2026, 3, 14, h, m, s);
    a->repeatDays = 0;
    a->playlist = {QStringLiteral("/sounds/a.mp3")};
    return a;
}

// The control `id` of an editor.
template <typename T>
T* Ctl(const CEditAlarm& dlg, int id)
{
    return dlg.findChild<T*>(QString::number(id));
}

// The second of day of a moment.
int SecondOfDay(int64_t moment)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    return t.hour * 3600 + t.minute * 60 + t.second;
}

} // namespace

class EditAlarmTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home_;
    QString record_; // message box record file

    QStringList RecordedBoxes() const
    {
        QFile f(record_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString MakeFile(const QString& relative)
    {
        const QString path = home_->filePath(QStringLiteral("files/") + relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("ID3");
        return path;
    }
    static uint32_t DeviceVolume()
    {
        uint32_t v = 0;
        return GetWaveOutVolume(&v) ? v : 0xFFFFFFFFu;
    }

private slots:
    void initTestCase()
    {
        Profile::SetRegistryKey(QStringLiteral("Torvane"));
        qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
        qputenv("DAWNBELL_SCREEN", "240x320@96");
        ResetDpiCacheForTesting();
        clock::SetNowForTesting(FixedNow());
    }

    void init()
    {
        RegCloseStore();
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("DAWNBELL_HOME", home_->path().toUtf8());
        record_ = home_->filePath(QStringLiteral("boxes.txt"));
        qputenv("DAWNBELL_MSGBOX_RECORD", record_.toUtf8());
        qunsetenv("DAWNBELL_AUTO_ANSWER");
        auto fake = [] { return std::unique_ptr<MediaPlayer>(new FakeMediaPlayer); };
        SetMediaPlayerFactoryForTesting(fake);
        CEditAlarm::SetFileDialogRunnerForTesting({});
    }

    void cleanup()
    {
        SetMediaPlayerFactoryForTesting({});
        CEditAlarm::SetFileDialogRunnerForTesting({});
        RegCloseStore();
    }

    void cleanupTestCase()
    {
        clock::SetNowForTesting(std::nullopt);
    }

    // --- opening ----------------------------------------------------------

    void opensSnoozeAndQuiz_data()
    {
        QTest::addColumn<int>("useSnooze");
        QTest::addColumn<int>("snooze");
        QTest::addColumn<int>("quiz");
        QTest::addColumn<QString>("snoozeText");
        QTest::addColumn<QString>("quizText");
        QTest::newRow("snooze off keeps nothing visible") << 0 << 180 << 3 << "0" << "3";
        QTest::newRow("30 s opens as one minute") << 1 << 30 << 0 << "1" << "0";
        QTest::newRow("zero length with snooze on") << 1 << 0 << 1 << "1" << "1";
        QTest::newRow("59 s") << 1 << 59 << 9 << "1" << "9";
        QTest::newRow("119 s rounds down") << 1 << 119 << 2 << "1" << "2";
        QTest::newRow("five minutes") << 1 << 300 << 3 << "5" << "3";
        QTest::newRow("quiz 12 is capped") << 1 << 180 << 12 << "3" << "9";
        QTest::newRow("longer than the arrows go, kept") << 1 << 7200 << 3 << "120" << "3";
    }
    void opensSnoozeAndQuiz()
    {
        QFETCH(int, useSnooze); QFETCH(int, snooze); QFETCH(int, quiz);
        auto a = CompactAlarm(7, 0);
        a->useSnooze = useSnooze;
        a->snooze = snooze;
        a->quiz = quiz;
        CEditAlarm dlg(a.get());
        QFETCH(QString, snoozeText);
        QCOMPARE(dlg.snoozeText(), snoozeText);
        QFETCH(QString, quizText);
        QCOMPARE(dlg.quizText(), quizText);
    }

    void opensDaysTextsAndOptions()
    {
        auto a = CompactAlarm(6, 45, 10);
        a->repeatDays = 0x41; // Monday and Sunday
        a->title = QString(1200, QLatin1Char('t'));
        a->message = QStringLiteral("Get up");
        a->vibrate = 0;
        a->random = 1;
        a->forceVolume = 0;
        CEditAlarm dlg(a.get());
        for (int i = 0; i < 7; ++i) {
            auto* box = Ctl<QCheckBox>(dlg, CEditAlarm::kDayIds[i]);
            QVERIFY(box);
            QCOMPARE(box->isChecked(), i == 0 || i == 6);
        }
        QCOMPARE(Ctl<QLineEdit>(dlg, 1005)->text().size(), CEditAlarm::kMaxTextLength);
        QCOMPARE(Ctl<QLineEdit>(dlg, 1006)->text(), QStringLiteral("Get up"));
        QVERIFY(!Ctl<QCheckBox>(dlg, 1011)->isChecked());
        QVERIFY(Ctl<QCheckBox>(dlg, 1016)->isChecked());
        QVERIFY(Ctl<QSlider>(dlg, 1029)->isHidden());
        QCOMPARE(dlg.timePicker()->time(), QTime(6, 45, 10));
        QCOMPARE(dlg.timeLabel()->text(), Text(4));
    }

    // --- OK writes --------------------------------------------------------

    void okWritesSnooze_data()
    {
        QTest::addColumn<int>("useSnooze");
        QTest::addColumn<int>("snooze");
        QTest::addColumn<int>("minutes"); // -1: leave the edit as opened
        QTest::addColumn<int>("wantUse");
        QTest::addColumn<int>("wantSnooze");
        QTest::newRow("0 keeps the old length") << 0 << 420 << -1 << 0 << 420;
        QTest::newRow("0 entered switches off, length kept") << 1 << 300 << 0 << 0 << 300;
        QTest::newRow("30 s becomes a minute") << 1 << 30 << -1 << 1 << 60;
        QTest::newRow("new length") << 0 << 420 << 12 << 1 << 720;
        QTest::newRow("largest") << 1 << 60 << 99 << 1 << 5940;
        QTest::newRow("two hours from the wizard kept") << 1 << 7230 << -1 << 1 << 7200;
    }
    void okWritesSnooze()
    {
        QFETCH(int, useSnooze); QFETCH(int, snooze); QFETCH(int, minutes);
        auto a = CompactAlarm(7, 0);
        a->useSnooze = useSnooze;
        a->snooze = snooze;
        CEditAlarm dlg(a.get());
        if (minutes >= 0)
            Ctl<QSpinBox>(dlg, 1010)->setValue(minutes);
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QFETCH(int, wantUse);
        QCOMPARE(a->useSnooze, wantUse);
        QFETCH(int, wantSnooze);
        QCOMPARE(a->snooze, wantSnooze);
    }

    void okWritesEveryEditedField()
    {
        auto a = CompactAlarm(7, 0);
        a->fadeDuration = 33;
        a->closeAfterMinutes = 4;
        a->type = AlarmCompact;
        CEditAlarm dlg(a.get());
        Ctl<QLineEdit>(dlg, 1005)->setText(QStringLiteral("Work"));
        Ctl<QLineEdit>(dlg, 1006)->setText(QStringLiteral("Bus at 8"));
        dlg.SetPickedTime(6, 15, 0);
        dlg.Press(CEditAlarm::IdTuesday);
        dlg.Press(CEditAlarm::IdFriday);
        dlg.Press(CEditAlarm::IdVibrate);
        dlg.Press(CEditAlarm::IdRandom);
        Ctl<QSpinBox>(dlg, 1045)->setValue(5);
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(a->title, QStringLiteral("Work"));
        QCOMPARE(a->message, QStringLiteral("Bus at 8"));
        QCOMPARE(a->alarmTime, clock::MakeLocal(2026, 3, 14, 6, 15, 0));
        QCOMPARE(a->repeatDays, 0x12);
        QCOMPARE(a->vibrate, 0);
        QCOMPARE(a->random, 0);
        QCOMPARE(a->quiz, 5);
        // Fields of the wizard stay as they were.
        QCOMPARE(a->fadeDuration, 33);
        QCOMPARE(a->closeAfterMinutes, 4);
    }

    // --- countdown mode ---------------------------------------------------

    void countdownShowsDuration_data()
    {
        QTest::addColumn<QTime>("picked");
        QTest::addColumn<QString>("shown");
        QTest::newRow("now") << QTime(7, 30, 0) << "00:00:00";
        QTest::newRow("one minute earlier") << QTime(7, 29, 0) << "23:59:00";
        QTest::newRow("one second later") << QTime(7, 30, 1) << "00:00:01";
        QTest::newRow("just before midnight") << QTime(23, 59, 59) << "16:29:59";
        QTest::newRow("midnight") << QTime(0, 0, 0) << "16:30:00";
    }
    // Countdown mode shows the time left until the picked time; OK then stores a
    // one-time alarm at now + that duration.
    void countdownShowsDuration()
    {
        QFETCH(QTime, picked);
        auto a = CompactAlarm(7, 0);
        a->repeatDays = 0x7F;
        CEditAlarm dlg(a.get());
        dlg.SetPickedTime(picked.hour(), picked.minute(), picked.second());
        dlg.TapTimeLabel();
        QVERIFY(dlg.countdownMode());
        QFETCH(QString, shown);
        QCOMPARE(dlg.pickerText(), shown);
        QCOMPARE(dlg.timeLabel()->text(), Text(11));
        for (int id : CEditAlarm::kDayIds) {
            auto* box = Ctl<QCheckBox>(dlg, id);
            QVERIFY(!box->isChecked());
            QVERIFY(!box->isEnabled());
        }
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(a->repeatDays, 0);
        QCOMPARE(a->alarmTime, FixedNow() + QTime(0, 0).secsTo(QTime::fromString(shown, QStringLiteral("HH:mm:ss"))));
    }

    void countdownBackGivesNowPlusDuration_data()
    {
        QTest::addColumn<QTime>("duration");
        QTest::addColumn<int>("dayOffset");
        QTest::addColumn<QTime>("shown");
        QTest::newRow("same day") << QTime(1, 0, 0) << 0 << QTime(8, 30, 0);
        QTest::newRow("past midnight") << QTime(17, 0, 5) << 1 << QTime(0, 30, 5);
    }
    void countdownBackGivesNowPlusDuration()
    {
        QFETCH(QTime, duration); QFETCH(int, dayOffset); QFETCH(QTime, shown);
        auto a = CompactAlarm(7, 0);
        a->repeatDays = 0x03;
        CEditAlarm dlg(a.get());
        dlg.TapTimeLabel();
        dlg.SetPickedTime(duration.hour(), duration.minute(), duration.second());
        dlg.TapTimeLabel();
        QVERIFY(!dlg.countdownMode());
        QCOMPARE(dlg.timePicker()->time(), shown);
        QCOMPARE(dlg.timeLabel()->text(), Text(4));
        for (int id : CEditAlarm::kDayIds) {
            auto* box = Ctl<QCheckBox>(dlg, id);
            QVERIFY(box->isEnabled());
            QVERIFY(!box->isChecked()); // enabled again, not checked again
        }
        dlg.Press(CEditAlarm::IdOk);
        const int64_t expected = clock::MakeLocal(2026, 3, 14 + dayOffset, shown.hour(), shown.minute(), shown.second());
        QCOMPARE(a->alarmTime, expected);
        QCOMPARE(a->repeatDays, 0);
    }

    void tapInsideTimeLabelToggles()
    {
        auto a = CompactAlarm(7, 0);
        CEditAlarm dlg(a.get());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QRect label = dlg.timeLabel()->geometry();
        QVERIFY(label.isValid());
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, label.center());
        QVERIFY(dlg.countdownMode());
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, label.bottomRight() + QPoint(3, 3));
        QVERIFY(dlg.countdownMode());
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, label.topLeft());
        QVERIFY(!dlg.countdownMode());
    }

    // --- playlist ---------------------------------------------------------

    void rowsShowNameOrFullPath_data()
    {
        QTest::addColumn<int>("fullPath");
        QTest::newRow("names") << 0;
        QTest::newRow("full paths") << 1;
    }
    void rowsShowNameOrFullPath()
    {
        QFETCH(int, fullPath);
        Profile::WriteInt(kSettings, QStringLiteral("fullPath"), fullPath);
        const QStringList paths = {QStringLiteral("/music/rock/wake.mp3"), QStringLiteral("/music/pop/wake.mp3"),
                                   QStringLiteral("C:\\old\\bell.wav")};
        auto a = CompactAlarm(7, 0);
        a->playlist = paths;
        CEditAlarm dlg(a.get());
        QCOMPARE(dlg.playlist(), paths);
        if (fullPath)
            QCOMPARE(dlg.rowTexts(), paths);
        else
            QCOMPARE(dlg.rowTexts(), (QStringList{"wake.mp3", "wake.mp3", "bell.wav"}));
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(a->playlist, paths);
    }

    void addingTheSameFileTwice()
    {
        const QString file = MakeFile(QStringLiteral("rock/wake.mp3"));
        MakeFile(QStringLiteral("rock/notes.txt"));
        const QString folder = QFileInfo(file).path();
        int runs = 0;
        CEditAlarm::SetFileDialogRunnerForTesting([&](FileDialog& chooser) {
            ++runs;
            chooser.Prepare();
            chooser.OpenFolder(folder);
            // The sound filter lists only the sound file.
            if (chooser.RowCount() != 1 || !chooser.CheckRow(0, true))
                return int(QDialog::Rejected);
            return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        auto a = CompactAlarm(7, 0);
        a->playlist.clear();
        CEditAlarm dlg(a.get());
        dlg.Press(CEditAlarm::IdAdd);
        dlg.Press(CEditAlarm::IdAdd);
        QCOMPARE(runs, 2);
        QCOMPARE(dlg.playlist(), (QStringList{file, file}));
        QCOMPARE(dlg.rowTexts(), (QStringList{"wake.mp3", "wake.mp3"}));
        QCOMPARE(Profile::ReadText(kSettings, QStringLiteral("lastSelectedSoundFolder"), QString()), folder);
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(a->playlist, (QStringList{file, file}));
    }

    void sameNamesFromTwoFolders()
    {
        const QString rock = MakeFile(QStringLiteral("rock/wake.mp3"));
        const QString pop = MakeFile(QStringLiteral("pop/wake.mp3"));
        QStringList folders = {QFileInfo(rock).path(), QFileInfo(pop).path()};
        CEditAlarm::SetFileDialogRunnerForTesting([&](FileDialog& chooser) {
            chooser.Prepare();
            chooser.OpenFolder(folders.takeFirst());
            chooser.CheckRow(0, true);
            return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        auto a = CompactAlarm(7, 0);
        a->playlist.clear();
        CEditAlarm dlg(a.get());
        dlg.Press(CEditAlarm::IdAdd);
        dlg.Press(CEditAlarm::IdAdd);
        QCOMPARE(dlg.rowTexts(), (QStringList{"wake.mp3", "wake.mp3"}));
        dlg.DoubleTapRow(1);
        auto* player = qobject_cast<FakeMediaPlayer*>(dlg.player());
        QVERIFY(player);
        QCOMPARE(player->Media(), pop);
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(a->playlist, (QStringList{rock, pop}));
    }

    void buttonStates_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("down");
        QTest::newRow("empty list") << 0 << -1 << false << false << false;
        QTest::newRow("rows, none selected") << 3 << -1 << false << false << false;
        QTest::newRow("only row") << 1 << 0 << true << false << false;
        QTest::newRow("first of three") << 3 << 0 << true << false << true;
        QTest::newRow("middle of three") << 3 << 1 << true << true << true;
        QTest::newRow("last of three") << 3 << 2 << true << true << false;
    }
    void buttonStates()
    {
        QFETCH(int, rows); QFETCH(int, selected);
        auto a = CompactAlarm(7, 0);
        a->playlist.clear();
        for (int i = 0; i < rows; ++i)
            a->playlist.append(QStringLiteral("/s/%1.mp3").arg(i));
        CEditAlarm dlg(a.get());
        dlg.SelectRow(selected);
        QCOMPARE(dlg.selectedRow(), selected);
        QFETCH(bool, remove);
        QCOMPARE(Ctl<QPushButton>(dlg, 1015)->isEnabled(), remove);
        QFETCH(bool, up);
        QCOMPARE(Ctl<QPushButton>(dlg, 1017)->isEnabled(), up);
        QFETCH(bool, down);
        QCOMPARE(Ctl<QPushButton>(dlg, 1018)->isEnabled(), down);
        QVERIFY(Ctl<QPushButton>(dlg, 1014)->isEnabled());
    }

    void rowCommands_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("up from the middle") << 1 << int(CEditAlarm::IdUp) << "bac" << 0;
        QTest::newRow("down from the middle") << 1 << int(CEditAlarm::IdDown) << "acb" << 2;
        QTest::newRow("up on the first does nothing") << 0 << int(CEditAlarm::IdUp) << "abc" << 0;
        QTest::newRow("down on the last does nothing") << 2 << int(CEditAlarm::IdDown) << "abc" << 2;
        QTest::newRow("remove keeps the index") << 0 << int(CEditAlarm::IdRemove) << "bc" << 0;
        QTest::newRow("remove the last selects none") << 2 << int(CEditAlarm::IdRemove) << "ab" << -1;
        QTest::newRow("remove without selection") << -1 << int(CEditAlarm::IdRemove) << "abc" << -1;
    }
    void rowCommands()
    {
        QFETCH(int, selected); QFETCH(int, command); QFETCH(QString, order);
        auto a = CompactAlarm(7, 0);
        a->playlist = {QStringLiteral("/x/a"), QStringLiteral("/y/b"), QStringLiteral("/z/c")};
        CEditAlarm dlg(a.get());
        dlg.SelectRow(selected);
        dlg.Press(command);
        QString got;
        for (const QString& p : dlg.playlist())
            got += p.right(1);
        QCOMPARE(got, order);
        QString texts;
        for (const QString& t : dlg.rowTexts())
            texts += t;
        QCOMPARE(texts, order); // each row moved together with its path
        QFETCH(int, selectedAfter);
        QCOMPARE(dlg.selectedRow(), selectedAfter);
    }

    // --- volume -----------------------------------------------------------

    void deviceVolumeRestored_data()
    {
        QTest::addColumn<int>("forceAtOpen");
        QTest::addColumn<QString>("steps"); // s = move slider to 80, f = tap Force volume, t = test row 0
        QTest::addColumn<int>("closeWith");  // 1 OK, 2 Cancel, 0 none (destroyed)
        QTest::addColumn<int>("duringPercent"); // device percent before closing; -1 untouched
        QTest::newRow("slider then Cancel") << 1 << "s" << 2 << 80;
        QTest::newRow("slider then OK") << 1 << "s" << 1 << 80;
        QTest::newRow("check then OK") << 0 << "f" << 1 << 30;
        QTest::newRow("check, uncheck") << 0 << "ff" << 2 << -1;
        QTest::newRow("uncheck, check, slider") << 1 << "ffs" << 2 << 80;
        QTest::newRow("test with force on") << 1 << "t" << 2 << 30;
        QTest::newRow("test with force off") << 0 << "t" << 2 << -1;
        QTest::newRow("destroyed while forced") << 1 << "s" << 0 << 80;
    }
    void deviceVolumeRestored()
    {
        QFETCH(int, forceAtOpen); QFETCH(QString, steps); QFETCH(int, closeWith); QFETCH(int, duringPercent);
        const uint32_t before = 12345;
        QVERIFY(SetWaveOutVolume(before));
        auto a = CompactAlarm(7, 0);
        a->forceVolume = forceAtOpen;
        a->volume = 30;
        {
            CEditAlarm dlg(a.get());
            QCOMPARE(DeviceVolume(), before); // opening changes nothing
            for (QChar step : steps) {
                if (step == QLatin1Char('s'))
                    dlg.MoveVolumeSlider(80);
                else if (step == QLatin1Char('f'))
                    dlg.Press(CEditAlarm::IdForceVolume);
                else
                    dlg.DoubleTapRow(0);
            }
            QCOMPARE(DeviceVolume(), duringPercent < 0 ? before : WaveValueForPercent(duringPercent));
            if (closeWith)
                dlg.Press(closeWith);
            QCOMPARE(dlg.savedWaveVolume() >= 0, closeWith == 0 && duringPercent >= 0);
            if (closeWith)
                QCOMPARE(DeviceVolume(), before);
        }
        QCOMPARE(DeviceVolume(), before);
    }

    // --- test playback ----------------------------------------------------

    void testPlaybackPlaysRowAtFullPlayerVolume()
    {
        auto a = CompactAlarm(7, 0);
        a->playlist = {QStringLiteral("/s/one.mp3"), QStringLiteral("/s/two.mp3")};
        CEditAlarm dlg(a.get());
        QVERIFY(!dlg.player());
        dlg.DoubleTapRow(1);
        auto* player = qobject_cast<FakeMediaPlayer*>(dlg.player());
        QVERIFY(player);
        QCOMPARE(player->Media(), QStringLiteral("/s/two.mp3"));
        QCOMPARE(player->Volume(), 100);
        QCOMPARE(player->state(), MediaPlayer::Playing);
        // A change of the list stops the test.
        dlg.SelectRow(0);
        QCOMPARE(player->state(), MediaPlayer::Stopped);
        dlg.Press(CEditAlarm::IdCancel);
        QVERIFY(!dlg.player());
    }

    void testPlaybackWithoutPlayer()
    {
        SetMediaPlayerFactoryForTesting([] { return std::unique_ptr<MediaPlayer>(); });
        auto a = CompactAlarm(7, 0);
        CEditAlarm dlg(a.get());
        dlg.DoubleTapRow(0);
        QVERIFY(!dlg.player());
        QCOMPARE(RecordedBoxes(), QStringList{Text(113) + QLatin1Char('\t') + Text(1)});
        // Editing goes on.
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    // --- OK checks --------------------------------------------------------

    void emptyPlaylistQuestion_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("No keeps the dialog") << QByteArray("no") << false;
        QTest::newRow("Yes accepts without sound") << QByteArray("yes") << true;
    }
    void emptyPlaylistQuestion()
    {
        QFETCH(QByteArray, answer); QFETCH(bool, accepted);
        qputenv("DAWNBELL_AUTO_ANSWER", answer);
        auto a = CompactAlarm(7, 0);
        a->title = QStringLiteral("old");
        CEditAlarm dlg(a.get());
        dlg.SelectRow(0);
        dlg.Press(CEditAlarm::IdRemove);
        Ctl<QLineEdit>(dlg, 1005)->setText(QStringLiteral("new"));
        dlg.Press(CEditAlarm::IdOk);
        QString text = Text(56);
        text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        QCOMPARE(RecordedBoxes(), QStringList{Text(126) + QLatin1Char('\t') + text});
        QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
        QCOMPARE(a->title, accepted ? QStringLiteral("new") : QStringLiteral("old"));
        QCOMPARE(a->playlist.isEmpty(), accepted);
    }

    void timeClash_data()
    {
        QTest::addColumn<int>("otherDays");
        QTest::addColumn<QTime>("picked");
        QTest::addColumn<int>("pickedDays");
        QTest::addColumn<bool>("clash");
        QTest::newRow("same time, other once") << 0 << QTime(7, 0) << 0x01 << true;
        QTest::newRow("same time, shared day") << 0x03 << QTime(7, 0) << 0x02 << true;
        QTest::newRow("same time, other days") << 0x01 << QTime(7, 0) << 0x02 << false;
        QTest::newRow("one second later") << 0 << QTime(7, 0, 1) << 0 << false;
    }
    void timeClash()
    {
        QFETCH(int, otherDays); QFETCH(QTime, picked); QFETCH(int, pickedDays); QFETCH(bool, clash);
        std::vector<Alarm*> list;
        auto other = CompactAlarm(7, 0);
        other->repeatDays = otherDays;
        auto edited = CompactAlarm(7, 0); // the edited alarm itself never clashes
        list = {other.get(), edited.get()};
        edited->title = QStringLiteral("kept");
        CEditAlarm dlg(edited.get(), nullptr,
                       [&](const Alarm& c) { return Scheduler::TimeClash(c, edited.get(), list); });
        dlg.SetPickedTime(picked.hour(), picked.minute(), picked.second());
        for (int i = 0; i < 7; ++i) {
            if (pickedDays & (1 << i))
                dlg.Press(CEditAlarm::kDayIds[i]);
        }
        Ctl<QLineEdit>(dlg, 1005)->setText(QStringLiteral("changed"));
        dlg.Press(CEditAlarm::IdOk);
        QCOMPARE(dlg.result() == QDialog::Accepted, !clash);
        if (clash) {
            QCOMPARE(RecordedBoxes(), QStringList{Text(113) + QLatin1Char('\t') + Text(2)});
            QCOMPARE(edited->title, QStringLiteral("kept"));
            // All input is kept for another try.
            QCOMPARE(Ctl<QLineEdit>(dlg, 1005)->text(), QStringLiteral("changed"));
            QCOMPARE(dlg.timePicker()->time(), picked);
        } else {
            QVERIFY(RecordedBoxes().isEmpty());
            QCOMPARE(SecondOfDay(edited->alarmTime), picked.hour() * 3600 + picked.minute() * 60 + picked.second());
            QCOMPARE(edited->repeatDays, pickedDays);
        }
    }

    // --- layout -----------------------------------------------------------

    void layoutPerScreen_data()
    {
        QTest::addColumn<QByteArray>("screen");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QRect>("title");
        QTest::addColumn<QRect>("list");
        QTest::addColumn<bool>("smallerTime"); // the narrow time picker steps its font down
        QTest::newRow("portrait, no room to centre") << QByteArray("240x320") << 130 << QRect(88, 10, 134, 20)
                                                    << QRect(10, 121, 121, 72) << false;
        QTest::newRow("portrait tall, centred down") << QByteArray("240x400") << 130 << QRect(88, 57, 134, 20)
                                                     << QRect(10, 168, 121, 72) << false;
        QTest::newRow("portrait at 192 dpi") << QByteArray("480x800@192") << 130 << QRect(88, 57, 134, 20)
                                             << QRect(10, 168, 121, 72) << false;
        QTest::newRow("landscape, no room to centre") << QByteArray("320x240") << 131 << QRect(90, 6, 105, 20)
                                                      << QRect(49, 115, 135, 45) << false;
        QTest::newRow("landscape wide, centred right") << QByteArray("800x480") << 131 << QRect(332, 6, 105, 20)
                                                       << QRect(291, 115, 135, 45) << false;
        QTest::newRow("square, never shifted") << QByteArray("480x480") << 207 << QRect(90, 4, 145, 20)
                                               << QRect(33, 121, 133, 41) << true;
    }
    void layoutPerScreen()
    {
        QFETCH(QByteArray, screen);
        qputenv("DAWNBELL_SCREEN", screen);
        ResetDpiCacheForTesting();
        auto a = CompactAlarm(7, 0);
        CEditAlarm dlg(a.get());
        qputenv("DAWNBELL_SCREEN", "240x320@96");
        ResetDpiCacheForTesting();
        QFETCH(int, layout);
        QCOMPARE(dlg.LayoutId(), layout);
        QFETCH(QRect, title);
        QCOMPARE(Ctl<QWidget>(dlg, 1005)->geometry(), title);
        QFETCH(QRect, list);
        QCOMPARE(Ctl<QWidget>(dlg, 1013)->geometry(), list);
        // Labels move with their edits.
        const QRect label = Ctl<QLabel>(dlg, 1025)->geometry();
        QCOMPARE(label.top(), Ctl<QWidget>(dlg, 1005)->geometry().top());
        QFETCH(bool, smallerTime);
        QCOMPARE(dlg.timePicker()->font().pointSizeF() < dlg.font().pointSizeF(), smallerTime);
    }

};

QTEST_MAIN(EditAlarmTest)
#include "EditAlarmTest.moc"
