// Every window used with the keyboard alone, offscreen, on a temporary home:
// Tab reaches every control that can take the focus, the focus never rests on
// something hidden, and the window's main action is reached with keys only
// (arrows in lists and the tree, Enter for the default button, Escape to
// cancel, Space on a focused button).
#include "Alarm.h"
#include "AlarmStore.h"
#include "CAlarmDialog.h"
#include "CAlarmListCtrl.h"
#include "CEditAlarm.h"
#include "CEditWizard.h"
#include "CEditWizardPage.h"
#include "CMainDialog.h"
#include "CQuizDialog.h"
#include "COptionsWizard.h"
#include "CSelectTemplate.h"
#include "Clock.h"
#include "FakeMediaPlayer.h"
#include "FileDialog.h"
#include "KitWizard.h"
#include "MediaPlayerFactory.h"
#include "MessageBox.h"
#include "Notify.h"
#include "Registry.h"
#include "Scaling.h"
#include "Scheduler.h"
#include "TempHome.h"
#include "WindowTestSetUp.h"
#include "WidgetMessageBox.h"
#include "../model/TestEnv.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace dawnbell;

namespace {

QString Describe(const QWidget* w)
{
    return w ? QStringLiteral("%1 \"%2\"").arg(QLatin1String(w->metaObject()->className()), w->objectName())
             : QStringLiteral("nothing");
}

// True for a widget that is part of a composite control (the edit of a spin
// box or combo box, the viewport of a list): the composite takes the focus.
bool InsideComposite(const QWidget* w, const QWidget* window)
{
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p) ||
            qobject_cast<const QAbstractItemView*>(p))
            return true;
    }
    return false;
}

// The controls of `window` a keyboard user must be able to reach: shown,
// enabled and taking the focus by Tab.
QList<QWidget*> Reachable(QWidget* window)
{
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
            InsideComposite(w, window))
            continue;
        QWidget* target = w;
        while (target->focusProxy())
            target = target->focusProxy();
        if (!out.contains(target))
            out << target;
    }
    return out;
}

// Presses Tab on whatever has the focus until the focus comes round again;
// returns the widgets it rested on, in order. A time picker keeps the focus
// for a Tab or two while Tab walks through its fields.
QList<QWidget*> TabWalk(QWidget* window)
{
    QList<QWidget*> reached;
    QWidget* previous = QApplication::focusWidget();
    for (int guard = 0, stay = 0; guard < 300 && stay < 8; ++guard) {
        QTest::keyClick(previous ? previous : window, Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!now)
            break;
        if (now == previous) {
            ++stay;
            continue;
        }
        stay = 0;
        previous = now;
        if (reached.contains(now))
            break;
        reached << now;
    }
    return reached;
}

// Tab until `target` has the focus; false when Tab never gets there.
bool TabTo(QWidget* target)
{
    for (int guard = 0; guard < 100; ++guard) {
        if (QApplication::focusWidget() == target)
            return true;
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : target->window(), Qt::Key_Tab);
    }
    return false;
}

// Shows `window`, gives it the keyboard and checks that Tab reaches every
// control of it and rests only on visible ones. Returns a failure text, empty
// when all is well.
QString ShowAndWalk(QWidget* window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return QStringLiteral("the window never became active");
    QWidget* first = QApplication::focusWidget();
    const QList<QWidget*> reached = TabWalk(window);
    if (first && !TabTo(first)) // back where the window put the focus
        return QStringLiteral("Tab never returns to ") + Describe(first);
    QStringList missed;
    for (QWidget* w : Reachable(window)) {
        if (!reached.contains(w))
            missed << Describe(w);
    }
    for (QWidget* w : reached) {
        if (!w->isVisible())
            missed << QStringLiteral("hidden focus on ") + Describe(w);
    }
    return missed.isEmpty() ? QString() : QStringLiteral("Tab misses: ") + missed.join(QStringLiteral(", "));
}

// Key `key` to whatever has the focus.
void Press(Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the focus");
    QTest::keyClick(focus, key);
}

template <typename T = QWidget>
T* Child(QWidget* parent, int id)
{
    return parent->findChild<T*>(QString::number(id));
}

// A compact alarm at hh:mm, once, quiet and with a distinct title.
std::unique_ptr<Alarm> Compact(int hour, int minute, const QString& title)
{
    auto a = std::make_unique<Alarm>();
    a->type = AlarmCompact;
    a->title = title;
    a->alarmTime = clock::MakeLocal(2031, 3, 10, hour, minute, 0);
    a->activated = 1;
    a->random = 0;
    a->useFade = 0;
    a->vibrate = 0;
    a->quiz = 0;
    a->confirmClose = 0;
    return a;
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private:
    test::TempHome m_home;
    std::unique_ptr<QTemporaryDir> m_files; // files the choosers and the ringing use

    bool MakeFile(const QString& relative)
    {
        const QString path = m_files->filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("RIFF") == 4;
    }

private slots:
    void initTestCase() { test::UseFixedZoneAndLocale(); }

    void init()
    {
        test::SetUpWindowTest(&m_home, &m_files);
    }

    void cleanup()
    {
        SetMediaPlayerFactoryForTesting({});
        clock::SetNowForTesting(std::nullopt);
        const pid_t daemon = notify::NotifyDaemonPid();
        if (daemon > 0)
            ::kill(daemon, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
    }

    void mainAction_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("main window: Down and Enter open the second alarm") << "main";
        QTest::newRow("compact editor: Enter is OK") << "compact ok";
        QTest::newRow("compact editor: Escape cancels") << "compact escape";
        QTest::newRow("wizard: every page by Tab and Space on \">\", Enter is OK") << "wizard";
        QTest::newRow("options: Enter is OK") << "options";
        QTest::newRow("file chooser: arrows in the tree and the list, Enter opens the file") << "chooser";
        QTest::newRow("ringing window with snooze: Escape snoozes") << "ringing snooze";
        QTest::newRow("ringing window without snooze: Escape keeps it ringing, Space on End alarm ends it")
            << "ringing no snooze";
        QTest::newRow("ringing window with snooze: Space on End alarm ends it") << "ringing end";
        QTest::newRow("template selection: Down and Enter open the first template") << "selection";
        QTest::newRow("quiz: Tab and Space press a keypad key") << "quiz";
        QTest::newRow("question box: Enter answers Yes") << "box enter";
        QTest::newRow("question box: Escape answers No") << "box escape";
        QTest::newRow("safe question box: Enter answers No") << "box safe";
    }
    void mainAction()
    {
        QFETCH(QString, window);
        if (window == QLatin1String("main")) {
            auto early = Compact(7, 15, QStringLiteral("early"));
            auto late = Compact(8, 40, QStringLiteral("late"));
            early->Save();
            late->Save();
            QString opened;
            MainWindowServices services;
            services.compactEditor = [&opened](Alarm* a, CMainDialog*) {
                opened = a->title;
                return false;
            };
            services.ring = [](Alarm*, QWidget*) {};
            CMainDialog w(services);
            w.resize(240, 320);
            const QString walk = ShowAndWalk(&w);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            // The list shows whether it has the focus.
            QVERIFY(TabTo(w.list()));
            const QImage focused = w.list()->grab().toImage();
            Press(Qt::Key_Tab);
            QVERIFY(!w.list()->hasFocus());
            QVERIFY2(w.list()->grab().toImage() != focused, "the list looks the same without the focus");
            QVERIFY(TabTo(w.list()));
            Press(Qt::Key_Down); // the first row stays selected at opening; Down moves on
            QCOMPARE(w.list()->SelectedIndex(), 1);
            Press(Qt::Key_Return);
            QCOMPARE(opened, QStringLiteral("late"));
            // Enter on a focused button presses it: Up, then Edit opens the first alarm.
            Press(Qt::Key_Up);
            QVERIFY(TabTo(w.button(CMainDialog::IdEdit)));
            Press(Qt::Key_Return);
            QCOMPARE(opened, QStringLiteral("early"));
        } else if (window.startsWith(QLatin1String("compact"))) {
            auto a = Compact(6, 45, QStringLiteral("Work"));
            CEditAlarm dlg(a.get());
            dlg.resize(240, 320); // portrait
            const QString walk = ShowAndWalk(&dlg);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            // The walk reads like the window: from the title, row by row, never back up.
            QCOMPARE(QApplication::focusWidget(), Child<QWidget>(&dlg, CEditAlarm::IdTitle));
            QWidget* previous = QApplication::focusWidget();
            for (int i = 0; i < 30; ++i) {
                QTest::keyClick(previous, Qt::Key_Tab);
                QWidget* now = QApplication::focusWidget();
                if (now == Child<QWidget>(&dlg, CEditAlarm::IdTitle))
                    break;
                if (now == previous)
                    continue; // Tab between the time picker's fields
                QVERIFY2(now->y() + now->height() > previous->y(),
                         qPrintable(Describe(previous) + QStringLiteral(" -> ") + Describe(now)));
                previous = now;
            }
            const bool ok = window.endsWith(QLatin1String("ok"));
            Press(ok ? Qt::Key_Return : Qt::Key_Escape);
            QVERIFY(!dlg.isVisible());
            QCOMPARE(dlg.result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
        } else if (window == QLatin1String("wizard")) {
            auto a = Compact(6, 45, QStringLiteral("Work"));
            a->type = AlarmWizard;
            CEditWizard w(a.get());
            QString walk = ShowAndWalk(&w);
            QVERIFY2(walk.isEmpty(), qPrintable(QStringLiteral("page 1: ") + walk));
            // The window opens with the focus on the page, not on the frame's buttons.
            QVERIFY2(w.CurrentPagePtr()->isAncestorOf(QApplication::focusWidget()),
                     qPrintable(Describe(QApplication::focusWidget())));
            auto* next = Child<QWidget>(&w, KitWizard::IdNext);
            QVERIFY(next);
            for (int page = 2; next->isEnabled() && next->isVisible() && page < 20; ++page) {
                QVERIFY2(TabTo(next), qPrintable(QStringLiteral("\">\" on page %1").arg(page - 1)));
                Press(Qt::Key_Space);
                QCOMPARE(w.CurrentPage(), page);
                walk = ShowAndWalk(&w);
                QVERIFY2(walk.isEmpty(), qPrintable(QStringLiteral("page %1: ").arg(page) + walk));
            }
            QVERIFY(w.CurrentPage() > 3);
            Press(Qt::Key_Return);
            QVERIFY(!w.isVisible());
            QCOMPARE(w.result(), int(QDialog::Accepted));
        } else if (window == QLatin1String("options")) {
            TemplateList templates;
            OptionsServices services;
            services.programDir = m_files->path();
            services.templates = &templates;
            services.versionText = QStringLiteral("Dawnbell v9.8.7");
            COptionsWizard sheet(services);
            const QString walk = ShowAndWalk(&sheet);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            Press(Qt::Key_Return);
            QVERIFY(!sheet.isVisible());
            QCOMPARE(sheet.result(), int(QDialog::Accepted));
        } else if (window == QLatin1String("chooser")) {
            QVERIFY(MakeFile(QStringLiteral("start/alpha.wav")));
            QVERIFY(MakeFile(QStringLiteral("start/bravo.wav")));
            QVERIFY(MakeFile(QStringLiteral("start/deeper/charlie.wav")));
            FileDialog dialog(FileDialog::Mode::Open, m_files->filePath(QStringLiteral("start")));
            dialog.SetSingleSelection(true);
            const QString walk = ShowAndWalk(&dialog);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            auto* tree = Child<QTreeWidget>(&dialog, FileDialog::kIdFolderTree);
            auto* list = Child<QTreeWidget>(&dialog, FileDialog::kIdFileList);
            QVERIFY(tree && list);
            // Down in the tree opens the subfolder; Up comes back.
            QVERIFY(TabTo(tree));
            Press(Qt::Key_Down);
            QCOMPARE(QDir(dialog.CurrentFolder()).dirName(), QStringLiteral("deeper"));
            Press(Qt::Key_Up);
            QCOMPARE(QDir(dialog.CurrentFolder()).dirName(), QStringLiteral("start"));
            QVERIFY(TabTo(list));
            Press(Qt::Key_Down);
            Press(Qt::Key_Down);
            Press(Qt::Key_Return);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.ChosenFiles(), QStringList{m_files->filePath(QStringLiteral("start/bravo.wav"))});
        } else if (window.startsWith(QLatin1String("ringing"))) {
            QVERIFY(MakeFile(QStringLiteral("ring.wav")));
            auto a = Compact(9, 0, QStringLiteral("Wake"));
            a->SetPlaylist({m_files->filePath(QStringLiteral("ring.wav"))});
            a->useSnooze = window == QLatin1String("ringing no snooze") ? 0 : 1;
            a->snooze = 600;
            RingingServices services;
            services.wakeProgram = QStringLiteral("/bin/true");
            services.imagesDir = m_files->path();
            services.confirmClose = [](QWidget*, uint32_t, uint32_t) { return true; };
            CAlarmDialog dlg(a.get(), nullptr, services);
            if (window == QLatin1String("ringing snooze")) {
                dlg.show();
                QVERIFY(QTest::qWaitForWindowExposed(&dlg));
                QTest::keyClick(&dlg, Qt::Key_Escape);
                QVERIFY(dlg.countdown() > 0);
                QVERIFY(!dlg.ended());
                return;
            }
            const QString walk = ShowAndWalk(&dlg);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            if (window == QLatin1String("ringing no snooze")) {
                Press(Qt::Key_Escape);
                QVERIFY(!dlg.ended());
                QCOMPARE(dlg.playState(), int(CAlarmDialog::Playing));
            }
            QVERIFY(TabTo(Child<QWidget>(&dlg, CAlarmDialog::IdEnd)));
            Press(Qt::Key_Space);
            QVERIFY(dlg.ended());
        } else if (window == QLatin1String("quiz")) {
            // Every key pressed asks the ringing window to pause the sound.
            QWidget owner;
            int pauses = 0;
            class PauseCount : public QObject {
            public:
                explicit PauseCount(int* n) : n_(n) {}
                bool eventFilter(QObject*, QEvent* e) override
                {
                    if (e->type() == CQuizDialog::PauseRequestType())
                        ++*n_;
                    return false;
                }
                int* n_;
            } counter(&pauses);
            owner.installEventFilter(&counter);
            CQuizDialog quiz(0x000000, 0xF0F0F0, 1, 1, &owner);
            const QString walk = ShowAndWalk(&quiz);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            QPushButton* key = nullptr;
            for (int i = 0; i < 12 && !key; ++i) {
                if (quiz.button(i)->isVisible())
                    key = quiz.button(i);
            }
            QVERIFY(key);
            QVERIFY(TabTo(key));
            Press(Qt::Key_Space);
            QCOMPARE(pauses, 1);
            quiz.hide();
            // Tab meets the keys row by row, left to right, as they are painted,
            // in every game (Repeat's keypad is made in another order).
            for (int type : {1, 2, 4}) {
                CQuizDialog game(0x000000, 0xF0F0F0, 1, type, &owner);
                game.show();
                QVERIFY(QTest::qWaitForWindowActive(&game));
                QList<QPushButton*> keys;
                for (int i = 0; i < 12; ++i) {
                    if (game.button(i)->isVisible())
                        keys << game.button(i);
                }
                QVERIFY(keys.size() > 1);
                std::stable_sort(keys.begin(), keys.end(), [](QWidget* a, QWidget* b) {
                    return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
                });
                // The walk starts after the focus and ends on it.
                QVERIFY(TabTo(keys.first()));
                QList<QPushButton*> walked;
                for (QWidget* w : TabWalk(&game)) {
                    if (auto* b = qobject_cast<QPushButton*>(w))
                        walked << b;
                }
                QVERIFY(!walked.isEmpty());
                walked.prepend(walked.takeLast());
                QCOMPARE(walked, keys);
                // A screen reader meets them in the same order.
                QList<QPushButton*> heard;
                QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(&game);
                for (int i = 0; i < dialog->childCount(); ++i) {
                    auto* b = qobject_cast<QPushButton*>(dialog->child(i)->object());
                    if (b && b->isVisible())
                        heard << b;
                }
                QCOMPARE(heard, keys);
            }
        } else if (window == QLatin1String("selection")) {
            TemplateList templates;
            auto t = std::make_unique<AlarmTemplate>();
            t->name = QStringLiteral("Alpha");
            t->type = AlarmCompact;
            t->title = QStringLiteral("title of Alpha");
            t->Save();
            templates.push_back(std::move(t));
            Alarm alarm;
            QString opened;
            CSelectTemplate::Services services;
            services.templates = &templates;
            services.programDir = m_files->path();
            services.compactEditor = [&opened](Alarm* a, QWidget*) {
                opened = a->title;
                return true;
            };
            services.wizard = services.compactEditor;
            CSelectTemplate d(&alarm, nullptr, services);
            const QString walk = ShowAndWalk(&d);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            // Down past the blank entries onto the first template.
            for (int guard = 0; d.Current() != CSelectTemplate::kFirstTemplate && guard < 10; ++guard)
                Press(Qt::Key_Down);
            QCOMPARE(d.Current(), int(CSelectTemplate::kFirstTemplate));
            Press(Qt::Key_Return);
            QCOMPARE(opened, QStringLiteral("title of Alpha"));
        } else {
            QMessageBox box;
            const bool safe = window == QLatin1String("box safe");
            PrepareMessageBox(&box, QStringLiteral("Remove the alarm?"), QStringLiteral("Question"),
                              safe ? MsgButtons::YesNoSafe : MsgButtons::YesNo, MsgIcon::Question);
            const QString walk = ShowAndWalk(&box);
            QVERIFY2(walk.isEmpty(), qPrintable(walk));
            const bool enter = window != QLatin1String("box escape");
            Press(enter ? Qt::Key_Return : Qt::Key_Escape);
            QVERIFY(!box.isVisible());
            QCOMPARE(box.clickedButton(), box.button(enter && !safe ? QMessageBox::Yes : QMessageBox::No));
        }
    }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
