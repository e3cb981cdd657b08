// The closing confirmation (countdown, answers, size and place, activation)
// and the ringing window's automatic stop decision, with the real settings
// store, real windows and a /proc-like tree for the process names.
#include "AutoStop.h"
#include "CCloseAlarmDialog.h"
#include "ForegroundProcess.h"
#include "Profile.h"
#include "RingingTestEnv.h"
#include "Scaling.h"
#include "Texts.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <unistd.h>

using namespace dawnbell;
using namespace dawnbell::test;

Q_DECLARE_METATYPE(AutoStopDecision)

namespace {

void SetDisableAutoStop(int v)
{
    QVERIFY(Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), v));
}

} // namespace

class ClosingTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        env_ = std::make_unique<RingingEnv>();
        qputenv("DAWNBELL_SCREEN", "240x320");
        ResetDpiCacheForTesting();
    }
    void cleanup()
    {
        SetForegroundLookupForTesting({});
        qunsetenv("DAWNBELL_SCREEN");
        ResetDpiCacheForTesting();
        env_.reset();
    }

    void countdownAnswersNo_data();
    void countdownAnswersNo();
    void untouchedConfirmationAnswersNoAfterFiveSeconds();
    void buttonsAnswer_data();
    void buttonsAnswer();
    void sizeAndPlace_data();
    void sizeAndPlace();
    void lostActivation_data();
    void lostActivation();

    void decision_data();
    void decision();
    void decisionForWindows_data();
    void decisionForWindows();
    void processFileNames_data();
    void processFileNames();
    void programsOfApplicationIds_data();
    void programsOfApplicationIds();
    void ownProcessAndUnknownForeground();

private:
    std::unique_ptr<RingingEnv> env_;
};

// Each tick counts down and shows the seconds left; the fifth answers No.
void ClosingTest::countdownAnswersNo_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("open");
    QTest::newRow("start") << 0 << QStringLiteral("5") << true;
    QTest::newRow("1 s") << 1 << QStringLiteral("4") << true;
    QTest::newRow("4 s") << 4 << QStringLiteral("1") << true;
    QTest::newRow("5 s") << 5 << QStringLiteral("0") << false;
}

void ClosingTest::countdownAnswersNo()
{
    QFETCH(int, ticks);
    QFETCH(QString, shown);
    QFETCH(bool, open);
    CCloseAlarmDialog dialog(0xFFFFFF, 0x000000);
    dialog.show();
    QCOMPARE(dialog.label(CCloseAlarmDialog::IdQuestion)->text(), Text(14));
    QVERIFY(dialog.label(CCloseAlarmDialog::IdQuestion)->isHidden());
    QCOMPARE(dialog.yesButton()->text(), Text(15));
    QCOMPARE(dialog.noButton()->text(), Text(16));
    for (int i = 0; i < ticks; ++i)
        dialog.HandleTimer(CCloseAlarmDialog::TimerCountdown);
    QCOMPARE(dialog.label(CCloseAlarmDialog::IdCountdown)->text(), shown);
    QCOMPARE(dialog.isVisible(), open);
    QCOMPARE(dialog.timerActive(), open);
    if (!open)
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

// Run as the ringing window runs it, the confirmation returns No by itself.
void ClosingTest::untouchedConfirmationAnswersNoAfterFiveSeconds()
{
    QWidget owner;
    QElapsedTimer clock;
    clock.start();
    const bool yes = MakeCloseConfirmer()(&owner, 0x203040, 0xF0F0F0);
    const qint64 ms = clock.elapsed();
    QVERIFY(!yes);
    QVERIFY2(ms >= 4500 && ms < 8000, qPrintable(QString::number(ms)));
}

// The buttons answer, and so do the keys: Enter (either key) is Yes, Escape No.
// Keys go where the application sends them: the focus widget of the dialog.
void ClosingTest::buttonsAnswer_data()
{
    QTest::addColumn<int>("button"); // 0: a key instead
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << int(CCloseAlarmDialog::IdYes) << 0 << true;
    QTest::newRow("No") << int(CCloseAlarmDialog::IdNo) << 0 << false;
    QTest::newRow("Return key") << 0 << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter key") << 0 << int(Qt::Key_Enter) << true;
    QTest::newRow("Escape key") << 0 << int(Qt::Key_Escape) << false;
}

void ClosingTest::buttonsAnswer()
{
    QFETCH(int, button);
    QFETCH(int, key);
    QFETCH(bool, yes);
    QWidget owner;
    QTimer::singleShot(50, [button, key] {
        auto* dialog = qobject_cast<CCloseAlarmDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->HandleTimer(CCloseAlarmDialog::TimerCountdown); // a second later, still counting
        if (button) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(QString::number(button)), Qt::LeftButton);
            return;
        }
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && dialog->isAncestorOf(focus) ? focus : dialog, Qt::Key(key));
    });
    QCOMPARE(MakeCloseConfirmer()(&owner, 0xFFFFFF, 0), yes);
}

// 171 x 89 at 96 dpi, centred on the screen, and put back when moved.
void ClosingTest::sizeAndPlace_data()
{
    QTest::addColumn<QByteArray>("screen");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("240x320") << QByteArray("240x320") << QRect(34, 115, 171, 89);
    QTest::newRow("320x240") << QByteArray("320x240") << QRect(74, 75, 171, 89);
    QTest::newRow("480x800@192") << QByteArray("480x800@192") << QRect(34, 155, 171, 89);
    QTest::newRow("240x240") << QByteArray("240x240") << QRect(34, 75, 171, 89);
    QTest::newRow("smaller than designed for") << QByteArray("240x320@192") << QRect(0, 49, 119, 62);
}

void ClosingTest::sizeAndPlace()
{
    QFETCH(QByteArray, screen);
    QFETCH(QRect, geometry);
    qputenv("DAWNBELL_SCREEN", screen);
    ResetDpiCacheForTesting();
    CCloseAlarmDialog dialog(0xFFFFFF, 0);
    dialog.show();
    QCOMPARE(dialog.geometry(), geometry);
    dialog.move(0, 0);
    QCoreApplication::processEvents();
    QCOMPARE(dialog.geometry(), geometry);
    // Every control inside the window, the buttons side by side.
    for (QWidget* w : dialog.findChildren<QWidget*>())
        QVERIFY2(dialog.rect().contains(w->geometry()), qPrintable(w->objectName()));
    QVERIFY(dialog.yesButton()->geometry().right() < dialog.noButton()->geometry().left());
}

// Another window taking the foreground answers Yes while the automatic stop is
// on; the parent never does.
void ClosingTest::lostActivation_data()
{
    QTest::addColumn<int>("disableAutoStop");
    QTest::addColumn<bool>("toParent");
    QTest::addColumn<int>("result"); // -1: still open
    QTest::newRow("another window") << 0 << false << int(QDialog::Accepted);
    QTest::newRow("another window, automatic stop off") << 1 << false << -1;
    QTest::newRow("the parent") << 0 << true << -1;
}

void ClosingTest::lostActivation()
{
    QFETCH(int, disableAutoStop);
    QFETCH(bool, toParent);
    QFETCH(int, result);
    SetDisableAutoStop(disableAutoStop);
    QWidget owner;
    owner.resize(100, 100);
    owner.show();
    QWidget stranger;
    stranger.resize(50, 50);
    stranger.show();
    CCloseAlarmDialog dialog(0xFFFFFF, 0, &owner);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QWidget* next = toParent ? &owner : &stranger;
    next->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(next));
    QCoreApplication::processEvents();
    if (result < 0) {
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.timerActive());
    } else {
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), result);
    }
}

// The decision itself, over every combination that matters.
void ClosingTest::decision_data()
{
    QTest::addColumn<bool>("ended");
    QTest::addColumn<bool>("activated");
    QTest::addColumn<bool>("parent");
    QTest::addColumn<bool>("owned");
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<QString>("foreground");
    QTest::addColumn<AutoStopDecision>("decision");
    QTest::addColumn<bool>("asked"); // the foreground was looked up
    using D = AutoStopDecision;
    const QString phone = QStringLiteral("cprog.exe");
    QTest::newRow("phone in front") << false << false << false << false << false << phone << D::Stop << true;
    QTest::newRow("gnome-calls") << false << false << false << false << false << "gnome-calls" << D::Stop << true;
    QTest::newRow("plasmaphonedialer") << false << false << false << false << false << "plasmaphonedialer"
                                       << D::Stop << true;
    QTest::newRow("phone, automatic stop off") << false << false << false << false << true << phone << D::Reassert
                                               << false;
    QTest::newRow("another program") << false << false << false << false << false << "firefox" << D::Reassert
                                     << true;
    QTest::newRow("name differing in case") << false << false << false << false << false << "CProg.exe"
                                            << D::Reassert << true;
    QTest::newRow("unknown process") << false << false << false << false << false << "" << D::Reassert << true;
    QTest::newRow("main window") << false << false << true << false << false << phone << D::Reassert << false;
    QTest::newRow("quiz or confirmation") << false << false << false << true << false << phone << D::Nothing
                                          << false;
    QTest::newRow("being activated") << false << true << false << false << false << phone << D::Nothing << false;
    QTest::newRow("after the end") << true << false << false << false << false << phone << D::Nothing << false;
}

void ClosingTest::decision()
{
    QFETCH(bool, ended);
    QFETCH(bool, activated);
    QFETCH(bool, parent);
    QFETCH(bool, owned);
    QFETCH(bool, disabled);
    QFETCH(QString, foreground);
    QFETCH(AutoStopDecision, decision);
    QFETCH(bool, asked);
    ActivationFacts facts;
    facts.ended = ended;
    facts.activated = activated;
    facts.otherIsParent = parent;
    facts.otherIsOwned = owned;
    facts.disableAutoStop = disabled;
    bool lookedUp = false;
    facts.foregroundName = [&] {
        lookedUp = true;
        return foreground.toStdString();
    };
    QCOMPARE(DecideAutoStop(facts), decision);
    QCOMPARE(lookedUp, asked);
}

// The same through real windows: a ringing window with its main window as
// parent, its own dialog, and an unrelated window; the setting from the store.
void ClosingTest::decisionForWindows_data()
{
    QTest::addColumn<QString>("active"); // window active after the ringing window
    QTest::addColumn<int>("disableAutoStop");
    QTest::addColumn<QString>("foreground");
    QTest::addColumn<AutoStopDecision>("decision");
    using D = AutoStopDecision;
    QTest::newRow("phone, another window") << "stranger" << 0 << "gnome-calls" << D::Stop;
    QTest::newRow("phone, no window of ours") << "none" << 0 << "cprog.exe" << D::Stop;
    QTest::newRow("phone, automatic stop off") << "none" << 1 << "cprog.exe" << D::Reassert;
    QTest::newRow("another program") << "none" << 0 << "vlc" << D::Reassert;
    QTest::newRow("unknown") << "none" << 0 << "" << D::Reassert;
    QTest::newRow("own dialog") << "dialog" << 0 << "cprog.exe" << D::Nothing;
    QTest::newRow("main window") << "main" << 0 << "cprog.exe" << D::Reassert;
    QTest::newRow("ringing window active") << "ringing" << 0 << "cprog.exe" << D::Nothing;
}

void ClosingTest::decisionForWindows()
{
    QFETCH(QString, active);
    QFETCH(int, disableAutoStop);
    QFETCH(QString, foreground);
    QFETCH(AutoStopDecision, decision);
    SetDisableAutoStop(disableAutoStop);
    SetForegroundLookupForTesting([foreground] { return foreground.toStdString(); });

    QWidget main;
    main.resize(200, 200);
    main.show();
    QDialog ringing(&main);
    ringing.resize(150, 150);
    ringing.show();
    QDialog dialog(&ringing);
    QWidget stranger;
    stranger.resize(20, 20);
    stranger.show();
    ringing.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&ringing));

    QWidget* next = nullptr;
    if (active == QLatin1String("stranger"))
        next = &stranger;
    else if (active == QLatin1String("dialog"))
        next = &dialog;
    else if (active == QLatin1String("main"))
        next = &main;
    else if (active == QLatin1String("ringing"))
        next = &ringing;
    if (next) {
        next->show();
        QApplication::setActiveWindow(next);
        QTRY_COMPARE(QApplication::activeWindow(), next);
    } else {
        // The focus leaves the program.
        QApplication::setActiveWindow(nullptr);
        QTRY_VERIFY(!QApplication::activeWindow());
    }
    QCOMPARE(DecideOnDeactivate(&ringing, false), decision);
    QCOMPARE(DecideOnDeactivate(&ringing, true), AutoStopDecision::Nothing);
}

// Program names from a /proc-like tree: the program file's link, else the
// command line; lower case, folder removed.
void ClosingTest::processFileNames_data()
{
    QTest::addColumn<QString>("exeLink");   // empty: no link
    QTest::addColumn<QByteArray>("cmdline"); // empty: no file
    QTest::addColumn<QString>("name");
    QTest::newRow("program file") << "/usr/bin/gnome-calls" << QByteArray() << "gnome-calls";
    QTest::newRow("upper case") << "/opt/Phone/PlasmaPhoneDialer" << QByteArray() << "plasmaphonedialer";
    QTest::newRow("replaced on disk") << "/usr/bin/gnome-calls (deleted)" << QByteArray() << "gnome-calls";
    QTest::newRow("no link, command line")
        << "" << QByteArray("/usr/libexec/plasmaphonedialer\0--daemon\0", 41) << "plasmaphonedialer";
    QTest::newRow("run by Wine") << "/usr/lib/wine/wine64-preloader"
                                 << QByteArray("C:\\Windows\\CProg.exe\0", 21) << "cprog.exe";
    QTest::newRow("nothing readable") << "" << QByteArray() << "";
    QTest::newRow("empty command line") << "" << QByteArray("\0", 1) << "";
}

void ClosingTest::processFileNames()
{
    QFETCH(QString, exeLink);
    QFETCH(QByteArray, cmdline);
    QFETCH(QString, name);
    const QString proc = env_->Path(QStringLiteral("proc"));
    const QString dir = proc + QStringLiteral("/4242");
    QVERIFY(QDir().mkpath(dir));
    if (!exeLink.isEmpty())
        QVERIFY(QFile::link(exeLink, dir + QStringLiteral("/exe")));
    if (!cmdline.isEmpty())
        QVERIFY(WriteFile(dir + QStringLiteral("/cmdline"), cmdline));
    QCOMPARE(QString::fromStdString(ProcessFileName(4242, proc.toStdString())), name);
    QCOMPARE(ProcessFileName(4243, proc.toStdString()), std::string());
    QCOMPARE(ProcessFileName(0, proc.toStdString()), std::string());
    QCOMPARE(ProcessFileName(-4242, proc.toStdString()), std::string());
    QCOMPARE(ProcessFileName(int64_t(1) << 40, proc.toStdString()), std::string());
}

// Application ids (Wayland windows) to programs, through desktop entries in a
// private data folder, which comes before the system's.
void ClosingTest::programsOfApplicationIds_data()
{
    QTest::addColumn<QString>("appId");
    QTest::addColumn<QByteArray>("entry"); // <appId>.desktop; empty: none
    QTest::addColumn<QString>("program");
    QTest::newRow("no entry: the id itself") << "gnome-calls" << QByteArray() << "gnome-calls";
    QTest::newRow("no entry, upper case") << "PlasmaPhoneDialer" << QByteArray() << "plasmaphonedialer";
    QTest::newRow("entry runs a program by path")
        << "org.example.Calls" << QByteArray("[Desktop Entry]\nType=Application\nExec=/usr/bin/gnome-calls %u\n")
        << "gnome-calls";
    QTest::newRow("through env, quoted, CRLF")
        << "org.example.Dialer"
        << QByteArray("[Desktop Entry]\r\nExec=env A=1 B=2 \"/opt/My Phone/PlasmaPhoneDialer\" --x\r\n")
        << "plasmaphonedialer";
    QTest::newRow("Exec of another group is not the program")
        << "org.example.Other"
        << QByteArray("[Desktop Action New]\nExec=gnome-calls\n[Desktop Entry]\nExec=gnome-clocks\n") << "gnome-clocks";
    QTest::newRow("entry without Exec: the id") << "org.example.Bare" << QByteArray("[Desktop Entry]\nName=X\n")
                                                 << "org.example.bare";
    QTest::newRow("a path is not an id") << "../applications/evil" << QByteArray() << "";
    QTest::newRow("a hidden name is not an id") << ".hidden" << QByteArray() << "";
    QTest::newRow("spaces are not an id") << "gnome calls" << QByteArray() << "";
    QTest::newRow("empty") << "" << QByteArray() << "";
}

void ClosingTest::programsOfApplicationIds()
{
    QFETCH(QString, appId);
    QFETCH(QByteArray, entry);
    QFETCH(QString, program);
    const QString data = env_->Path(QStringLiteral("data"));
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    if (!entry.isEmpty())
        QVERIFY(WriteFile(data + QStringLiteral("/applications/") + appId + QStringLiteral(".desktop"), entry));
    const std::string found = ProgramOfApplicationId(appId.toStdString());
    qputenv("XDG_DATA_HOME", oldDataHome);
    QCOMPARE(QString::fromStdString(found), program);
}

// The real /proc names this test itself; without an X11 display (offscreen)
// the foreground is unknown, which is never the phone application.
void ClosingTest::ownProcessAndUnknownForeground()
{
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower();
    QCOMPARE(QString::fromStdString(ProcessFileName(getpid())), self);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        QCOMPARE(ForegroundProcessId(), int64_t(0));
        QCOMPARE(ForegroundProcessName(), std::string());
    }
    QVERIFY(!IsPhoneApplication(""));
    QVERIFY(IsPhoneApplication("cprog.exe"));
}

QTEST_MAIN(ClosingTest)
#include "ClosingTest.moc"
