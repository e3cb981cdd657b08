// What a screen reader finds in each window (offscreen, real windows on a
// temporary home): the accessibility tree as Qt hands it to the platform's
// bridge, walked through QAccessible::queryAccessibleInterface. Each window has
// the nodes it must show (role, name, actions, value); pressing "Snooze" and a
// list row through their accessible actions does what a tap does, and the snooze
// countdown is a live value. Change events reach only an active accessibility
// bridge, which the offscreen platform lacks: atspi_snooze.py reads the running
// program through one and checks them there (the countdown's value changes
// after "Snooze", a row's checked state and words when its alarm is switched).
#include "AccessibleFactory.h"
#include "Alarm.h"
#include "CAlarmDialog.h"
#include "CAlarmListCtrl.h"
#include "CEditAlarm.h"
#include "CEditWizard.h"
#include "CFadeControl.h"
#include "CMainDialog.h"
#include "COptionsWizard.h"
#include "CQuizDialog.h"
#include "Clock.h"
#include "FadeCurve.h"
#include "FakeMediaPlayer.h"
#include "FileDialog.h"
#include "LanguageTable.h"
#include "MediaPlayerFactory.h"
#include "Notify.h"
#include "Registry.h"
#include "Scheduler.h"
#include "TempHome.h"
#include "TodayHost.h"
#include "WindowTestSetUp.h"
#include "Texts.h"
#include "../model/TestEnv.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QMetaEnum>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace dawnbell;

namespace {

// One node as the tests write it: "Role|Name|Action,Action|Value".
QString NodeText(QAccessibleInterface* node)
{
    const char* role = QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role());
    QAccessibleActionInterface* actions = node->actionInterface();
    return QStringLiteral("%1|%2|%3|%4")
        .arg(QLatin1String(role ? role : "?"), node->text(QAccessible::Name),
             actions ? actions->actionNames().join(QLatin1Char(',')) : QString(), node->text(QAccessible::Value));
}

// The visible nodes below `root`, depth first.
void Walk(QAccessibleInterface* root, QList<QAccessibleInterface*>* out, int depth = 0)
{
    if (!root || depth > 20)
        return;
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (!child || child->state().invisible)
            continue;
        // Every child knows its place: a reader walks up as well as down.
        QCOMPARE(root->indexOfChild(child), i);
        QCOMPARE(child->parent(), root);
        out->append(child);
        Walk(child, out, depth + 1);
    }
}

// True when `node` is what `expected` ("Role|Name|Actions|Value") asks for: role
// and name alike, every action named there offered, the value alike when given.
bool Matches(QAccessibleInterface* node, const QString& expected)
{
    const QStringList want = expected.split(QLatin1Char('|'));
    const QStringList have = NodeText(node).split(QLatin1Char('|'));
    if (want.value(0) != have.value(0) || want.value(1) != have.value(1))
        return false;
    const QStringList offered = have.value(2).split(QLatin1Char(','));
    for (const QString& action : want.value(2).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!offered.contains(action))
            return false;
    }
    return want.value(3).isEmpty() || want.value(3) == have.value(3);
}

QAccessibleInterface* Find(QWidget* window, const QString& expected)
{
    QList<QAccessibleInterface*> nodes;
    Walk(QAccessible::queryAccessibleInterface(window), &nodes);
    for (QAccessibleInterface* node : nodes) {
        if (Matches(node, expected))
            return node;
    }
    return nullptr;
}

// Alarms at distinct times with distinct titles, so swapped fields show.
std::unique_ptr<Alarm> Compact(int hour, int minute, const QString& title, int days, bool on)
{
    auto a = std::make_unique<Alarm>();
    a->type = AlarmCompact;
    a->title = title;
    a->alarmTime = clock::MakeLocal(2031, 3, 10, hour, minute, 0);
    a->repeatDays = days;
    a->activated = on ? 1 : 0;
    a->random = 0;
    a->useFade = 0;
    a->vibrate = 0;
    a->quiz = 0;
    a->confirmClose = 0;
    return a;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private:
    test::TempHome m_home;
    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<LanguageTable> m_language; // the language in force, when not English

    std::unique_ptr<CMainDialog> MainWindow(QString* opened)
    {
        Compact(6, 45, QStringLiteral("Work"), 0x1F, true)->Save();  // Mo-Fr; now is Saturday 09:00
        Compact(10, 1, QStringLiteral("Nap"), 0, true)->Save();      // once, in 1 h 1 min
        Compact(18, 30, QStringLiteral("Tea"), 0, false)->Save();    // off
        MainWindowServices services;
        services.compactEditor = [opened](Alarm* a, CMainDialog*) {
            *opened = a->title;
            return false;
        };
        services.ring = [](Alarm*, QWidget*) {};
        auto w = std::make_unique<CMainDialog>(services);
        w->resize(240, 320);
        return w;
    }

    std::unique_ptr<Alarm> RingingAlarm()
    {
        const QString sound = m_files->filePath(QStringLiteral("ring.wav"));
        QFile f(sound);
        if (!f.open(QIODevice::WriteOnly) || f.write("RIFF") != 4)
            qWarning("cannot write %s", qPrintable(sound));
        auto a = Compact(9, 0, QStringLiteral("Wake"), 0, true);
        a->message = QStringLiteral("Rise and shine");
        a->SetPlaylist({sound});
        a->useSnooze = 1;
        a->snooze = 600;
        a->showSoundControls = 1;
        return a;
    }

    // The today screen with the real item library, which reads the store and
    // the clock itself, in the language (platform id) the program left it.
    std::unique_ptr<today::TodayHost> TodayScreen(const char* languageId)
    {
        Compact(6, 45, QStringLiteral("Work"), 0x1F, true)->Save(); // Mo-Fr; now is Saturday 09:00
        Compact(10, 1, QStringLiteral("Nap"), 0, true)->Save();     // once, in 1 h 1 min
        Compact(18, 30, QStringLiteral("Tea"), 0, false)->Save();   // off
        qputenv("DAWNBELL_NOW", "2031-03-08T09:00:00");
        qputenv("DAWNBELL_LANGID", languageId);
        RegKey item;
        if (RegKey::Create(Hive::LocalMachine, std::string(today::kItemsKey) + "\\Dawnbell", &item) != RegOk)
            qWarning("cannot register the today item");
        item.WriteString("DLL", QStringLiteral(DAWNBELL_PROGRAM_DIR "/libdawnbell-today.so").toStdU16String());
        item.WriteDword("Enabled", 1);
        item.WriteDword("Options", 1);
        item.WriteDword("Type", today::kTodayItemCustom);
        auto host = std::make_unique<today::TodayHost>();
        host->resize(240, 400);
        return host;
    }

    RingingServices Services() const
    {
        RingingServices services;
        services.wakeProgram = QStringLiteral("/bin/true");
        services.imagesDir = m_files->path();
        services.confirmClose = [](QWidget*, uint32_t, uint32_t) { return true; };
        return services;
    }

private slots:
    void initTestCase()
    {
        test::UseFixedZoneAndLocale();
        InstallAccessibleFactory();
    }

    void init()
    {
        test::SetUpWindowTest(&m_home, &m_files);
    }

    void cleanup()
    {
        m_language.reset();
        SetTextProvider({});
        SetMediaPlayerFactoryForTesting({});
        clock::SetNowForTesting(std::nullopt);
        CQuizDialog::SetSeedForTesting(std::nullopt);
        qunsetenv("DAWNBELL_NOW");
        qunsetenv("DAWNBELL_LANGID");
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        const pid_t daemon = notify::NotifyDaemonPid();
        if (daemon > 0)
            ::kill(daemon, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
    }

    void windowShowsItsNodes_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("main window: the list and its rows in words")
            << "main" << ""
            << QStringList{"List|Alarms||",
                           "ListItem|10:01, Nap, on, next ring in 1 hour 1 minute|Press,SetFocus|",
                           "ListItem|06:45, Work, Mo Tu We Th Fr, on, next ring in 45 hours 45 minutes|Press|",
                           "ListItem|18:30, Tea, off|Press|"};
        QTest::newRow("main window in German")
            << "main" << "deutsch"
            << QStringList{"List|Alarme||",
                           "ListItem|10:01, Nap, an, nächstes Klingeln in 1 Stunde 1 Minute|Press|",
                           "ListItem|06:45, Work, Mo Di Mi Do Fr, an, nächstes Klingeln in 45 Stunden 45 Minuten|Press|",
                           "ListItem|18:30, Tea, aus|Press|"};
        QTest::newRow("ringing window: texts, Snooze and End alarm")
            << "ringing" << ""
            << QStringList{"Dialog|Wake||", "StaticText|09:00:00||", "StaticText|Wake||", "StaticText|Rise and shine||",
                           "Button|Snooze|Press|", "Button|End alarm|Press|", "Slider|Volume||"};
        QTest::newRow("ringing window in French")
            << "ringing" << "fran\u00E7ais"
            << QStringList{"Button|R\u00E9p\u00E9ter|Press|", "Button|Arr\u00EAter|Press|"};
        QTest::newRow("compact editor: fields named after their labels")
            << "compact" << ""
            << QStringList{"EditableText|Title||Work", "EditableText|Message||", "SpinBox|Time||",
                           "SpinBox|Snooze (min.)||", "SpinBox|Quiz||", "Button|Move up||",
                           "Button|Move down||", "Slider|Volume||", "List|Playlist||", "CheckBox|Mo||", "CheckBox|Su||",
                           "CheckBox|Vibrate||", "Button|Add|Press|", "Button|OK|Press|",
                           "Button|Cancel|Press|"};
        QTest::newRow("file chooser: folders, files with check boxes, places")
            << "chooser open" << ""
            << QStringList{"Dialog|File Open||", "Tree|Folders||", "TreeItem|/|Press,SetFocus,Toggle|",
                           "TreeItem|Mornings|Press,SetFocus,Toggle|", "TreeItem|Birdsong|Press,SetFocus,Toggle|",
                           "List|Files||", "ListItem|alpha.wav|Press,Toggle,SetFocus|", "ListItem|zeta.mp3|Press|",
                           "ToolBar|Places||", "Button|Tunes|Press|", "ComboBox|Sound files||", "Button|OK|Press|",
                           "Button|Cancel|Press|"};
        QTest::newRow("file chooser saving, in German")
            << "chooser save" << "deutsch"
            << QStringList{"Dialog|Speichern||", "Tree|Ordner||", "TreeItem|Mornings|Press|", "List|Dateien||",
                           "ListItem|alpha.wav|Press,SetFocus|", "EditableText|Dateiname||"};
        QTest::newRow("wizard colours: a named and a custom colour")
            << "wizard colors" << ""
            << QStringList{"Graphic|Night||red 16, green 32, blue 64",
                           "Graphic|red 255, green 128, blue 0||red 255, green 128, blue 0",
                           "ComboBox|Night||", "ComboBox|Custom||", "SpinBox|Red||255",
                           "SpinBox|Green||128", "SpinBox|Blue||0", "Button|Add pictures|Press|",
                           "Button|Next page|Press|", "Button|Previous page|Press|"};
        QTest::newRow("options colours: the list, the fields and the preview")
            << "options colors" << ""
            << QStringList{"List|Colors||", "ListItem|Dusk||", "ListItem|Snow||", "EditableText|Name||Dusk",
                           "EditableText|Red||40", "EditableText|Green||60", "EditableText|Blue||80",
                           "Graphic|Dusk||red 40, green 60, blue 80"};
        QTest::newRow("options colours in French")
            << "options colors" << "fran\u00E7ais"
            << QStringList{"List|Couleurs||", "EditableText|Nom||Dusk", "EditableText|Rouge||40",
                           "Graphic|Dusk||rouge 40, vert 60, bleu 80"};
        QTest::newRow("quiz: the sum as painted, the answer entered so far, the digit keys")
            << "quiz 1 0" << ""
            << QStringList{"Dialog|Quiz||", "StaticText|2 + 1||", "EditableText|Answer||", "Button|3|Press|",
                           "Button|0|Press|"};
        QTest::newRow("quiz: face-down cards in words")
            << "quiz 2 0" << "" << QStringList{"StaticText|Find all pairs||", "Button|Hidden card|Press|"};
        QTest::newRow("quiz in German")
            << "quiz 2 0" << "deutsch"
            << QStringList{"Dialog|Quiz||", "StaticText|Finde alle Paare||", "EditableText|Antwort||",
                           "Button|Verdeckte Karte|Press|"};
        QTest::newRow("today screen: rows in words with their switch, the buttons, the countdown")
            << "today" << ""
            << QStringList{"Grouping|Dawnbell||", "Button|Open Dawnbell|Press|",
                           "CheckBox|10:01, Nap, on, next ring in 1 hour 1 minute|Press,Toggle|",
                           "CheckBox|18:30, Tea, off|Press|", "Button|Edit|Press|", "Button|Scroll down|Press|",
                           "StaticText|next ring in 1 hour 1 minute||1:02", "Button|Options|Press|"};
        QTest::newRow("today screen in German")
            << "today" << "deutsch"
            << QStringList{"Button|Dawnbell \u00F6ffnen|Press|",
                           "CheckBox|10:01, Nap, an, n\u00E4chstes Klingeln in 1 Stunde 1 Minute|Press|",
                           "CheckBox|18:30, Tea, aus|Press|", "Button|Bearbeiten|Press|",
                           "Button|Nach unten bl\u00E4ttern|Press|"};
        QTest::newRow("fade curve, parabola over 30 s")
            << "fade 0 30" << "" << QStringList{"Chart|Fade-in curve||fade-in over 30 seconds, rising slowly"};
        QTest::newRow("fade curve, straight over 5 s")
            << "fade 1 5" << "" << QStringList{"Chart|Fade-in curve||fade-in over 5 seconds, rising evenly"};
        QTest::newRow("fade curve, steep over 120 s")
            << "fade 2 120" << "" << QStringList{"Chart|Fade-in curve||fade-in over 120 seconds, rising quickly"};
        QTest::newRow("fade curve in German")
            << "fade 0 30" << "deutsch"
            << QStringList{"Chart|Einblendkurve||Einblenden über 30 Sekunden, langsam ansteigend"};
    }

    void windowShowsItsNodes()
    {
        QFETCH(QString, window);
        QFETCH(QString, language);
        QFETCH(QStringList, expected);
        if (!language.isEmpty()) {
            m_language = std::make_unique<LanguageTable>();
            QCOMPARE(m_language->Load(QStringLiteral(DAWNBELL_PROGRAM_DIR), language),
                     LanguageTable::LoadResult::Loaded);
            m_language->InstallAsTextProvider();
        }
        QString opened;
        std::unique_ptr<QWidget> shown;
        std::unique_ptr<Alarm> alarm;
        QWidget* host = nullptr;
        FileDialog* chooser = nullptr;
        CEditWizard* wizard = nullptr;
        COptionsWizard* sheet = nullptr;
        if (window == QLatin1String("main")) {
            shown = MainWindow(&opened);
        } else if (window == QLatin1String("ringing")) {
            alarm = RingingAlarm();
            shown = std::make_unique<CAlarmDialog>(alarm.get(), nullptr, Services());
        } else if (window == QLatin1String("compact")) {
            alarm = Compact(6, 45, QStringLiteral("Work"), 0x1F, true);
            alarm->forceVolume = 1; // the volume slider shows
            shown = std::make_unique<CEditAlarm>(alarm.get());
        } else if (window.startsWith(QLatin1String("chooser"))) {
            const QDir files(m_files->path());
            for (const char* folder : {"Mornings/Birdsong", "Evenings"})
                QVERIFY(files.mkpath(QLatin1String(folder)));
            for (const char* name : {"Mornings/alpha.wav", "Mornings/zeta.mp3", "Mornings/Birdsong/chirp.ogg"}) {
                QFile f(files.filePath(QLatin1String(name)));
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write("RIFF") == 4);
            }
            const bool save = window.endsWith(QLatin1String("save"));
            chooser = new FileDialog(save ? FileDialog::Mode::Save : FileDialog::Mode::Open,
                                     files.filePath(QStringLiteral("Mornings")));
            shown.reset(chooser);
            chooser->SetFilter(FileDialog::SoundFilter());
            chooser->AddPlace(QStringLiteral("Tunes"), files.filePath(QStringLiteral("Evenings")));
        } else if (window == QLatin1String("wizard colors")) {
            alarm = Compact(6, 45, QStringLiteral("Work"), 0x1F, true);
            alarm->type = AlarmWizard;
            alarm->SetPlaylist({QStringLiteral("/s/one.mp3")});
            alarm->useBackColor = 1;
            alarm->backColor = 0x00402010; // "Night"
            alarm->useTextColor = 1;
            alarm->textColor = 0x000080FF; // no named colour
            alarm->backImageStyle = 2;     // the picture controls show
            WizardServices services;
            services.namedColors = {{QStringLiteral("Night"), 0x00402010}, {QStringLiteral("Snow"), 0x00FAFAFA}};
            wizard = new CEditWizard(alarm.get(), nullptr, services);
            shown.reset(wizard);
        } else if (window == QLatin1String("options colors")) {
            OptionsServices services;
            services.programDir = m_files->path();
            services.namedColors = {{QStringLiteral("Dusk"), 0x00503C28}, {QStringLiteral("Snow"), 0x00FAFAFA}};
            sheet = new COptionsWizard(services);
            shown.reset(sheet);
        } else if (window.startsWith(QLatin1String("quiz"))) {
            const QStringList words = window.split(QLatin1Char(' ')); // "quiz TYPE LEVEL"
            CQuizDialog::SetSeedForTesting(1);
            shown = std::make_unique<CQuizDialog>(0x000000, 0xFFFFFF, words.value(2).toInt(), words.value(1).toInt());
        } else if (window == QLatin1String("today")) {
            shown = TodayScreen(language.isEmpty() ? "9" : "7");
        } else {
            const QStringList words = window.split(QLatin1Char(' '));
            host = new QWidget;
            shown.reset(host);
            auto* curve = new CFadeControl(host);
            curve->setGeometry(0, 0, 200, 100);
            curve->SetCurve(FadePresetCurve(words.value(1).toInt()));
            curve->SetFadeSeconds(words.value(2).toInt());
        }
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        while (wizard && wizard->CurrentPage() < 7) // the colour page
            wizard->Next();
        while (sheet && sheet->CurrentPage() < COptionsWizard::PageColors)
            sheet->Next();

        QList<QAccessibleInterface*> nodes{QAccessible::queryAccessibleInterface(shown.get())};
        Walk(nodes.first(), &nodes);
        QStringList seen;
        for (QAccessibleInterface* node : nodes)
            seen << NodeText(node);
        for (const QString& want : expected) {
            bool found = false;
            for (QAccessibleInterface* node : nodes)
                found = found || Matches(node, want);
            QVERIFY2(found, qPrintable(QStringLiteral("no node %1 among:\n  %2").arg(want, seen.join("\n  "))));
        }
        // Nothing a reader lands on is nameless.
        const QList<QAccessible::Role> named{QAccessible::Button,   QAccessible::CheckBox, QAccessible::ListItem,
                                             QAccessible::Clock,    QAccessible::Slider,   QAccessible::SpinBox,
                                             QAccessible::EditableText, QAccessible::Chart, QAccessible::List,
                                             QAccessible::Tree,     QAccessible::TreeItem, QAccessible::ToolBar,
                                             QAccessible::Graphic};
        for (QAccessibleInterface* node : nodes) {
            if (named.contains(node->role()) && !node->state().disabled)
                QVERIFY2(!node->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(NodeText(node)));
        }
        if (chooser) {
            // A file pressed through its action is chosen, as a tap chooses it;
            // a folder or a place pressed opens it.
            const QString mornings = m_files->filePath(QStringLiteral("Mornings"));
            QAccessibleInterface* zeta = Find(chooser, QStringLiteral("ListItem|zeta.mp3|Press|"));
            QVERIFY(zeta);
            zeta->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(chooser->ChosenFiles(), QStringList{mornings + QStringLiteral("/zeta.mp3")});
            QVERIFY(zeta->state().checked || zeta->state().selected);
            QAccessibleInterface* birdsong = Find(chooser, QStringLiteral("TreeItem|Birdsong|Press|"));
            QVERIFY(birdsong);
            birdsong->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(chooser->CurrentFolder(), mornings + QStringLiteral("/Birdsong"));
            QVERIFY(Find(chooser, QStringLiteral("ListItem|chirp.ogg|Press|")));
            QAccessibleInterface* tunes = Find(chooser, QStringLiteral("Button|Tunes|Press|"));
            QVERIFY(tunes);
            tunes->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(chooser->CurrentFolder(), m_files->filePath(QStringLiteral("Evenings")));
        }
    }

    // "Snooze" pressed through its action snoozes as a tap does; the countdown
    // then shows the snooze's seconds and follows each tick.
    void snoozeActionAndLiveCountdown()
    {
        auto alarm = RingingAlarm();
        CAlarmDialog dlg(alarm.get(), nullptr, Services());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(!Find(&dlg, QStringLiteral("ProgressBar|Snooze countdown||"))); // nothing counts yet
        QAccessibleInterface* snooze = Find(&dlg, QStringLiteral("Button|Snooze|Press|"));
        QVERIFY(snooze);
        snooze->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(dlg.countdown(), 600);
        QVERIFY(!dlg.ended());

        QAccessibleInterface* countdown = Find(&dlg, QStringLiteral("ProgressBar|Snooze countdown||"));
        QVERIFY(countdown);
        QVERIFY(countdown->valueInterface());
        QCOMPARE(countdown->valueInterface()->currentValue().toInt(), 600);
        QCOMPARE(countdown->valueInterface()->maximumValue().toInt(), 600);
        QVERIFY(!countdown->text(QAccessible::Value).isEmpty());

        dlg.HandleTimer(CAlarmDialog::TimerCountdown);
        QCOMPARE(dlg.countdown(), 599);
        QCOMPARE(countdown->valueInterface()->currentValue().toInt(), 599);
    }

    // A row pressed through its action opens it as a double tap does; a row
    // given the focus through its action becomes the selection.
    void rowActions()
    {
        QString opened;
        auto w = MainWindow(&opened);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QAccessibleInterface* tea = Find(w.get(), QStringLiteral("ListItem|18:30, Tea, off|SetFocus|"));
        QVERIFY(tea);
        QVERIFY(!tea->state().checked);
        tea->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        QCOMPARE(w->list()->SelectedIndex(), 2);
        QVERIFY(tea->state().selected);
        QVERIFY(opened.isEmpty());

        QAccessibleInterface* work = Find(w.get(), QStringLiteral("ListItem|06:45, Work, Mo Tu We Th Fr, on, next ring in 45 hours 45 minutes|Press|"));
        QVERIFY(work);
        QVERIFY(work->state().checked);
        work->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(opened, QStringLiteral("Work"));
    }

    // A today row pressed through its action switches its alarm as a double tap
    // does, once the reader's call has returned; switching one off asks first.
    void todayRowPressed()
    {
        auto screen = TodayScreen("9");
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
        QAccessibleInterface* tea = Find(screen.get(), QStringLiteral("CheckBox|18:30, Tea, off|Press|"));
        QVERIFY(tea);
        QVERIFY(!tea->state().checked);
        tea->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!tea->state().checked); // not yet: the reader's call returns first
        QTRY_VERIFY((screen->RefreshItems(),
                     Find(screen.get(), QStringLiteral("CheckBox|18:30, Tea, on, next ring in 9 hours 30 minutes|Press|"))));

        qputenv("DAWNBELL_MSGBOX_RECORD", m_files->filePath(QStringLiteral("boxes.txt")).toUtf8());
        QAccessibleInterface* nap = Find(screen.get(), QStringLiteral("CheckBox|10:01, Nap, on, next ring in 1 hour 1 minute|Press|"));
        QVERIFY(nap);
        nap->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        // The top row follows the next active alarm: Nap is one row up now.
        QAccessibleInterface* up = nullptr;
        QTRY_VERIFY((screen->RefreshItems(), up = Find(screen.get(), QStringLiteral("Button|Scroll up|Press|"))));
        up->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(Find(screen.get(), QStringLiteral("CheckBox|10:01, Nap, off|Press|")));
        QFile asked(m_files->filePath(QStringLiteral("boxes.txt")));
        QVERIFY(asked.open(QIODevice::ReadOnly));
        QVERIFY2(asked.readAll().contains("Really deactivate the alarm?"), "switching off did not ask");
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
