// The editors opened by the main window: the compact editor (New compact
// alarm, Edit, Edit as compact alarm, copy-data code 2) and the wizard (the
// new-alarm menu entries, a template entry, Edit, Edit as wizard alarm, a
// double tap, copy-data code 2), over a real registry and notification store
// in a temporary home at a fixed moment far ahead of the real clock (so the
// notification service started by the tests never fires).
#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmStore.h"
#include "CAlarmApp.h"
#include "CAlarmListCtrl.h"
#include "CEditAlarm.h"
#include "CEditWizard.h"
#include "CEditWizardPage.h"
#include "CFadeControl.h"
#include "CMainDialog.h"
#include "CStep2.h"
#include "CStep5.h"
#include "CStepAppointment.h"
#include "CStepCommand.h"
#include "CStepSave.h"
#include "Clock.h"
#include "EditBackup.h"
#include "Notify.h"
#include "Profile.h"
#include "ProgramServices.h"
#include "Registry.h"
#include "Scaling.h"
#include "Scheduler.h"
#include "StoredValues.h"
#include "Texts.h"
#include "UserInput.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

using namespace dawnbell;

namespace {

const QString kProgram = QStringLiteral("/opt/dawnbell/bin/dawnbell");
// The built-in ring sound of the build's program folder.
const QString kRingSound = QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/ring.mp3");

// Saturday 8 March 2031, 09:00.
int64_t FixedNow()
{
    return clock::MakeLocal(2031, 3, 8, 9, 0, 0);
}

// Arguments of the program's notification records.
QStringList NotifiedKeys()
{
    std::vector<notify::NotifyRecord> list;
    notify::NotifyList(&list);
    QStringList keys;
    for (const notify::NotifyRecord& r : list)
        keys << QString::fromStdString(r.trigger.arguments);
    keys.sort();
    return keys;
}

// Runs `act` on the editor (CEditAlarm or CEditWizard) once it is open
// modally; `*ran` tells whether it was found.
template <typename Editor>
void WhenEditorOpens(std::function<void(Editor*)> act, bool* ran)
{
    *ran = false;
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act, ran, tries] {
        auto* editor = qobject_cast<Editor*>(QApplication::activeModalWidget());
        if (!editor && ++*tries < 200)
            return;
        poll->stop();
        poll->deleteLater();
        if (editor) {
            *ran = true;
            act(editor);
        }
    });
    poll->start(10);
}

void SetTitle(CEditAlarm* editor, const QString& title)
{
    editor->findChild<QLineEdit*>(QString::number(CEditAlarm::IdTitle))->setText(title);
}

// Wizard helpers: a frame button, and a control of the page shown.
QWidget* Frame(CEditWizard* w, int id)
{
    return w->findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}
QWidget* OnPage(CEditWizard* w, int id)
{
    return w->CurrentPagePtr()->Control(id);
}
void NextPages(CEditWizard* w, int count)
{
    for (int i = 0; i < count; ++i)
        test::Tap(Frame(w, CEditWizard::IdNext));
}

// The entries of the main window's menu behind button `id`.
QStringList MenuTexts(const CMainDialog& w, int id)
{
    QStringList texts;
    if (QMenu* menu = w.menuFor(id)) {
        for (QAction* a : menu->actions())
            texts << a->text();
    }
    return texts;
}

} // namespace

class EditorWiringTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> home_;

    // Stores an alarm and returns its key.
    static QString Store(int type, int hour, int days, const QString& title)
    {
        Alarm a;
        a.type = type;
        a.repeatDays = days;
        a.title = title;
        a.alarmTime = clock::MakeLocal(2031, 3, 10, hour, 0, 0);
        a.playlist = {QStringLiteral("/s/a.mp3")};
        a.Save();
        Scheduler::ReRegisterAll();
        return a.GetKey();
    }

private slots:
    void initTestCase()
    {
        Profile::SetRegistryKey(QStringLiteral("Torvane"));
        qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
        qputenv("DAWNBELL_SCREEN", "240x320@96");
        ResetDpiCacheForTesting();
    }

    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("DAWNBELL_HOME", home_->path().toUtf8());
        qputenv("DAWNBELL_MSGBOX_RECORD", home_->filePath(QStringLiteral("boxes.txt")).toUtf8());
        qputenv("DAWNBELL_AUTO_ANSWER", "yes"); // every question (a clash, an empty playlist) answered yes
        Scheduler::SetProgramPathForTesting(kProgram);
        clock::SetNowForTesting(FixedNow());
    }

    void cleanup()
    {
        clock::SetNowForTesting(std::nullopt);
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
        Scheduler::SetProgramPathForTesting(QString());
    }

    // New compact alarm -> fill -> OK: stored, listed and scheduled; a clash with
    // a listed alarm keeps the editor open until the time is changed. The add
    // costs one save, one rebuild of the schedule and one refresh of the
    // system-alarm simulation, which already shows the new alarm.
    void newCompactAlarm()
    {
        const QString daily = Store(AlarmCompact, 7, 0, QStringLiteral("daily"));
        Profile::WriteInt(daily, QStringLiteral("activated"), 0); // the new alarm is the next one
        Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("simulateSystemAlarm"), 1);
        {
            RegKey shell; // the shell's alarm state, where the simulation shows the next alarm
            QCOMPARE(RegKey::Create(Hive::CurrentUser, "System\\State\\Shell\\Alarms", &shell), RegOk);
        }
        CAlarmApp app;
        app.programDir = QStringLiteral(DAWNBELL_PROGRAM_DIR);
        CMainDialog w{ProgramMainWindowServices()}; // the editors as the program has them
        w.show();
        bool ran = false;
        WhenEditorOpens<CEditAlarm>(
            [](CEditAlarm* editor) {
                SetTitle(editor, QStringLiteral("Gym"));
                editor->SetPickedTime(7, 0, 0);
                editor->Press(CEditAlarm::IdMonday);
                editor->Press(CEditAlarm::IdOk); // clashes with "daily"
                QVERIFY(editor->isVisible());
                editor->SetPickedTime(6, 30, 0);
                editor->Press(CEditAlarm::IdOk);
            },
            &ran);
        const AlarmChangeTrace before = AlarmChanges::Trace();
        w.OnCommand(CMainDialog::CmdNewCompact);
        QVERIFY(ran);
        const AlarmChangeTrace& after = AlarmChanges::Trace();
        QCOMPARE(after.saves - before.saves, uint64_t(1));
        QCOMPARE(after.rebuilds - before.rebuilds, uint64_t(1));
        QCOMPARE(after.simulationRefreshes - before.simulationRefreshes, uint64_t(1));
        // Monday 2031-03-10 06:30 local, as a FILETIME without conversion to UTC.
        const qint64 seconds = QDateTime(QDate(2031, 3, 10), QTime(6, 30), Qt::UTC).toSecsSinceEpoch() +
                               Q_INT64_C(11644473600);
        QByteArray next(8, '\0');
        for (int i = 0; i < 8; ++i)
            next[i] = char(quint64(seconds) * 10000000u >> (8 * i));
        {
            RegKey shell;
            QCOMPARE(RegKey::Open(Hive::CurrentUser, "System\\State\\Shell\\Alarms", &shell), RegOk);
            std::vector<uint8_t> stored;
            QVERIFY(shell.ReadBinary("Next", &stored));
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(stored.data()), int(stored.size())).toHex(),
                     next.toHex());
        }

        QFile boxes(home_->filePath(QStringLiteral("boxes.txt")));
        QVERIFY(boxes.open(QIODevice::ReadOnly));
        const QStringList shown = QString::fromUtf8(boxes.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(shown.count(Text(113) + QLatin1Char('\t') + Text(2)), 1);
        // The new alarm came with the built-in ring sound, so OK asked nothing about sound.
        QVERIFY(!shown.join(QLatin1Char('\n')).contains(Text(56).left(20)));

        QCOMPARE(w.list()->Count(), 2);
        Alarm* gym = w.list()->SelectedAlarm();
        QVERIFY(gym);
        QCOMPARE(gym->title, QStringLiteral("Gym"));
        QCOMPARE(gym->type, int(AlarmCompact));
        QCOMPARE(gym->activated, 1);
        QCOMPARE(gym->repeatDays, 0x01);
        QCOMPARE(gym->GetSecondsOfDay(), 6 * 3600 + 30 * 60);
        const QString key = gym->GetKey();
        QCOMPARE(Profile::ReadText(key, QStringLiteral("title"), QString()), QStringLiteral("Gym"));
        QCOMPARE(AlarmStore::LoadSection(key)->GetPlaylist(), QStringList{kRingSound});
        QCOMPARE(NotifiedKeys(), QStringList{key});
    }

    // Edit (the button, "Edit as compact alarm", copy-data code 2) opens the
    // compact editor; OK saves under the new key, Cancel keeps the alarm active.
    void editPaths_data()
    {
        QTest::addColumn<int>("storedType");
        QTest::addColumn<int>("how"); // 0 Edit button, 1 Edit as compact alarm, 2 copy-data code 2
        QTest::addColumn<bool>("ok");
        QTest::newRow("Edit, OK") << int(AlarmCompact) << 0 << true;
        QTest::newRow("Edit, Cancel") << int(AlarmCompact) << 0 << false;
        QTest::newRow("wizard alarm edited as compact") << int(AlarmWizard) << 1 << true;
        QTest::newRow("copy-data code 2") << int(AlarmCompact) << 2 << true;
    }
    void editPaths()
    {
        QFETCH(int, storedType);
        QFETCH(int, how);
        QFETCH(bool, ok);
        const QString oldKey = Store(storedType, 7, 0x1F, QStringLiteral("work"));
        CMainDialog w{ProgramMainWindowServices()}; // the editors as the program has them
        w.show();
        w.list()->Select(0);
        bool ran = false;
        QString shownTitle;
        QStringList keptWhileOpen;
        WhenEditorOpens<CEditAlarm>(
            [&](CEditAlarm* editor) {
                keptWhileOpen = EditBackup::PendingKeys();
                shownTitle = editor->findChild<QLineEdit*>(QString::number(CEditAlarm::IdTitle))->text();
                SetTitle(editor, QStringLiteral("changed"));
                editor->SetPickedTime(8, 0, 0);
                editor->Press(ok ? CEditAlarm::IdOk : CEditAlarm::IdCancel);
            },
            &ran);
        if (how == 0)
            w.OnCommand(CMainDialog::IdEdit);
        else if (how == 1)
            w.OnCommand(CMainDialog::CmdEditAsCompact);
        else
            QCOMPARE(w.OnCopyData(CMainDialog::CopyEdit, oldKey), 1);
        QVERIFY(ran);
        QCOMPARE(shownTitle, QStringLiteral("work"));
        // A copy of the stored alarm is kept while the editor is open, and
        // dropped when the edit is stored.
        QCOMPARE(keptWhileOpen, QStringList{oldKey});
        QVERIFY(EditBackup::PendingKeys().isEmpty());

        Alarm* alarm = w.list()->AlarmAt(0);
        QCOMPARE(alarm->type, int(AlarmCompact));
        QCOMPARE(alarm->activated, 1);
        const QString key = alarm->GetKey();
        QCOMPARE(key == oldKey, !ok);
        QCOMPARE(Profile::ReadText(key, QStringLiteral("title"), QString()),
                 ok ? QStringLiteral("changed") : QStringLiteral("work"));
        QCOMPARE(Profile::ReadInt(key, QStringLiteral("type"), -1), int(AlarmCompact));
        QCOMPARE(NotifiedKeys(), QStringList{key});
    }

    // The three new-alarm entries of the Add button's menu open the wizard; its
    // OK stores, lists and registers the alarm. The wizard alarm gets a curve
    // drawn with the pen and is saved as a template, which the menu then offers.
    void newWizardKinds_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("entry"); // text of the menu entry
        QTest::addColumn<QStringList>("sounds"); // the stored playlist
        QTest::newRow("wizard alarm") << int(AlarmWizard) << 130 << QStringList{kRingSound};
        QTest::newRow("appointment for tomorrow") << int(AlarmAppointment) << 132 << QStringList{kRingSound};
        QTest::newRow("command opening a document") << int(AlarmCommand) << 133 << QStringList{};
    }
    void newWizardKinds()
    {
        QFETCH(int, type);
        QFETCH(int, entry);
        QFETCH(QStringList, sounds);
        CAlarmApp app;
        app.programDir = QStringLiteral(DAWNBELL_PROGRAM_DIR);
        CMainDialog w{ProgramMainWindowServices()};
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        bool ran = false;
        FadeCurve drawn{};
        WhenEditorOpens<CEditWizard>(
            [&](CEditWizard* wizard) {
                wizard->activateWindow(); // as the window manager does with a new dialog
                QVERIFY(QTest::qWaitForWindowActive(wizard));
                QCOMPARE(wizard->WorkingCopy().type, type);
                if (type == AlarmWizard) {
                    test::Tap(OnPage(wizard, 1031)); // +1h: 10:00 today
                    NextPages(wizard, 1);
                    test::Type(OnPage(wizard, CStep2::IdTitle), QStringLiteral("Wake gently"));
                    NextPages(wizard, 3);
                    auto* curve = qobject_cast<CFadeControl*>(OnPage(wizard, CStep5::IdCurve));
                    const QRect area = curve->ActiveArea();
                    const QPoint from(area.left() + 2, area.bottom() - 2);
                    const QPoint to(area.right() - 2, area.top() + area.height() / 3);
                    QTest::mousePress(curve, Qt::LeftButton, {}, from);
                    QTest::mouseMove(curve, (from + to) / 2);
                    QTest::mouseMove(curve, to);
                    QTest::mouseRelease(curve, Qt::LeftButton, {}, to);
                    drawn = curve->GetCurve();
                    NextPages(wizard, 4);
                    auto* name = qobject_cast<QComboBox*>(OnPage(wizard, CStepSave::IdName));
                    test::Type(name, QStringLiteral("Gentle"));
                } else if (type == AlarmAppointment) {
                    auto* date = OnPage(wizard, CStepAppointment::IdDate);
                    QTest::mouseClick(date, Qt::LeftButton, {}, QPoint(4, date->height() / 2));
                    test::Tap(OnPage(wizard, 1043)); // +1d
                } else {
                    NextPages(wizard, 2);
                    test::Type(OnPage(wizard, CStepCommand::IdTarget), QStringLiteral("/home/u/notes.txt"));
                    QVERIFY(!OnPage(wizard, CStepCommand::IdParameters)->isVisible());
                }
                test::Tap(Frame(wizard, CEditWizard::IdOk));
            },
            &ran);
        QCOMPARE(MenuTexts(w, CMainDialog::IdAdd).value(type == AlarmWizard ? 0 : type == AlarmAppointment ? 2 : 3),
                 Text(entry));
        test::HoldAndChoose(w.button(CMainDialog::IdAdd), Text(entry));
        QVERIFY(ran);

        QCOMPARE(w.list()->Count(), 1);
        Alarm* alarm = w.list()->AlarmAt(0);
        QCOMPARE(alarm->type, type);
        QCOMPARE(alarm->activated, 1);
        const QString key = alarm->GetKey();
        QCOMPARE(Profile::ReadInt(key, QStringLiteral("type"), -1), type);
        QCOMPARE(NotifiedKeys(), QStringList{key});
        QCOMPARE(AlarmStore::LoadSection(key)->GetPlaylist(), sounds);
        if (type == AlarmWizard) {
            QCOMPARE(alarm->alarmTime, clock::MakeLocal(2031, 3, 8, 10, 0, 0));
            QByteArray fade;
            QVERIFY(Profile::ReadBinary(key, QStringLiteral("fade"), &fade));
            QCOMPARE(fade, QByteArray(reinterpret_cast<const char*>(drawn.data()), int(drawn.size())));
            QVERIFY(drawn != Alarm().fade); // the pen changed the curve
            std::unique_ptr<Alarm> made = AlarmStore::LoadSection(QStringLiteral("TGentle"));
            QVERIFY(made);
            QCOMPARE(made->title, QStringLiteral("Wake gently"));
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(made->fade.data()), int(made->fade.size())), fade);
            QCOMPARE(MenuTexts(w, CMainDialog::IdAdd).last(), QStringLiteral("Gentle"));
        } else if (type == AlarmAppointment) {
            QVERIFY(key.startsWith(QLatin1Char('A')));
            QCOMPARE((QList<int>{alarm->dateYear, alarm->dateMonth, alarm->dateDay}), (QList<int>{2031, 3, 9}));
            QCOMPARE(alarm->alarmTime, clock::MakeLocal(2031, 3, 9, 9, 0, 0));
        } else {
            QCOMPARE(Profile::ReadText(key, QStringLiteral("command"), QString()), QStringLiteral("/home/u/notes.txt"));
        }
    }

    // Edit, "Edit as wizard alarm", a double tap, copy-data code 2 and a
    // template entry open the wizard. OK saves the changes under the new key;
    // Cancel leaves the stored alarm exactly as it was (its kind included).
    void wizardEditPaths_data()
    {
        QTest::addColumn<int>("storedType");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ok");
        QTest::newRow("Edit tapped, wizard alarm, OK") << int(AlarmWizard) << "edit" << true;
        QTest::newRow("Edit tapped, command alarm, Cancel") << int(AlarmCommand) << "edit" << false;
        QTest::newRow("Edit as wizard alarm, OK") << int(AlarmCompact) << "edit as wizard" << true;
        QTest::newRow("Edit as wizard alarm, Cancel") << int(AlarmCompact) << "edit as wizard" << false;
        QTest::newRow("double tap, appointment, OK") << int(AlarmAppointment) << "double tap" << true;
        QTest::newRow("copy-data code 2, appointment, Cancel") << int(AlarmAppointment) << "copy-data" << false;
        QTest::newRow("template entry, OK") << int(AlarmWizard) << "template" << true;
        QTest::newRow("template entry, Cancel") << int(AlarmWizard) << "template" << false;
    }
    void wizardEditPaths()
    {
        QFETCH(int, storedType);
        QFETCH(QString, how);
        QFETCH(bool, ok);
        const bool fromTemplate = how == QLatin1String("template");
        QString oldKey;
        if (fromTemplate) {
            AlarmTemplate t;
            t.name = QStringLiteral("Tpl");
            t.type = storedType;
            t.title = QStringLiteral("work");
            t.alarmTime = clock::MakeLocal(2031, 3, 10, 7, 0, 0);
            t.playlist = {QStringLiteral("/s/a.mp3")};
            t.Save();
        } else if (storedType == AlarmAppointment) {
            Alarm a;
            a.type = AlarmAppointment;
            a.title = QStringLiteral("work");
            a.alarmTime = clock::MakeLocal(2031, 3, 10, 7, 0, 0);
            a.dateYear = 2031;
            a.dateMonth = 3;
            a.dateDay = 10;
            a.repeatDays = 0;
            a.playlist = {QStringLiteral("/s/a.mp3")};
            a.Save();
            Scheduler::ReRegisterAll();
            oldKey = a.GetKey();
        } else {
            oldKey = Store(storedType, 7, 0x1F, QStringLiteral("work"));
        }
        std::unique_ptr<Alarm> before = oldKey.isEmpty() ? nullptr : AlarmStore::LoadSection(oldKey);

        CMainDialog w{ProgramMainWindowServices()};
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        bool ran = false;
        QString shownTitle;
        WhenEditorOpens<CEditWizard>(
            [&](CEditWizard* wizard) {
                test::Tap(OnPage(wizard, 1031)); // +1h (the time mode of an appointment too)
                NextPages(wizard, 1);
                auto* title = qobject_cast<QPlainTextEdit*>(OnPage(wizard, CStep2::IdTitle));
                shownTitle = title->toPlainText();
                test::Type(title, QStringLiteral("changed"));
                test::Tap(Frame(wizard, ok ? CEditWizard::IdOk : CEditWizard::IdCancel));
            },
            &ran);
        if (how == QLatin1String("edit")) {
            test::Tap(w.button(CMainDialog::IdEdit));
        } else if (how == QLatin1String("edit as wizard")) {
            test::HoldAndChoose(w.button(CMainDialog::IdEdit), Text(134));
        } else if (how == QLatin1String("double tap")) {
            QTest::mouseDClick(w.list(), Qt::LeftButton, {}, QPoint(w.list()->width() / 2, 10));
        } else if (how == QLatin1String("copy-data")) {
            QCOMPARE(w.OnCopyData(CMainDialog::CopyEdit, oldKey), 1);
        } else {
            test::HoldAndChoose(w.button(CMainDialog::IdAdd), QStringLiteral("Tpl"));
        }
        QVERIFY(ran);
        QCOMPARE(shownTitle, QStringLiteral("work"));

        if (fromTemplate) {
            QCOMPARE(w.list()->Count(), ok ? 1 : 0);
            QCOMPARE(NotifiedKeys().size(), ok ? 1 : 0);
            if (ok)
                QCOMPARE(Profile::ReadText(w.list()->AlarmAt(0)->GetKey(), QStringLiteral("title"), QString()),
                         QStringLiteral("changed"));
            return;
        }
        Alarm* alarm = w.list()->AlarmAt(0);
        const int wantType = ok && how == QLatin1String("edit as wizard") ? int(AlarmWizard) : storedType;
        QCOMPARE(alarm->type, wantType);
        QCOMPARE(alarm->activated, 1);
        const QString key = alarm->GetKey();
        QCOMPARE(key == oldKey, !ok);
        QCOMPARE(NotifiedKeys(), QStringList{key});
        std::unique_ptr<Alarm> after = AlarmStore::LoadSection(key);
        QVERIFY(after);
        if (!ok) {
            QCOMPARE(test::StoredValues(*after), test::StoredValues(*before));
        } else {
            QCOMPARE(after->title, QStringLiteral("changed"));
            QCOMPARE(after->type, wantType);
            QVERIFY(!AlarmStore::LoadSection(oldKey)); // the old key is gone
        }
    }
};

QTEST_MAIN(EditorWiringTest)
#include "EditorWiringTest.moc"
