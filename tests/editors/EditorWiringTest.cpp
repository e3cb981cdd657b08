// The compact editor opened by the main window: New compact alarm, Edit, Edit as
// compact alarm and copy-data code 2, over a real registry and notification
// store in a temporary home at a fixed moment far ahead of the real clock (so
// the notification service started by the tests never fires).
#include "Alarm.h"
#include "CAlarmListCtrl.h"
#include "CEditAlarm.h"
#include "CMainDialog.h"
#include "Clock.h"
#include "EditBackup.h"
#include "Notify.h"
#include "Profile.h"
#include "ProgramServices.h"
#include "Registry.h"
#include "Scheduler.h"
#include "Scaling.h"
#include "Texts.h"

#include <QApplication>
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

// Runs `act` on the compact editor once it is open modally; `*ran` tells
// whether it was found.
void WhenEditorOpens(std::function<void(CEditAlarm*)> act, bool* ran)
{
    *ran = false;
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act, ran, tries] {
        auto* editor = qobject_cast<CEditAlarm*>(QApplication::activeModalWidget());
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
        qputenv("DAWNBELL_AUTO_ANSWER", "yes"); // a new alarm has no sound: accept that
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
    // a listed alarm keeps the editor open until the time is changed.
    void newCompactAlarm()
    {
        const QString daily = Store(AlarmCompact, 7, 0, QStringLiteral("daily"));
        CMainDialog w{ProgramMainWindowServices()}; // the editors as the program has them
        w.show();
        bool ran = false;
        WhenEditorOpens(
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
        w.OnCommand(CMainDialog::CmdNewCompact);
        QVERIFY(ran);

        QFile boxes(home_->filePath(QStringLiteral("boxes.txt")));
        QVERIFY(boxes.open(QIODevice::ReadOnly));
        const QStringList shown = QString::fromUtf8(boxes.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(shown.count(Text(113) + QLatin1Char('\t') + Text(2)), 1);

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
        QStringList expected{daily, key};
        expected.sort();
        QCOMPARE(NotifiedKeys(), expected);
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
        WhenEditorOpens(
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
};

QTEST_MAIN(EditorWiringTest)
#include "EditorWiringTest.moc"
