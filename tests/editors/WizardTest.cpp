// The wizard driven through its real window with pointer and keyboard events:
// the page sets and arrows, OK on the first page, every way out without OK
// leaving the alarm as it was, the snooze, volume, colour and command pages,
// the appointment calendar, the save page with the template overwrite
// question, the on-screen keyboard, and the gradient running on behind the
// pages. A temporary device directory, a fixed clock and the offscreen screen.
#include "CEditWizard.h"

#include "Alarm.h"
#include "AlarmStore.h"
#include "CEditWizardPage.h"
#include "CFadeControl.h"
#include "CStep1.h"
#include "CStep2.h"
#include "CStep3.h"
#include "CStep4.h"
#include "CStep5.h"
#include "CStep6.h"
#include "CStep7.h"
#include "CStepAppointment.h"
#include "CStepCommand.h"
#include "CStepSave.h"
#include "CTemplatePreviewStatic.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "FadeCurve.h"
#include "FileDialog.h"
#include "KitPainter.h"
#include "LongPress.h"
#include "Profile.h"
#include "ReadOnlyFolder.h"
#include "Registry.h"
#include "Scaling.h"
#include "ScreenClass.h"
#include "StoredValues.h"
#include "TempHome.h"
#include "Texts.h"
#include "UserInput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

using namespace dawnbell;
using namespace dawnbell::test;

namespace {

// Saturday 14 March 2026, 07:30:00 local time.
int64_t FixedNow()
{
    return clock::MakeLocal(2026, 3, 14, 7, 30, 0);
}

// An alarm whose fields all differ from the new-alarm values.
std::unique_ptr<Alarm> Filled(int type)
{
    auto a = std::make_unique<Alarm>();
    a->type = type;
    a->alarmTime = clock::MakeLocal(2026, 3, 16, 6, 45, 0);
    a->repeatDays = 0x15;
    a->dateYear = 2026;
    a->dateMonth = 3;
    a->dateDay = 16;
    a->vibrate = 0;
    a->vibrateInterval = 0;
    a->random = 0;
    a->forceVolume = 1;
    a->volume = 61;
    a->fadeDuration = 42;
    a->playlist = {QStringLiteral("/s/one.mp3"), QStringLiteral("/t/two.mp3"), QStringLiteral("/u/three.wav")};
    a->snooze = 420;
    a->quiz = 4;
    a->quizLevel = 5;
    a->quizTypes = 5;
    a->useFade = 1;
    a->useSnooze = 1;
    const FadeCurve steep = FadePresetCurve(FadePresetSteep);
    std::copy(steep.begin(), steep.end(), a->fade.begin());
    a->closeAfterTimes = 6;
    a->useBackColor = 1;
    a->useTextColor = 1;
    a->backImageStyle = 3;
    a->backColor = 0x00102030;
    a->textColor = 0x00E0D0C0;
    a->SetBackImage(BackImageQVGA, QStringLiteral("portrait.png"));
    a->layoutStyle = 1;
    a->showSoundControls = 1;
    a->confirmClose = 0;
    a->title = QStringLiteral("Work");
    a->message = QStringLiteral("Bus at\r\n7:20");
    a->command = QStringLiteral("/bin/true::-x");
    return a;
}

QWidget* Frame(const CEditWizard& w, int id)
{
    return w.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

template <typename T>
T* On(const CEditWizard& w, int id)
{
    return w.CurrentPagePtr()->Ctl<T>(id);
}

} // namespace

class WizardTest : public QObject {
    Q_OBJECT

private:
    TempHome home_;
    QString record_;

    QStringList Boxes() const
    {
        QFile f(record_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // A recorded message box: caption, tab, text with line breaks as "\n".
    static QString Box(int caption, int text)
    {
        return Text(caption) + QLatin1Char('\t') + Text(text).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    }

    // Shows a wizard and walks to page `page` with ">".
    static void Open(CEditWizard& w, int page)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int i = 1; i < page; ++i)
            Tap(Frame(w, CEditWizard::IdNext));
        QCOMPARE(w.CurrentPage(), page);
    }

private slots:
    void initTestCase()
    {
        Profile::SetRegistryKey(QStringLiteral("Torvane"));
        qputenv("DAWNBELL_SCREEN", "240x320@96");
        ResetDpiCacheForTesting();
        clock::SetNowForTesting(FixedNow());
    }
    void init()
    {
        home_.Renew();
        record_ = home_.filePath(QStringLiteral("boxes.txt"));
        qputenv("DAWNBELL_MSGBOX_RECORD", record_.toUtf8());
        qputenv("DAWNBELL_AUTO_ANSWER", "yes");
    }
    void cleanup()
    {
        qputenv("DAWNBELL_SCREEN", "240x320@96");
        ResetDpiCacheForTesting();
        home_.Close();
    }
    void cleanupTestCase() { clock::SetNowForTesting(std::nullopt); }

    // The page set of each type, walked with ">" and back with "<"; the arrows
    // are disabled at the two ends.
    void pageSets_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("titles");
        const QStringList nine{Text(60), Text(61), Text(62), Text(63), Text(64),
                               Text(65), Text(66), Text(67), Text(79)};
        QTest::newRow("wizard") << int(AlarmWizard) << nine;
        QTest::newRow("appointment") << int(AlarmAppointment) << nine;
        QTest::newRow("command") << int(AlarmCommand) << QStringList{Text(60), Text(61), Text(82), Text(79)};
        QTest::newRow("unknown type as a wizard") << 7 << nine;
    }
    void pageSets()
    {
        QFETCH(int, type);
        QFETCH(QStringList, titles);
        auto alarm = Filled(type);
        alarm->alarmTime = clock::MakeLocal(2026, 3, 16, 6, 45, 0); // appointment in the future
        CEditWizard w(alarm.get());
        Open(w, 1);
        QCOMPARE(w.PageCount(), titles.size());
        QCOMPARE(Frame(w, CEditWizard::IdBack)->isEnabled(), false);
        QStringList seen;
        for (int i = 1; i <= w.PageCount(); ++i) {
            seen << w.TitleText();
            QVERIFY(w.CurrentPagePtr()->isVisible());
            if (i < w.PageCount())
                Tap(Frame(w, CEditWizard::IdNext));
        }
        QCOMPARE(seen, titles);
        QCOMPARE(Frame(w, CEditWizard::IdNext)->isEnabled(), false);
        QVERIFY(Frame(w, CEditWizard::IdBack)->isEnabled());
        for (int i = w.PageCount(); i > 1; --i)
            Tap(Frame(w, CEditWizard::IdBack));
        QCOMPARE(w.CurrentPage(), 1);
        QCOMPARE(qobject_cast<QLabel*>(Frame(w, CEditWizard::IdTitle))->text(), titles.first());
        QVERIFY(Boxes().isEmpty());
    }

    // OK on the first page of a new wizard alarm stores the time page alone;
    // everything else keeps the new-alarm values.
    void okOnFirstPage()
    {
        Alarm alarm;
        alarm.type = AlarmWizard;
        const Alarm fresh;
        CEditWizard w(&alarm);
        Open(w, 1);
        Tap(On<QWidget>(w, 1041)); // +12h
        Tap(On<QWidget>(w, CStep1::kDayIds[2])); // Wednesday
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(alarm.alarmTime, FixedNow() + 12 * 3600);
        QCOMPARE(alarm.repeatDays, 0x04);
        QStringList expected = StoredValues(fresh);
        QStringList got = StoredValues(alarm);
        expected.removeAt(0);
        got.removeAt(0);
        expected.removeAt(0);
        got.removeAt(0);
        QCOMPARE(got, expected);
        QCOMPARE(Boxes(), QStringList{Box(126, 56)}); // no sound: asked, answered Yes
    }

    // Cancel, Escape, the window manager's close and a declined empty
    // playlist leave the caller's alarm exactly as it was, after changes on
    // several pages.
    void waysOutKeepTheAlarm_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("window manager's close") << "close";
        QTest::newRow("OK refused: no sound, answered No") << "no-sound";
    }
    void waysOutKeepTheAlarm()
    {
        QFETCH(QString, how);
        auto alarm = Filled(AlarmWizard);
        const QStringList before = StoredValues(*alarm);
        CEditWizard w(alarm.get());
        Open(w, 1);
        Tap(On<QWidget>(w, 1033));
        Tap(Frame(w, CEditWizard::IdNext));
        Type(On<QWidget>(w, CStep2::IdTitle), QStringLiteral("changed"));
        Tap(Frame(w, CEditWizard::IdNext));
        auto* list = On<QListWidget>(w, CStep3::IdList);
        TapRow(list, 0);
        TapRow(list, 2, Qt::ShiftModifier);
        Tap(On<QWidget>(w, CStep3::IdRemove));
        QCOMPARE(list->count(), 0);
        Tap(Frame(w, CEditWizard::IdNext));
        Tap(On<QWidget>(w, CStep4::IdUseSnooze));
        QCOMPARE(w.WorkingCopy().title, QStringLiteral("changed"));

        if (how == QLatin1String("cancel")) {
            Tap(Frame(w, CEditWizard::IdCancel));
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(&w, Qt::Key_Escape);
        } else if (how == QLatin1String("close")) {
            QVERIFY(w.close());
        } else {
            qputenv("DAWNBELL_AUTO_ANSWER", "no");
            Tap(Frame(w, CEditWizard::IdOk));
            QVERIFY(w.isVisible());
            QCOMPARE(Boxes(), QStringList{Box(126, 56)});
            QCOMPARE(w.WorkingCopy().useSnooze, 0);
        }
        if (how != QLatin1String("no-sound")) {
            QVERIFY(!w.isVisible());
            QCOMPARE(w.result(), int(QDialog::Rejected));
        }
        QCOMPARE(StoredValues(*alarm), before);
    }

    // The snooze page: what the two boxes show and what they store.
    void snoozePage_data()
    {
        QTest::addColumn<int>("useSnooze");
        QTest::addColumn<int>("snooze");
        QTest::addColumn<int>("quiz");
        QTest::addColumn<QList<int>>("clicks");       // control ids clicked in order
        QTest::addColumn<bool>("editsShown");         // quiz start and level visible after the clicks
        QTest::addColumn<QList<int>>("stored");       // useSnooze, snooze, quiz, quizLevel, quizTypes
        QTest::newRow("unchanged")
            << 1 << 420 << 4 << QList<int>{} << true << QList<int>{1, 420, 4, 5, 5};
        QTest::newRow("Use snooze off keeps the length, types still written")
            << 1 << 420 << 4 << QList<int>{CStep4::IdMemory, CStep4::IdUseSnooze} << false
            << QList<int>{0, 420, 4, 5, 7};
        QTest::newRow("Use quiz off keeps the level")
            << 1 << 420 << 4 << QList<int>{CStep4::IdUseQuiz} << false << QList<int>{1, 420, 0, 5, 5};
        QTest::newRow("Use quiz on from 0 starts at 1")
            << 1 << 420 << 0 << QList<int>{CStep4::IdUseQuiz} << true << QList<int>{1, 420, 1, 5, 5};
        QTest::newRow("30 seconds show as 1 minute")
            << 1 << 30 << 4 << QList<int>{} << true << QList<int>{1, 60, 4, 5, 5};
        QTest::newRow("snooze off: the quiz box is hidden")
            << 0 << 420 << 4 << QList<int>{} << false << QList<int>{0, 420, 4, 5, 5};
    }
    void snoozePage()
    {
        QFETCH(int, useSnooze);
        QFETCH(int, snooze);
        QFETCH(int, quiz);
        QFETCH(QList<int>, clicks);
        QFETCH(bool, editsShown);
        QFETCH(QList<int>, stored);
        auto alarm = Filled(AlarmWizard);
        alarm->useSnooze = useSnooze;
        alarm->snooze = snooze;
        alarm->quiz = quiz;
        CEditWizard w(alarm.get());
        Open(w, 4);
        QCOMPARE(On<QWidget>(w, CStep4::IdUseQuiz)->isVisible(), useSnooze != 0);
        for (int id : clicks)
            Tap(On<QWidget>(w, id));
        QCOMPARE(On<QWidget>(w, CStep4::IdQuiz)->isVisible(), editsShown);
        QCOMPARE(On<QWidget>(w, CStep4::IdLevel)->isVisible(), editsShown);
        QCOMPARE(On<QWidget>(w, CStep4::IdMath)->isVisible(), editsShown);
        QCOMPARE(On<QLabel>(w, CStep4::IdQuizLabel)->isEnabled(), editsShown);
        Tap(Frame(w, CEditWizard::IdNext));
        const Alarm& a = w.WorkingCopy();
        QCOMPARE((QList<int>{a.useSnooze, a.snooze, a.quiz, a.quizLevel, a.quizTypes}), stored);
    }

    // The volume page: a curve drawn with the mouse and with a finger, a
    // preset, and the fade duration's label.
    void fadeDrawing_data()
    {
        QTest::addColumn<bool>("touch");
        QTest::newRow("mouse") << false;
        QTest::newRow("touch") << true;
    }
    void fadeDrawing()
    {
        QFETCH(bool, touch);
        auto alarm = Filled(AlarmWizard);
        CEditWizard w(alarm.get());
        Open(w, 5);
        auto* curve = On<CFadeControl>(w, CStep5::IdCurve);
        QVERIFY(curve->isVisible());
        // A flat stroke at the middle height from the left quarter to the right quarter.
        const QRect area = curve->ActiveArea();
        const int y = area.top() + area.height() / 2;
        const QPoint from(area.left() + area.width() / 4, y);
        const QPoint to(area.left() + area.width() * 3 / 4, y);
        if (touch) {
            static QPointingDevice* screen = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
            const QPoint a = curve->mapTo(&w, from);
            const QPoint b = curve->mapTo(&w, to);
            QTest::touchEvent(&w, screen).press(0, a, &w);
            QTest::touchEvent(&w, screen).move(0, (a + b) / 2, &w);
            QTest::touchEvent(&w, screen).move(0, b, &w);
            QTest::touchEvent(&w, screen).release(0, b, &w);
        } else {
            QTest::mousePress(curve, Qt::LeftButton, {}, from);
            QTest::mouseMove(curve, (from + to) / 2);
            QTest::mouseMove(curve, to);
            QTest::mouseRelease(curve, Qt::LeftButton, {}, to);
        }
        QVERIFY(curve->finished());
        const FadeCurve drawn = curve->GetCurve();
        QVERIFY2(drawn[24] >= 45 && drawn[24] <= 55, qPrintable(QString::number(drawn[24])));
        QCOMPARE(drawn[12], drawn[36]);
        QCOMPARE(int(drawn[0]), 0); // left of the stroke: the steep preset as before
        QCOMPARE(int(drawn[49]), 100);

        auto* duration = On<QAbstractSlider>(w, CStep5::IdDuration);
        duration->setFocus();
        QTest::keyClick(duration, Qt::Key_Right);
        QCOMPARE(On<QLabel>(w, CStep5::IdDurationLabel)->text(), QStringLiteral("43s"));
        Tap(Frame(w, CEditWizard::IdNext));
        QCOMPARE(w.WorkingCopy().fade[24], drawn[24]);
        QCOMPARE(w.WorkingCopy().fadeDuration, 43);

        Tap(Frame(w, CEditWizard::IdBack));
        Tap(On<QWidget>(w, CStep5::IdPreset1));
        Tap(On<QWidget>(w, CStep5::IdFadeIn)); // off: curve, presets and duration hidden
        QVERIFY(!curve->isVisible());
        QVERIFY(!On<QLabel>(w, CStep5::IdDurationLabel)->isEnabled());
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(alarm->fade[49], uint8_t(98)); // the linear preset ends at 98
        QCOMPARE(alarm->useFade, 0);
    }

    // The colour page: similar colours ask even with both boxes unchecked; a
    // channel above 255 becomes 255 at once; named colours fill and lock the
    // edits.
    void colorPage_data()
    {
        QTest::addColumn<uint>("back");
        QTest::addColumn<uint>("text");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("moves");
        QTest::newRow("both black, boxes unchecked, No") << 0u << 0u << "no" << false;
        QTest::newRow("both black, Yes") << 0u << 0u << "yes" << true;
        QTest::newRow("29 apart on every channel") << 0x001D1D1Du << 0u << "no" << false;
        QTest::newRow("30 apart on one channel") << 0x00001E00u << 0u << "no" << true;
    }
    void colorPage()
    {
        QFETCH(uint, back);
        QFETCH(uint, text);
        QFETCH(QString, answer);
        QFETCH(bool, moves);
        auto alarm = Filled(AlarmWizard);
        alarm->useBackColor = 0;
        alarm->useTextColor = 0;
        alarm->backColor = back;
        alarm->textColor = text;
        WizardServices services;
        services.namedColors = {{QStringLiteral("Night"), 0x00402010}, {QStringLiteral("Snow"), 0x00FAFAFA}};
        CEditWizard w(alarm.get(), nullptr, services);
        Open(w, 7);
        QVERIFY(!On<QWidget>(w, CStep7::IdBackR)->isVisible());
        qputenv("DAWNBELL_AUTO_ANSWER", answer.toUtf8());
        Tap(Frame(w, CEditWizard::IdNext));
        QCOMPARE(w.CurrentPage(), moves ? 8 : 7);
        QCOMPARE(Boxes().count(Box(126, 145)), back == 0x00001E00u ? 0 : 1);
        if (!moves)
            return;
        QCOMPARE(w.WorkingCopy().backColor, uint32_t(back));

        // Typing 300 into a channel turns it into 255; a named colour locks the edits.
        Tap(Frame(w, CEditWizard::IdBack));
        Tap(On<QWidget>(w, CStep7::IdUseBack));
        auto* red = On<QSpinBox>(w, CStep7::IdBackR);
        QVERIFY(red->isVisible() && red->isEnabled());
        Type(red, QStringLiteral("300"));
        QCOMPARE(red->text(), QStringLiteral("255"));
        auto* names = On<QComboBox>(w, CStep7::IdTextList);
        QVERIFY(!names->isVisible()); // its box is unchecked
        Tap(On<QWidget>(w, CStep7::IdUseText));
        QCOMPARE(names->count(), 3);
        names->setFocus();
        QTest::keyClick(names, Qt::Key_Down); // "Night"
        QCOMPARE(names->currentText(), QStringLiteral("Night"));
        QVERIFY(!On<QWidget>(w, CStep7::IdTextG)->isEnabled());
        QCOMPARE(On<QSpinBox>(w, CStep7::IdTextB)->value(), 0x40);
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(alarm->useBackColor, 1);
        QCOMPARE(alarm->backColor & 0xFF, 255u);
        QCOMPARE(alarm->textColor, 0x00402010u);
    }

    // Rotating the device on the colour page shows the other screen class's
    // picture and keeps the choice made for the first.
    void rotationKeepsPictures()
    {
        const QString images = home_.filePath(QStringLiteral("images"));
        QDir().mkpath(images);
        for (const char* name : {"a.png", "b.png", "c.png"}) {
            QFile f(images + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        auto alarm = Filled(AlarmWizard);
        alarm->backImageStyle = 0;
        alarm->SetBackImage(BackImageQVGA, QString());
        alarm->SetBackImage(BackImageQVGAWide, QStringLiteral("c.png"));
        WizardServices services;
        services.imagesDir = images;
        CEditWizard w(alarm.get(), nullptr, services);
        Open(w, 7);
        auto* page = static_cast<CStep7*>(w.CurrentPagePtr());
        QCOMPARE(page->ScreenClassShown(), int(ScreenQVGA));
        Tap(On<QWidget>(w, CStep7::IdUseImage));
        auto* list = On<QComboBox>(w, CStep7::IdImageList);
        QCOMPARE(list->currentText(), Text(57));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down); // a.png
        QCOMPARE(list->currentText(), QStringLiteral("a.png"));

        qputenv("DAWNBELL_SCREEN", "320x240@96");
        ResetDpiCacheForTesting();
        w.resize(320, 240);
        QCOMPARE(page->ScreenClassShown(), int(ScreenQVGAWide));
        QCOMPARE(w.LayoutId(), int(CEditWizard::kLandscapeLayout));
        QCOMPARE(list->currentText(), QStringLiteral("c.png"));
        QTest::keyClick(list, Qt::Key_Up); // b.png
        qputenv("DAWNBELL_SCREEN", "240x320@96");
        ResetDpiCacheForTesting();
        w.resize(240, 320);
        QCOMPARE(list->currentText(), QStringLiteral("a.png"));
        Tap(On<QWidget>(w, CStep7::IdCenter));
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(alarm->BackImage(BackImageQVGA), QStringLiteral("a.png"));
        QCOMPARE(alarm->BackImage(BackImageQVGAWide), QStringLiteral("b.png"));
        QCOMPARE(alarm->backImageStyle, 2);
    }

    // "..." copies pictures into the pictures folder (asking before it
    // replaces one), and its hold menu deletes the chosen picture. With the
    // program folder read-only (a package install) the copies go to the user's
    // pictures folder, are listed beside the program's, and are deleted there.
    void pictureFiles_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("writable pictures folder") << false;
        QTest::newRow("read-only program folder") << true;
    }
    void pictureFiles()
    {
        QFETCH(bool, readOnly);
        QTemporaryDir program;
        const QString images = readOnly ? program.filePath(QStringLiteral("images")) : home_.filePath(QStringLiteral("images"));
        const QString copies = home_.filePath(QStringLiteral("images")); // where the new picture lands
        const QString camera = home_.filePath(QStringLiteral("camera"));
        QDir().mkpath(images);
        QDir().mkpath(camera);
        auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write(images + QStringLiteral("/old.png"), "old");
        write(camera + QStringLiteral("/new.png"), "new");
        write(camera + QStringLiteral("/old.png"), "replacement");
        std::unique_ptr<test::ReadOnlyFolder> locked;
        if (readOnly) {
            locked = std::make_unique<test::ReadOnlyFolder>(program.path());
            if (!locked->isValid())
                QSKIP("the program folder cannot be made read-only here");
        }
        WizardServices services;
        services.imagesDir = images;
        services.runFileDialog = [&](FileDialog& chooser) {
            chooser.Prepare();
            chooser.OpenFolder(camera);
            chooser.CheckRow(0, true);
            chooser.CheckRow(1, true);
            return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        auto alarm = Filled(AlarmWizard);
        alarm->backImageStyle = 1;
        CEditWizard w(alarm.get(), nullptr, services);
        Open(w, 7);
        auto* list = On<QComboBox>(w, CStep7::IdImageList);
        auto items = [list] {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts << list->itemText(i);
            return texts;
        };
        // A chosen picture missing from the folder stays the choice.
        QCOMPARE(items(), (QStringList{Text(57), "old.png", "portrait.png"}));
        QCOMPARE(list->currentText(), QStringLiteral("portrait.png"));
        qputenv("DAWNBELL_AUTO_ANSWER", "no");
        Tap(On<QWidget>(w, CStep7::IdBrowse));
        QCOMPARE(Boxes().size(), 1); // old.png exists: asked, kept
        QVERIFY(Boxes().first().contains(images + QStringLiteral("/old.png")));
        QFile old(images + QStringLiteral("/old.png"));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(items(), (QStringList{Text(57), "new.png", "old.png", "portrait.png"}));
        QFile copy(copies + QStringLiteral("/new.png"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("new"));
        copy.close();
        QCOMPARE(Profile::ReadText(QStringLiteral("settings"), QStringLiteral("lastSelectedImageFolder"), QString()),
                 camera);

        // Hold "..." and choose Delete in its menu.
        list->setCurrentIndex(1);
        QTimer::singleShot(LongPress::kHoldMs + 300, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QVERIFY(menu->actions().first()->isEnabled());
            menu->actions().first()->trigger();
            menu->close();
        });
        QWidget* browse = On<QWidget>(w, CStep7::IdBrowse);
        QTest::mousePress(browse, Qt::LeftButton, {}, browse->rect().center());
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(copies + QStringLiteral("/new.png")), 5000);
        QTest::mouseRelease(browse, Qt::LeftButton, {}, browse->rect().center());
        QCOMPARE(items(), (QStringList{Text(57), "old.png", "portrait.png"}));
        QCOMPARE(Boxes().size(), 1); // no second file dialog, no question
        if (!readOnly)
            return;

        // A picture of the read-only program folder cannot go: that is told, and it stays.
        list->setCurrentIndex(1);
        QTimer::singleShot(LongPress::kHoldMs + 300, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            menu->actions().first()->trigger();
            menu->close();
        });
        QTest::mousePress(browse, Qt::LeftButton, {}, browse->rect().center());
        QTRY_COMPARE_WITH_TIMEOUT(Boxes().size(), 2, 5000);
        QTest::mouseRelease(browse, Qt::LeftButton, {}, browse->rect().center());
        QVERIFY2(Boxes().last().startsWith(QStringLiteral("Fehler\tThe picture %1/old.png could not be deleted: ").arg(images)),
                 qPrintable(Boxes().last()));
        QVERIFY(QFile::exists(images + QStringLiteral("/old.png")));
        QCOMPARE(items(), (QStringList{Text(57), "old.png", "portrait.png"}));
    }

    // The command page: what is stored for a target and parameters, and when
    // the parameter edit shows.
    void commandPage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typedTarget");  // null: leave as filled
        QTest::addColumn<QString>("typedParameters");
        QTest::addColumn<QString>("shownTarget");
        QTest::addColumn<bool>("parametersShown");
        QTest::addColumn<QString>("result");
        QTest::newRow("program, no parameters: separator kept")
            << "" << "/opt/tools/backup.exe" << "" << "/opt/tools/backup.exe" << true << "/opt/tools/backup.exe::";
        QTest::newRow("program with parameters")
            << "" << "C:/Apps/Radio.EXE" << "--station 5" << "C:/Apps/Radio.EXE" << true
            << "C:/Apps/Radio.EXE::--station 5";
        QTest::newRow("document: no separator, parameters hidden")
            << "/home/u/notes.txt::ignored" << "/home/u/plan.pdf" << "" << "/home/u/notes.txt" << false
            << "/home/u/plan.pdf";
        QTest::newRow("leading separator: all of it is the target")
            << "::x y" << QString() << QString() << "::x y" << false << "::x y";
        QTest::newRow("stored program splits at the separator")
            << "/bin/true::-v -q" << QString() << QString() << "/bin/true" << true << "/bin/true::-v -q";
    }
    void commandPage()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typedTarget);
        QFETCH(QString, typedParameters);
        QFETCH(QString, shownTarget);
        QFETCH(bool, parametersShown);
        QFETCH(QString, result);
        auto alarm = Filled(AlarmCommand);
        alarm->command = stored;
        CEditWizard w(alarm.get());
        Open(w, 3);
        auto* target = On<QLineEdit>(w, CStepCommand::IdTarget);
        if (stored.isEmpty())
            QCOMPARE(target->text(), QString());
        else if (typedTarget.isNull())
            QCOMPARE(target->text(), shownTarget);
        if (!typedTarget.isNull()) {
            QCOMPARE(target->text(), stored.isEmpty() ? QString() : shownTarget);
            Type(target, typedTarget);
            if (!typedParameters.isEmpty())
                Type(On<QLineEdit>(w, CStepCommand::IdParameters), typedParameters);
        }
        QCOMPARE(On<QWidget>(w, CStepCommand::IdParameters)->isVisible(), parametersShown);
        QCOMPARE(On<QLabel>(w, CStepCommand::IdParametersLabel)->isEnabled(), parametersShown);
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(alarm->command, result);
        QVERIFY(Boxes().isEmpty()); // a command alarm never asks for sound
    }

    // An empty command is refused at OK; Browse, starting in the home folder
    // when no folder is remembered, fills in the chosen file.
    void emptyCommandRefused()
    {
        const QByteArray oldHome = qgetenv("HOME");
        const QString docs = home_.filePath(QStringLiteral("docs"));
        QDir().mkpath(docs);
        QFile doc(docs + QStringLiteral("/agenda.odt"));
        QVERIFY(doc.open(QIODevice::WriteOnly));
        doc.close();
        qputenv("HOME", home_.path().toUtf8());
        const auto restoreHome = qScopeGuard([&oldHome] { qputenv("HOME", oldHome); });
        QString started;
        WizardServices services;
        services.runFileDialog = [&](FileDialog& chooser) {
            chooser.Prepare();
            started = chooser.CurrentFolder();
            chooser.OpenFolder(docs);
            chooser.SelectFileType(1); // "All Files"
            chooser.SelectRow(0);
            return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        auto alarm = Filled(AlarmCommand);
        alarm->command.clear();
        CEditWizard w(alarm.get(), nullptr, services);
        Open(w, 1);
        Tap(Frame(w, CEditWizard::IdOk));
        QVERIFY(w.isVisible());
        QCOMPARE(Boxes(), QStringList{Box(113, 91)});
        QCOMPARE(alarm->command, QString());

        Tap(Frame(w, CEditWizard::IdNext));
        Tap(Frame(w, CEditWizard::IdNext));
        Tap(On<QWidget>(w, CStepCommand::IdBrowse));
        QCOMPARE(started, home_.path());
        QCOMPARE(On<QLineEdit>(w, CStepCommand::IdTarget)->text(), doc.fileName());
        QCOMPARE(Profile::ReadText(QStringLiteral("settings"), QStringLiteral("lastSelectedCommandFolder"), QString()),
                 docs);
        Tap(Frame(w, CEditWizard::IdOk));
        QVERIFY(!w.isVisible());
        QCOMPARE(alarm->command, doc.fileName());
    }

    // Month and day arithmetic of the appointment page.
    void appointmentDates_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<int>("months");
        QTest::addColumn<int>("days");
        QTest::addColumn<QDate>("to");
        QTest::newRow("31 Jan +1m") << QDate(2026, 1, 31) << 1 << 0 << QDate(2026, 2, 28);
        QTest::newRow("31 Jan +1m, leap year") << QDate(2028, 1, 31) << 1 << 0 << QDate(2028, 2, 29);
        QTest::newRow("31 Mar -1m") << QDate(2026, 3, 31) << -1 << 0 << QDate(2026, 2, 28);
        QTest::newRow("31 Mar -1m, 2000 is a leap year") << QDate(2000, 3, 31) << -1 << 0 << QDate(2000, 2, 29);
        QTest::newRow("31 Mar -1m, 2100 is not") << QDate(2100, 3, 31) << -1 << 0 << QDate(2100, 2, 28);
        QTest::newRow("Nov +5m") << QDate(2026, 11, 30) << 5 << 0 << QDate(2027, 4, 30);
        QTest::newRow("29 Feb +12m") << QDate(2028, 2, 29) << 12 << 0 << QDate(2029, 2, 28);
        QTest::newRow("31 Dec +1d") << QDate(2026, 12, 31) << 0 << 1 << QDate(2027, 1, 1);
        QTest::newRow("1 Jan -1d") << QDate(2027, 1, 1) << 0 << -1 << QDate(2026, 12, 31);
        QTest::newRow("1 Mar -1d") << QDate(2026, 3, 1) << 0 << -1 << QDate(2026, 2, 28);
        QTest::newRow("1 Mar -1d, leap year") << QDate(2028, 3, 1) << 0 << -1 << QDate(2028, 2, 29);
        QTest::newRow("15 Dec +30d") << QDate(2026, 12, 15) << 0 << 30 << QDate(2027, 1, 14);
        QTest::newRow("10 Jan -30d") << QDate(2026, 1, 10) << 0 << -30 << QDate(2025, 12, 11);
    }
    void appointmentDates()
    {
        QFETCH(QDate, from);
        QFETCH(int, months);
        QFETCH(int, days);
        QFETCH(QDate, to);
        QCOMPARE(CStepAppointment::AdjustDate(from, months, days), to);
    }

    // The adjust buttons follow the picker that had the focus last; a moment
    // in the past keeps the user on the page for ">" and OK alike.
    void appointmentPage()
    {
        auto alarm = Filled(AlarmAppointment);
        // From a template dated in the past.
        alarm->alarmTime = clock::MakeLocal(2025, 12, 31, 8, 0, 0);
        alarm->dateYear = 2025;
        alarm->dateMonth = 12;
        alarm->dateDay = 31;
        CEditWizard w(alarm.get());
        Open(w, 1);
        auto* plusOne = On<QPushButton>(w, 1043);
        QCOMPARE(plusOne->text(), QStringLiteral("+1m"));
        Tap(Frame(w, CEditWizard::IdNext));
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(w.CurrentPage(), 1);
        QVERIFY(w.isVisible());
        QCOMPARE(Boxes(), (QStringList{Box(113, 78), Box(113, 78)}));

        auto* date = On<QDateEdit>(w, CStepAppointment::IdDate);
        QTest::mouseClick(date, Qt::LeftButton, {}, QPoint(4, date->height() / 2));
        QCOMPARE(plusOne->text(), QStringLiteral("+1d"));
        QCOMPARE(date->date(), QDate(2025, 12, 31)); // a tap on the picker changes nothing
        Tap(plusOne);
        QCOMPARE(date->date(), QDate(2026, 1, 1));
        Tap(On<QWidget>(w, 1031)); // +1m
        Tap(On<QWidget>(w, 1041)); // +12m
        Tap(On<QWidget>(w, 1048)); // -1d
        QCOMPARE(date->date(), QDate(2027, 1, 31));
        auto* time = On<QTimeEdit>(w, CStepAppointment::IdTime);
        QTest::mouseClick(time, Qt::LeftButton, {}, QPoint(4, time->height() / 2));
        QCOMPARE(plusOne->text(), QStringLiteral("+1m"));
        Tap(On<QWidget>(w, 1047)); // -12h: the time wraps, the date stays
        QCOMPARE(time->time(), QTime(20, 0));
        QCOMPARE(date->date(), QDate(2027, 1, 31));
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(alarm->alarmTime, clock::MakeLocal(2027, 1, 31, 20, 0, 0));
        QCOMPARE((QList<int>{alarm->dateYear, alarm->dateMonth, alarm->dateDay, alarm->repeatDays}),
                 (QList<int>{2027, 1, 31, 0}));
    }

    // A new appointment left at the moment of its creation is refused; "Now"
    // plus a minute is accepted.
    void newAppointmentAtCreation()
    {
        Alarm alarm; // created now, with today's date
        alarm.type = AlarmAppointment;
        alarm.playlist = {QStringLiteral("/s/a.mp3")};
        CEditWizard w(&alarm);
        Open(w, 1);
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(Boxes(), QStringList{Box(113, 78)});
        Tap(On<QWidget>(w, CStepAppointment::IdNowTime));
        Tap(On<QWidget>(w, 1043)); // +1m in time mode
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(alarm.alarmTime, FixedNow() + 60);
    }

    // Saving as a template: names that save nothing, a new name, and an
    // existing name (letter case ignored) with the overwrite question.
    void saveTemplate_data()
    {
        QTest::addColumn<QString>("typed");   // null: choose "Beta" with the arrows
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QStringList>("names"); // template list afterwards
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("saved"); // the template saved from the alarm; empty: none
        QTest::addColumn<int>("failAt");    // the store operation at OK that fails (disk full); 0: none
        const QStringList two{QStringLiteral("Alpha"), QStringLiteral("Beta")};
        QTest::newRow("(New) saves nothing") << Text(152) << "yes" << true << two << 0 << "" << 0;
        QTest::newRow("empty name saves nothing") << "" << "yes" << true << two << 0 << "" << 0;
        QTest::newRow("new name, in name order")
            << "Aardvark" << "yes" << true << QStringList{"Aardvark", "Alpha", "Beta"} << 0 << "Aardvark" << 0;
        QTest::newRow("existing, No: stays open") << "alpha" << "no" << false << two << 1 << "" << 0;
        QTest::newRow("existing in another case, Yes: replaced")
            << "alpha" << "yes" << true << QStringList{"Beta", "alpha"} << 1 << "alpha" << 0;
        QTest::newRow("chosen with the arrows, Yes")
            << QString() << "yes" << true << QStringList{"Alpha", "Beta"} << 1 << "Beta" << 0;
        QTest::newRow("new name, the disk fills midway: told, stays open, nothing saved")
            << "Aardvark" << "yes" << false << two << 0 << "" << 12;
        QTest::newRow("existing, the disk fills midway: told, the old one stays whole")
            << "alpha" << "yes" << false << two << 1 << "" << 12;
    }
    void saveTemplate()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        QFETCH(bool, closes);
        QFETCH(QStringList, names);
        QFETCH(int, questions);
        QFETCH(QString, saved);
        QFETCH(int, failAt);
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        for (const char* n : {"Alpha", "Beta"}) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = QString::fromLatin1(n);
            t->title = QStringLiteral("old ") + t->name;
            t->Save();
            templates.push_back(std::move(t));
        }
        auto alarm = Filled(AlarmCommand);
        WizardServices services;
        services.templates = &templates;
        CEditWizard w(alarm.get(), nullptr, services);
        Open(w, 4);
        auto* box = On<QComboBox>(w, CStepSave::IdName);
        QCOMPARE(box->currentText(), Text(152));
        QCOMPARE(box->lineEdit()->selectedText(), Text(152));
        auto* up = On<QWidget>(w, CStepSave::IdUp);
        QVERIFY(!up->isEnabled());
        auto* preview = static_cast<CStepSave*>(w.CurrentPagePtr())->Preview();
        QCOMPARE(preview->GetAlarm(), &w.WorkingCopy());
        if (typed.isNull()) {
            Tap(On<QWidget>(w, CStepSave::IdDown));
            Tap(On<QWidget>(w, CStepSave::IdDown));
            QCOMPARE(box->currentText(), QStringLiteral("Beta"));
            QCOMPARE(preview->GetAlarm(), templates[1].get());
            QVERIFY(!On<QWidget>(w, CStepSave::IdDown)->isEnabled());
            Tap(up);
            Tap(up);
            QCOMPARE(box->currentIndex(), -1);
            QCOMPARE(box->currentText(), Text(152));
            Tap(On<QWidget>(w, CStepSave::IdDown));
            Tap(On<QWidget>(w, CStepSave::IdDown));
        } else {
            box->lineEdit()->selectAll();
            QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
            QTest::keyClicks(box->lineEdit(), typed);
            QCOMPARE(preview->Name(), typed);
        }
        qputenv("DAWNBELL_AUTO_ANSWER", answer.toUtf8());
        const QtMessageHandler logger = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        RegFailOperationForTesting(failAt, 13); // SQLITE_FULL
        Tap(Frame(w, CEditWizard::IdOk));
        RegFailOperationForTesting(0, 0);
        qInstallMessageHandler(logger);
        QCOMPARE(!w.isVisible(), closes);
        QCOMPARE(Boxes().count(Box(126, 86)), questions);
        QCOMPARE(Boxes().filter(QStringLiteral("could not be saved")),
                 failAt ? QStringList{QStringLiteral("Fehler\tThe template \"%1\" could not be saved. The templates "
                                                     "stay as they were.").arg(typed)}
                        : QStringList());
        QStringList got;
        for (const auto& t : templates)
            got << t->name;
        QCOMPARE(got, names);
        // The registry holds the same set, the replaced one with the new values.
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> stored;
        AlarmStore::LoadAll(&alarms, &stored);
        QStringList storedNames;
        for (const auto& t : stored) {
            storedNames << t->name;
            QCOMPARE(t->title, t->name == saved ? QStringLiteral("Work") : QStringLiteral("old ") + t->name);
        }
        QStringList sortedNames = names;
        std::sort(sortedNames.begin(), sortedNames.end(), AlarmStore::NameLess);
        QCOMPARE(storedNames, sortedNames);
        if (closes)
            QCOMPARE(alarm->pendingTemplateName, QString()); // never copied back
    }

    // The playlist page: files added through the chooser, up and down leaving
    // no selection, removing several rows.
    void playlistPage()
    {
        const QString folder = home_.filePath(QStringLiteral("music"));
        QDir().mkpath(folder);
        for (const char* name : {"d.mp3", "e.mp3"}) {
            QFile f(folder + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        WizardServices services;
        services.runFileDialog = [&](FileDialog& chooser) {
            chooser.Prepare();
            chooser.OpenFolder(folder);
            chooser.CheckRow(1, true);
            chooser.CheckRow(0, true);
            return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        auto alarm = Filled(AlarmWizard);
        CEditWizard w(alarm.get(), nullptr, services);
        Open(w, 3);
        auto* list = On<QListWidget>(w, CStep3::IdList);
        QCOMPARE(list->item(0)->text(), QStringLiteral("one.mp3"));
        QVERIFY(!On<QWidget>(w, CStep3::IdRemove)->isEnabled());
        Tap(On<QWidget>(w, CStep3::IdAdd));
        QCOMPARE(Profile::ReadText(QStringLiteral("settings"), QStringLiteral("lastSelectedSoundFolder"), QString()),
                 folder);
        QCOMPARE(list->count(), 5);
        TapRow(list, 1);
        QVERIFY(On<QWidget>(w, CStep3::IdUp)->isEnabled());
        Tap(On<QWidget>(w, CStep3::IdUp));
        QVERIFY(!On<QWidget>(w, CStep3::IdUp)->isEnabled()); // nothing selected after a move
        QVERIFY(!On<QWidget>(w, CStep3::IdRemove)->isEnabled());
        TapRow(list, 2);
        TapRow(list, 4, Qt::ControlModifier);
        Tap(On<QWidget>(w, CStep3::IdRemove));
        Tap(On<QWidget>(w, CStep3::IdRandom));
        Tap(Frame(w, CEditWizard::IdOk));
        QCOMPARE(alarm->playlist, (QStringList{QStringLiteral("/t/two.mp3"), QStringLiteral("/s/one.mp3"),
                                               folder + QStringLiteral("/e.mp3")}));
        QCOMPARE(alarm->random, 1);
    }

    // The on-screen keyboard over the message edit shortens the page and
    // scrolls the edit to its top; hiding it gives the full page back.
    void inputPanel()
    {
        auto alarm = Filled(AlarmWizard);
        CEditWizard w(alarm.get());
        Open(w, 2);
        CEditWizardPage* page = w.CurrentPagePtr();
        const int full = page->height();
        auto* message = On<QWidget>(w, CStep2::IdMessage);
        message->setFocus();
        QTRY_VERIFY(message->hasFocus());
        const int fieldTop = message->y();
        const QRect panel(0, page->y() + fieldTop + 5, w.width(), 200);
        w.InputPanelChanged(true, panel);
        QVERIFY(page->IsShortened());
        QCOMPARE(page->height(), panel.top() - page->y());
        QCOMPARE(message->y(), 0);
        w.InputPanelChanged(false, QRect());
        QVERIFY(!page->IsShortened());
        QCOMPARE(page->height(), full);
        QCOMPARE(message->y(), fieldTop);
        // Too little of the page would remain: nothing changes.
        w.InputPanelChanged(true, QRect(0, page->y() + 10, w.width(), 200));
        QVERIFY(!page->IsShortened());
    }

    // Each page continues the wizard's background gradient, in every layout.
    void gradientRunsOn_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("layout");
        QTest::newRow("portrait") << "240x320@96" << int(CEditWizard::kPortraitLayout);
        QTest::newRow("landscape") << "320x240@96" << int(CEditWizard::kLandscapeLayout);
        QTest::newRow("square") << "240x240@96" << int(CEditWizard::kSquareLayout);
    }
    void gradientRunsOn()
    {
        QFETCH(QString, screen);
        QFETCH(int, layout);
        qputenv("DAWNBELL_SCREEN", screen.toUtf8());
        ResetDpiCacheForTesting();
        Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("bgColor"), 0x00204080);
        auto alarm = Filled(AlarmWizard);
        CEditWizard w(alarm.get());
        Open(w, 6);
        QCOMPARE(w.LayoutId(), layout);
        const QImage shot = w.grab().toImage();
        CEditWizardPage* page = w.CurrentPagePtr();
        const int x = page->x() + 1;
        const int top = page->y();
        const int bottom = page->y() + page->height() - 1;
        const uint32_t s = GradientShade(0x00204080, w.GradientShadeAmount());
        for (int y : {top - 1, top, bottom, bottom + 1}) {
            const QColor want = ToQColor(GradientColorAt(s, 0x00204080, y, w.height()));
            const QColor got = shot.pixelColor(x, y);
            QVERIFY2(qAbs(got.red() - want.red()) <= 2 && qAbs(got.green() - want.green()) <= 2
                         && qAbs(got.blue() - want.blue()) <= 2,
                     qPrintable(QStringLiteral("row %1: %2 instead of %3").arg(y).arg(got.name(), want.name())));
        }
    }
};

QTEST_MAIN(WizardTest)
#include "WizardTest.moc"
