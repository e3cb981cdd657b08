// A new user on a fresh home, with the pointer alone: the program starts as it
// does for a first launch, the main window opens with the program's own windows,
// and every step goes through the window system's event path (press, release,
// hold, double click on the windows, so grabs, popups and modality act as they
// do for a person): Add, "<new compact alarm>" in the template selection, the
// editor's OK; a hold on Add lists the templates; a double click on
// the row opens the editor, whose fields and OK take the clicks that follow; a
// click deactivates, a hold on Activate opens its menu, Remove removes. Once on a
// handheld display and once on a desktop display.
#include "Alarm.h"
#include "AlarmStore.h"
#include "CAlarmApp.h"
#include "CAlarmListCtrl.h"
#include "CEditAlarm.h"
#include "CMainDialog.h"
#include "CEditWizard.h"
#include "COptionsColors.h"
#include "COptionsGeneral.h"
#include "COptionsTemplates.h"
#include "COptionsToday.h"
#include "COptionsWizard.h"
#include "CSelectTemplate.h"
#include "CTemplatePreviewStatic.h"
#include "Clock.h"
#include "FileDialog.h"
#include "LongPress.h"
#include "Notify.h"
#include "Profile.h"
#include "ProgramServices.h"
#include "ReadOnlyFolder.h"
#include "Registry.h"
#include "Scaling.h"
#include "Scheduler.h"
#include "TempHome.h"
#include "Texts.h"
#include "../model/TestEnv.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

using namespace dawnbell;

namespace {

const QString kProgram = QStringLiteral("/opt/dawnbell/bin/dawnbell");

// The top-level window `w` is in, and `local` (in w) in that window's coordinates.
QWindow* WindowOf(QWidget* w, QPoint* local)
{
    QWindow* window = w->window()->windowHandle();
    *local = window->mapFromGlobal(w->mapToGlobal(*local));
    return window;
}

// A click (press and release) at `at` in `w`, through the window system.
void Click(QWidget* w, QPoint at = QPoint(-1, -1))
{
    if (at == QPoint(-1, -1))
        at = w->rect().center();
    QWindow* window = WindowOf(w, &at);
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
}

// A press held longer than a tap-and-hold takes, then the release.
void Hold(QWidget* w)
{
    QPoint at = w->rect().center();
    QWindow* window = WindowOf(w, &at);
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QTest::qWait(LongPress::kHoldMs + 300);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
}

// One mouse event through the window system, at the test's mouse clock.
void Send(QWindow* window, QPoint at, Qt::MouseButtons state, QEvent::Type type)
{
    QTest::lastMouseTimestamp += 20;
    qt_handleMouseEvent(window, at, window->mapToGlobal(at), state, Qt::LeftButton, type, {},
                        QTest::lastMouseTimestamp);
}

// A double click at `at` in `w` whose second press opens a modal window: the
// button goes up while that window is open, as a finger lifts. `lift` is called
// from inside the modal window's loop and lets the button go up there (the
// window system gives the release to the window pressed, now blocked).
std::function<void()> DoubleClickLiftingLater(QWidget* w, QPoint at)
{
    QWindow* window = WindowOf(w, &at);
    Send(window, at, Qt::LeftButton, QEvent::MouseButtonPress);
    Send(window, at, Qt::NoButton, QEvent::MouseButtonRelease);
    return [window, at] { Send(window, at, Qt::NoButton, QEvent::MouseButtonRelease); };
}
void SecondPress(QWidget* w, QPoint at)
{
    QWindow* window = WindowOf(w, &at);
    Send(window, at, Qt::LeftButton, QEvent::MouseButtonPress);
    QTest::lastMouseTimestamp += 1000; // no double click with what follows
}

// Runs `act` once a widget found by `find` shows up (polled while a modal loop
// runs); `*ran` tells whether it did within five seconds.
template <typename T>
void When(std::function<T*()> find, std::function<void(T*)> act, bool* ran)
{
    *ran = false;
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, find, act, ran, tries] {
        T* found = find();
        if ((!found || !found->isVisible()) && ++*tries < 500)
            return;
        poll->stop();
        poll->deleteLater();
        if (found && found->isVisible()) {
            *ran = true;
            act(found);
        }
    });
    poll->start(10);
}

QMenu* OpenPopup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
CEditAlarm* OpenEditor() { return qobject_cast<CEditAlarm*>(QApplication::activeModalWidget()); }
CEditWizard* OpenWizard() { return qobject_cast<CEditWizard*>(QApplication::activeModalWidget()); }
CSelectTemplate* OpenSelection() { return qobject_cast<CSelectTemplate*>(QApplication::activeModalWidget()); }

// Clicks the entry `text` of an open menu; false when it has none.
bool ChooseFromMenu(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions()) {
        if (a->isVisible() && a->text() == text) {
            Click(menu, menu->actionGeometry(a).center());
            return true;
        }
    }
    return false;
}

// The visible entries of a menu.
QStringList Entries(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isVisible() && !a->isSeparator())
            out << a->text();
    }
    return out;
}

// Replaces the editor's title by `title` with a click into the field and keys.
void TypeTitle(CEditAlarm* editor, const QString& title)
{
    auto* field = editor->findChild<QLineEdit*>(QString::number(CEditAlarm::IdTitle));
    Click(field);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, title);
}

void PressOk(CEditAlarm* editor)
{
    Click(editor->findChild<QWidget*>(QString::number(CEditAlarm::IdOk)));
}

// Opens the drop-down `combo` with a click and clicks its entry `text`.
void ChooseFromCombo(QComboBox* combo, const QString& text)
{
    Click(combo);
    QAbstractItemView* view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const int row = combo->findText(text);
    QVERIFY(row >= 0);
    Click(view->viewport(), view->visualRect(view->model()->index(row, 0)).center());
    QTRY_VERIFY(!view->isVisible());
}

FileDialog* OpenChooser() { return qobject_cast<FileDialog*>(QApplication::activeModalWidget()); }

// Copies the files of folder `sub` of the built program folder into `to`/`sub`.
void CopyProgramFolder(const QString& sub, const QString& to)
{
    const QDir from(QStringLiteral(DAWNBELL_PROGRAM_DIR "/") + sub);
    QVERIFY(QDir().mkpath(to + QLatin1Char('/') + sub));
    for (const QString& name : from.entryList(QDir::Files))
        QVERIFY(QFile::copy(from.filePath(name), to + QLatin1Char('/') + sub + QLatin1Char('/') + name));
}

COptionsWizard* OpenOptions() { return qobject_cast<COptionsWizard*>(QApplication::activeModalWidget()); }

// The first byte of the clock slot's "AlarmFlags"; -1 when it cannot be read.
int ClockAlarmFlags()
{
    RegKey slot;
    std::vector<uint8_t> flags;
    if (RegKey::Open(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Clock\\0", &slot) != RegOk
        || !slot.ReadBinary("AlarmFlags", &flags) || flags.empty())
        return -1;
    return flags[0];
}

int RecordCount()
{
    std::vector<notify::NotifyRecord> list;
    notify::NotifyList(&list);
    return static_cast<int>(list.size());
}

} // namespace

class NewUserTest : public QObject {
    Q_OBJECT
private:
    test::TempHome m_home; // a fresh DAWNBELL_HOME for each test

private slots:
    void initTestCase() { test::UseFixedZoneAndLocale(); }

    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        // "Delete the selected alarm?" and "no sound chosen" are answered Yes.
        qputenv("DAWNBELL_AUTO_ANSWER", "yes");
        // Far ahead of the real clock, so the started service never fires.
        clock::SetNowForTesting(test::At("2031-03-08 09:00:00"));
        Scheduler::SetProgramPathForTesting(kProgram);
    }
    void cleanup()
    {
        clock::SetNowForTesting(std::nullopt);
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
        Scheduler::SetProgramPathForTesting(QString());
        qunsetenv("DAWNBELL_SCREEN");
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        ResetDpiCacheForTesting();
    }

    void firstAlarmByPointer_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<bool>("byList"); // choose the kind from the drop-down list instead of with "v"
        QTest::newRow("handheld 480x800") << "480x800@192" << false;
        QTest::newRow("desktop 1280x800") << "1280x800@96" << true;
    }
    void firstAlarmByPointer()
    {
        QFETCH(QString, screen);
        QFETCH(bool, byList);
        qputenv("DAWNBELL_SCREEN", screen.toUtf8());
        ResetDpiCacheForTesting();

        CAlarmApp app;
        QVERIFY(app.Initialise(CommandLine::Parsed())); // first launch: colours and templates
        CMainDialog w{ProgramMainWindowServices()};
        QCOMPARE(app.templates.size(), size_t(5));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QPushButton* add = w.button(CMainDialog::IdAdd);
        QVERIFY(add->isVisible() && add->isEnabled());

        // A hold on Add opens its menu: the templates in name order; Escape closes it.
        bool menuShown = false, editorShown = false, selectionShown = false;
        QStringList addEntries;
        When<QMenu>(OpenPopup, [&](QMenu* menu) {
            addEntries = Entries(menu);
            QTest::keyClick(menu, Qt::Key_Escape);
        }, &menuShown);
        Hold(add);
        QTRY_VERIFY(menuShown);
        QTRY_VERIFY(!OpenPopup());
        QCOMPARE(addEntries, (QStringList{QStringLiteral("High Noon"), QStringLiteral("Medication"),
                                          QStringLiteral("Meeting"), QStringLiteral("Morning Mist"),
                                          QStringLiteral("Pizza Timer")}));
        QCOMPARE(w.list()->Count(), 0);

        // A tap on Add -> the template selection -> "<new compact alarm>" -> OK
        // -> the compact editor -> title -> OK.
        int chosen = -1;
        When<CSelectTemplate>(OpenSelection, [&](CSelectTemplate* selection) {
            if (byList)
                ChooseFromCombo(selection->findChild<QComboBox*>(QString::number(CSelectTemplate::IdChoice)), Text(75));
            else
                Click(selection->Button(CSelectTemplate::IdDown));
            chosen = selection->Current();
            When<CEditAlarm>(OpenEditor, [](CEditAlarm* editor) {
                TypeTitle(editor, QStringLiteral("Gym"));
                PressOk(editor);
            }, &editorShown);
            Click(selection->Button(CSelectTemplate::IdOk));
        }, &selectionShown);
        Click(add);
        QTRY_VERIFY(selectionShown && editorShown);
        QTRY_VERIFY(!OpenSelection());
        QCOMPARE(chosen, int(CSelectTemplate::EntryCompact));
        QCOMPARE(w.list()->Count(), 1);
        Alarm* gym = w.list()->AlarmAt(0);
        QCOMPARE(gym->title, QStringLiteral("Gym"));
        QCOMPARE(gym->activated, 1);
        QCOMPARE(Profile::ReadText(gym->GetKey(), QStringLiteral("title"), QString()), QStringLiteral("Gym"));
        QCOMPARE(RecordCount(), 1);

        // A double click on the row opens the editor; the finger lifts while it is
        // open, and its field and OK take the clicks that follow.
        QString shownTitle;
        const QPoint row = w.list()->RowRect(0).center();
        const std::function<void()> lift = DoubleClickLiftingLater(w.list(), row);
        QWidget* grabbedWhileOpen = nullptr;
        When<CEditAlarm>(OpenEditor, [&](CEditAlarm* editor) {
            // No widget of the main window holds the pointer (a window system
            // grab would send every press to it).
            grabbedWhileOpen = QWidget::mouseGrabber();
            lift();
            shownTitle = editor->findChild<QLineEdit*>(QString::number(CEditAlarm::IdTitle))->text();
            TypeTitle(editor, QStringLiteral("Gym, later"));
            PressOk(editor);
        }, &editorShown);
        SecondPress(w.list(), row);
        QTRY_VERIFY(editorShown);
        QCOMPARE(grabbedWhileOpen, nullptr);
        QCOMPARE(shownTitle, QStringLiteral("Gym"));
        QTRY_COMPARE(w.list()->AlarmAt(0)->title, QStringLiteral("Gym, later"));
        QVERIFY(!OpenEditor());
        // The list takes the next taps: below the rows clears the selection, on
        // the row selects it again.
        Click(w.list(), QPoint(row.x(), w.list()->height() - 5));
        QCOMPARE(w.list()->SelectedIndex(), -1);
        Click(w.list(), row);
        QCOMPARE(w.list()->SelectedIndex(), 0);

        // The click after the editor reaches the window: Deactivate.
        QPushButton* activate = w.button(CMainDialog::IdActivate);
        QCOMPARE(activate->text(), Text(6));
        Click(activate);
        QCOMPARE(w.list()->AlarmAt(0)->activated, 0);
        QCOMPARE(RecordCount(), 0);

        // A hold on Activate opens its menu; "Activate all".
        When<QMenu>(OpenPopup, [](QMenu* menu) { QVERIFY(ChooseFromMenu(menu, Text(146))); }, &menuShown);
        Hold(activate);
        QTRY_VERIFY(menuShown);
        QTRY_COMPARE(w.list()->AlarmAt(0)->activated, 1);
        QCOMPARE(RecordCount(), 1);

        // Remove (the question is answered Yes).
        const QString key = w.list()->AlarmAt(0)->GetKey();
        Click(w.button(CMainDialog::IdRemove));
        QCOMPARE(w.list()->Count(), 0);
        QVERIFY(!AlarmStore::LoadSection(key));
        QCOMPARE(RecordCount(), 0);
    }

    // A new user's first day: an alarm from the template "Pizza Timer" (Add,
    // the template in the selection's list, OK, the wizard's OK); then the
    // options by pointer: another language, a black background and the
    // next alarm kept as the system alarm; after OK the main window shows the
    // new language and colours at once and the simulation is switched on, and
    // switched off again by the next OK.
    void optionsApplyAtOnce()
    {
        qputenv("DAWNBELL_SCREEN", "480x800@192");
        ResetDpiCacheForTesting();
        CAlarmApp app;
        app.programDir = QStringLiteral(DAWNBELL_PROGRAM_DIR); // with its language files
        QVERIFY(app.Initialise(CommandLine::Parsed()));
        {
            RegKey key; // the platform's alarm slots the simulation writes into
            QCOMPARE(RegKey::Create(Hive::CurrentUser, "System\\State\\Shell\\Alarms", &key), RegOk);
            QCOMPARE(RegKey::Create(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Clock\\0", &key), RegOk);
        }
        Alarm daily;
        daily.repeatDays = 0x7F;
        daily.alarmTime = test::At("2031-03-09 06:30:00");
        daily.title = QStringLiteral("Daily");
        daily.SetActivated(true);
        daily.Save();
        CMainDialog w{ProgramMainWindowServices()};
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.button(CMainDialog::IdAdd)->text(), QStringLiteral("Add"));

        bool selectionShown = false, wizardShown = false;
        QString previewed;
        When<CSelectTemplate>(OpenSelection, [&](CSelectTemplate* selection) {
            ChooseFromCombo(selection->findChild<QComboBox*>(QString::number(CSelectTemplate::IdChoice)),
                            QStringLiteral("Pizza Timer"));
            previewed = selection->Preview()->Name();
            When<CEditWizard>(OpenWizard, [](CEditWizard* wizard) {
                Click(wizard->findChild<QWidget*>(QString::number(CEditWizard::IdOk)));
            }, &wizardShown);
            Click(selection->Button(CSelectTemplate::IdOk));
        }, &selectionShown);
        Click(w.button(CMainDialog::IdAdd));
        QTRY_VERIFY(selectionShown && wizardShown);
        QTRY_VERIFY(!OpenSelection());
        QCOMPARE(previewed, QStringLiteral("Pizza Timer"));
        QCOMPARE(w.list()->Count(), 2);
        Alarm* pizza = w.list()->SelectedAlarm();
        QVERIFY(pizza); // the new alarm is selected
        QCOMPARE(pizza->title, Text(201));
        QCOMPARE(pizza->closeAfterMinutes, 15);
        QCOMPARE(pizza->activated, 1);
        QCOMPARE(Profile::ReadText(pizza->GetKey(), QStringLiteral("title"), QString()), Text(201));
        const QString before = w.statusText();

        qputenv("DAWNBELL_AUTO_ANSWER", "ok"); // the simulation's warning
        bool shown = false;
        When<COptionsWizard>(OpenOptions, [](COptionsWizard* sheet) {
            ChooseFromCombo(sheet->Page(COptionsWizard::PageGeneral)->Ctl<QComboBox>(COptionsGeneral::IdLanguage),
                            QStringLiteral("deutsch"));
            Click(sheet->findChild<QWidget*>(QString::number(COptionsWizard::IdNext)));
            auto* colors = sheet->Page(COptionsWizard::PageColors)->Ctl<QListWidget>(COptionsColors::IdList);
            const QList<QListWidgetItem*> black = colors->findItems(Text(40), Qt::MatchExactly);
            QCOMPARE(black.size(), 1);
            Click(colors->viewport(), colors->visualItemRect(black[0]).center());
            Click(sheet->Page(COptionsWizard::PageColors)->Control(COptionsColors::IdAsBack));
            QCOMPARE(sheet->BackgroundColor(), 0u);
            Click(sheet->findChild<QWidget*>(QString::number(COptionsWizard::IdNext)));
            Click(sheet->Page(COptionsWizard::PageToday)->Control(COptionsToday::IdSimulate));
            Click(sheet->findChild<QWidget*>(QString::number(COptionsWizard::IdOk)));
        }, &shown);
        Click(w.button(CMainDialog::IdOptions));
        QTRY_VERIFY(shown);
        QTRY_VERIFY(!OpenOptions());
        QCOMPARE(app.languageFile, QStringLiteral("deutsch"));
        QVERIFY(Text(20) != QStringLiteral("Add"));
        QCOMPARE(w.button(CMainDialog::IdAdd)->text(), Text(20));
        QVERIFY(w.statusText() != before && w.statusText().startsWith(Text(54).section(QLatin1Char('%'), 0, 0)));
        QCOMPARE(w.bgColor(), 0u);
        QCOMPARE(app.bgColor, 0u);
        QCOMPARE(w.list()->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(ClockAlarmFlags(), 1);

        When<COptionsWizard>(OpenOptions, [](COptionsWizard* sheet) {
            sheet->ShowPage(COptionsWizard::PageToday);
            Click(sheet->Page(COptionsWizard::PageToday)->Control(COptionsToday::IdSimulate));
            Click(sheet->findChild<QWidget*>(QString::number(COptionsWizard::IdOk)));
        }, &shown);
        Click(w.button(CMainDialog::IdOptions));
        QTRY_VERIFY(shown);
        QTRY_VERIFY(!OpenOptions());
        QCOMPARE(ClockAlarmFlags(), 0);
    }

    // A template out and back in from the options' Templates page, by pointer
    // and keys: Export writes "Pizza Timer" to the file named in the chooser;
    // Import, with that file ticked in the chooser, adds it as "Pizza Timer (1)"
    // with its sound, deletes the file on Yes, and the main window's Add menu
    // lists it once the sheet is closed. Its sounds and pictures are the
    // program's own, byte for byte: nothing is asked about them, and the
    // import works as well from a read-only program folder (a package install).
    void templateExportedAndImported_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("writable program folder") << false;
        QTest::newRow("read-only program folder") << true;
    }
    void templateExportedAndImported()
    {
        QFETCH(bool, readOnly);
        QTemporaryDir program; // the program folder the import installs into
        CopyProgramFolder(QStringLiteral("sounds"), program.path());
        CopyProgramFolder(QStringLiteral("images"), program.path());
        std::unique_ptr<test::ReadOnlyFolder> locked;
        if (readOnly) {
            locked = std::make_unique<test::ReadOnlyFolder>(program.path());
            if (!locked->isValid())
                QSKIP("the program folder cannot be made read-only here");
        }
        QTemporaryDir files;   // where the user keeps template files
        const QString atf = files.filePath(QStringLiteral("Pizza Timer.atf"));
        CAlarmApp app;
        app.programDir = program.path();
        QVERIFY(app.Initialise(CommandLine::Parsed()));
        Profile::WriteText(QStringLiteral("settings"), QStringLiteral("lastSelectedTemplateFolder"), files.path());
        const QString record = files.filePath(QStringLiteral("boxes.txt"));
        qputenv("DAWNBELL_MSGBOX_RECORD", record.toUtf8());
        CMainDialog w{ProgramMainWindowServices()};
        QCOMPARE(app.templates.size(), size_t(5));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        bool shown = false, exported = false, imported = false;
        QStringList ticked;
        When<COptionsWizard>(OpenOptions, [&](COptionsWizard* sheet) {
            for (int page = 0; page < COptionsWizard::PageTemplates; ++page)
                Click(sheet->findChild<QWidget*>(QString::number(COptionsWizard::IdNext)));
            COptionsPage* templates = sheet->Page(COptionsWizard::PageTemplates);
            QVERIFY(templates->isVisible());
            ChooseFromCombo(templates->Ctl<QComboBox>(COptionsTemplates::IdList), QStringLiteral("Pizza Timer"));

            When<FileDialog>(OpenChooser, [](FileDialog* chooser) {
                auto* name = chooser->findChild<QLineEdit*>(QString::number(FileDialog::kIdFileName));
                QCOMPARE(name->text(), QStringLiteral("Pizza Timer.atf")); // proposed from the template's name
                Click(chooser->findChild<QWidget*>(QString::number(FileDialog::kIdOk)));
            }, &exported);
            Click(templates->Control(COptionsTemplates::IdExport));
            QVERIFY(exported);
            QVERIFY(QFile::exists(atf));

            When<FileDialog>(OpenChooser, [&](FileDialog* chooser) {
                auto* list = chooser->findChild<QTreeWidget*>(QString::number(FileDialog::kIdFileList));
                const QList<QTreeWidgetItem*> rows = list->findItems(QStringLiteral("Pizza Timer.atf"), Qt::MatchExactly);
                QCOMPARE(rows.size(), 1);
                Click(list->viewport(), list->visualItemRect(rows[0]).center());
                QTest::keyClick(list, Qt::Key_Space); // ticks the row
                ticked = chooser->ChosenFiles();
                Click(chooser->findChild<QWidget*>(QString::number(FileDialog::kIdOk)));
            }, &imported);
            Click(templates->Control(COptionsTemplates::IdImport));
            QVERIFY(imported);
            Click(sheet->findChild<QWidget*>(QString::number(COptionsWizard::IdCancel)));
        }, &shown);
        Click(w.button(CMainDialog::IdOptions));
        QTRY_VERIFY(shown);
        QTRY_VERIFY(!OpenOptions());
        QCOMPARE(ticked, QStringList{atf});
        QVERIFY(!QFile::exists(atf)); // "Delete the imported template file?" answered Yes

        QFile boxes(record);
        QVERIFY(boxes.open(QIODevice::ReadOnly));
        const QString said = QString::fromUtf8(boxes.readAll());
        QVERIFY2(said.contains(Text(125)), qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("Pizza Timer (1)\tTemplate successfully imported as \"Pizza Timer (1)\": "
                                              "a template named \"Pizza Timer\" already exists.")),
                 qPrintable(said));
        QVERIFY2(!said.contains(QStringLiteral("already exists. Do you want to overwrite it?")), qPrintable(said));

        // Imported templates stay after Cancel, with their files and stored section.
        QCOMPARE(app.templates.size(), size_t(6));
        const std::unique_ptr<Alarm> stored = AlarmStore::LoadSection(QStringLiteral("TPizza Timer (1)"));
        QVERIFY(stored);
        QCOMPARE(stored->title, Text(201));
        QCOMPARE(stored->closeAfterMinutes, 15);
        QVERIFY(QFile::exists(program.filePath(QStringLiteral("sounds/oven.mp3"))));
        QStringList entries;
        bool menuShown = false;
        When<QMenu>(OpenPopup, [&](QMenu* menu) {
            entries = Entries(menu);
            QTest::keyClick(menu, Qt::Key_Escape);
        }, &menuShown);
        Hold(w.button(CMainDialog::IdAdd));
        QTRY_VERIFY(menuShown);
        QVERIFY2(entries.contains(QStringLiteral("Pizza Timer (1)")), qPrintable(entries.join(QLatin1Char(','))));
    }
};

QTEST_MAIN(NewUserTest)
#include "NewUserTest.moc"
