// The template selection driven by taps: which controls each entry enables,
// the arrows, OK filling the new alarm and opening the matching editor, Delete
// through the template deletion, and what the preview paints.
#include "Alarm.h"
#include "AlarmStore.h"
#include "CSelectTemplate.h"
#include "CTemplatePreviewStatic.h"
#include "ColorHelpers.h"
#include "KitPainter.h"
#include "Profile.h"
#include "Scaling.h"
#include "TempHome.h"
#include "Texts.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace dawnbell;

namespace {

const QString kSettings = QStringLiteral("settings");

void Tap(QWidget* w)
{
    QVERIFY2(w && w->isVisible() && w->isEnabled(), qPrintable(w ? w->objectName() : QStringLiteral("null")));
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void WriteFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
}

} // namespace

class SelectTemplateTest : public QObject {
    Q_OBJECT
private:
    test::TempHome m_home;
    std::unique_ptr<QTemporaryDir> m_program;
    TemplateList m_templates;
    QStringList m_opened; // "compact <type> [<playlist>]" / "wizard ..." per editor run
    bool m_editorAnswer = true;

    // Templates Alpha (compact), Beta (appointment), Run (command), stored.
    void MakeTemplates()
    {
        const struct {
            const char* name;
            int type;
        } made[] = {{"Alpha", AlarmCompact}, {"Beta", AlarmAppointment}, {"Run", AlarmCommand}};
        for (const auto& m : made) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = QLatin1String(m.name);
            t->type = m.type;
            t->title = QStringLiteral("title of ") + t->name;
            t->command = m.type == AlarmCommand ? QStringLiteral("/bin/true") : QString();
            t->Save();
            m_templates.push_back(std::move(t));
        }
    }

    CSelectTemplate::Services Services()
    {
        CSelectTemplate::Services s;
        s.templates = &m_templates;
        s.programDir = m_program->path();
        // What each editor is given: its kind, and the playlist with the
        // program folder written as PROGRAM.
        auto opened = [this](const char* editor, const Alarm* a) {
            QStringList sounds = a->GetPlaylist();
            sounds.replaceInStrings(m_program->path(), QStringLiteral("PROGRAM"));
            m_opened << QStringLiteral("%1 %2 [%3]").arg(QLatin1String(editor)).arg(a->type).arg(sounds.join(','));
        };
        s.compactEditor = [this, opened](Alarm* a, QWidget*) {
            opened("compact", a);
            return m_editorAnswer;
        };
        s.wizard = [this, opened](Alarm* a, QWidget*) {
            opened("wizard", a);
            return m_editorAnswer;
        };
        return s;
    }

    static QWidget* Ctl(CSelectTemplate& d, int id)
    {
        return d.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
    }

private slots:
    void initTestCase()
    {
        Profile::SetRegistryKey(QStringLiteral("Torvane"));
        qputenv("DAWNBELL_SCREEN", "240x320@96");
        ResetDpiCacheForTesting();
    }
    void init()
    {
        m_home.Renew();
        m_program = std::make_unique<QTemporaryDir>();
        WriteFile(m_program->filePath(QStringLiteral("sounds/ring.mp3"))); // the built-in ring sound
        m_templates.clear();
        m_opened.clear();
        m_editorAnswer = true;
        MakeTemplates();
    }
    void cleanup()
    {
        qunsetenv("DAWNBELL_AUTO_ANSWER");
        m_home.Close();
    }

    // Per entry: OK (not on the separator), "^" (not on the first), "v" (not on
    // the last), Delete (templates only) and what the preview shows.
    void entries_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("enabled"); // of OK, ^, v, Delete: 1 or 0 each
        QTest::addColumn<int>("kind");        // the preview's kind picture; -1 none
        QTest::addColumn<QString>("name");    // the preview's template; empty none
        QTest::newRow("new wizard alarm") << 0 << "1010" << int(AlarmWizard) << "";
        QTest::newRow("new compact alarm") << 1 << "1110" << int(AlarmCompact) << "";
        QTest::newRow("new appointment alarm") << 2 << "1110" << int(AlarmAppointment) << "";
        QTest::newRow("new command alarm") << 3 << "1110" << int(AlarmCommand) << "";
        QTest::newRow("separator") << 4 << "0110" << -1 << "";
        QTest::newRow("first template") << 5 << "1111" << -1 << "Alpha";
        QTest::newRow("last template") << 7 << "1101" << -1 << "Run";
    }
    void entries()
    {
        QFETCH(int, index);
        QFETCH(QString, enabled);
        QFETCH(int, kind);
        QFETCH(QString, name);
        Alarm alarm;
        CSelectTemplate d(&alarm, nullptr, Services());
        d.show();
        QCOMPARE(d.Count(), 8);
        auto* choice = static_cast<QComboBox*>(Ctl(d, CSelectTemplate::IdChoice));
        QCOMPARE(choice->itemText(4), QString(48, QLatin1Char('-')));
        QCOMPARE(choice->itemText(2), Text(77)); // the appointment entry before the command one
        choice->setCurrentIndex(index);
        QString got;
        for (int id : {CSelectTemplate::IdOk, CSelectTemplate::IdUp, CSelectTemplate::IdDown, CSelectTemplate::IdDelete})
            got += Ctl(d, id)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(got, enabled);
        CTemplatePreviewStatic* preview = d.Preview();
        QCOMPARE(preview->Kind(), kind);
        QCOMPARE(preview->Name(), name);
        QCOMPARE(preview->GetAlarm() ? static_cast<const AlarmTemplate*>(preview->GetAlarm())->name : QString(), name);
    }

    // "^" from the first template lands on the separator, which chooses nothing:
    // OK there leaves the dialog open and the alarm untouched; Cancel ends it.
    void arrowsAndSeparator()
    {
        Alarm alarm;
        alarm.type = 99;
        CSelectTemplate d(&alarm, nullptr, Services());
        d.show();
        for (int i = 0; i < 5; ++i)
            Tap(Ctl(d, CSelectTemplate::IdDown));
        QCOMPARE(d.Current(), int(CSelectTemplate::kFirstTemplate));
        Tap(Ctl(d, CSelectTemplate::IdUp));
        QCOMPARE(d.Current(), int(CSelectTemplate::EntrySeparator));
        QVERIFY(!Ctl(d, CSelectTemplate::IdOk)->isEnabled());
        QTest::keyClick(&d, Qt::Key_Return); // the keyboard's way to OK
        QVERIFY(d.isVisible());
        QCOMPARE(alarm.type, 99);
        QVERIFY(m_opened.isEmpty());
        Tap(Ctl(d, CSelectTemplate::IdCancel)); // Cancel ends it without an editor
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(alarm.type, 99);
        QVERIFY(m_opened.isEmpty());
    }

    // OK gives the alarm the kind or copies the template, opens the compact
    // editor for compact alarms and the wizard for the others, and ends the
    // dialog as the editor ended.
    void okOpensTheEditor_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("editorOk");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("title"); // the alarm's title afterwards
        QTest::addColumn<bool>("ringSound"); // the program folder holds sounds/ring.mp3
        const QString ring = QStringLiteral("PROGRAM/sounds/ring.mp3");
        QTest::newRow("new wizard alarm: the built-in ring sound")
            << 0 << true << "wizard 1 [" + ring + "]" << "" << true;
        QTest::newRow("new compact alarm: the built-in ring sound")
            << 1 << true << "compact 0 [" + ring + "]" << "" << true;
        QTest::newRow("new appointment alarm: the built-in ring sound")
            << 2 << true << "wizard 2 [" + ring + "]" << "" << true;
        QTest::newRow("new command alarm: rings nothing, so no sound") << 3 << true << "wizard 3 []" << "" << true;
        QTest::newRow("new compact alarm, ring sound missing: empty, so the editor warns")
            << 1 << true << "compact 0 []" << "" << false;
        QTest::newRow("compact template keeps its own (empty) playlist")
            << 5 << true << "compact 0 []" << "title of Alpha" << true;
        QTest::newRow("appointment template") << 6 << true << "wizard 2 []" << "title of Beta" << true;
        QTest::newRow("editor cancelled") << 7 << false << "wizard 3 []" << "title of Run" << true;
    }
    void okOpensTheEditor()
    {
        QFETCH(int, index);
        QFETCH(bool, editorOk);
        QFETCH(QString, opened);
        QFETCH(QString, title);
        QFETCH(bool, ringSound);
        m_editorAnswer = editorOk;
        if (!ringSound)
            QVERIFY(QFile::remove(m_program->filePath(QStringLiteral("sounds/ring.mp3"))));
        Alarm alarm;
        CSelectTemplate d(&alarm, nullptr, Services());
        d.show();
        d.Choose(index);
        Tap(Ctl(d, CSelectTemplate::IdOk));
        QCOMPARE(m_opened, QStringList{opened});
        QCOMPARE(alarm.title, title);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(editorOk ? QDialog::Accepted : QDialog::Rejected));
    }

    // Delete asks, removes the template with (on Yes) its files, and chooses
    // the first entry; No keeps everything.
    void deleteTemplate_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("yes") << QByteArray("yes");
        QTest::newRow("no") << QByteArray("no");
    }
    void deleteTemplate()
    {
        QFETCH(QByteArray, answer);
        const bool yes = answer == "yes";
        qputenv("DAWNBELL_AUTO_ANSWER", answer);
        const QString picture = m_program->filePath(QStringLiteral("images/beta.png"));
        const QString sound = m_program->filePath(QStringLiteral("sounds/beta.mp3"));
        WriteFile(picture);
        WriteFile(sound);
        m_templates[1]->SetBackImage(BackImageVGA, QStringLiteral("beta.png"));
        m_templates[1]->SetPlaylist({sound});
        m_templates[1]->Save();
        Alarm alarm;
        CSelectTemplate d(&alarm, nullptr, Services());
        d.show();
        d.Choose(6);
        Tap(Ctl(d, CSelectTemplate::IdDelete));
        QCOMPARE(d.Count(), yes ? 7 : 8);
        QCOMPARE(d.Current(), yes ? 0 : 6);
        QCOMPARE(m_templates.size(), size_t(yes ? 2 : 3));
        QCOMPARE(!AlarmStore::LoadSection(QStringLiteral("TBeta")), yes);
        QCOMPARE(!QFile::exists(picture), yes);
        QCOMPARE(!QFile::exists(sound), yes);
        QCOMPARE(static_cast<QComboBox*>(Ctl(d, CSelectTemplate::IdChoice))->itemText(6),
                 yes ? QStringLiteral("Run") : QStringLiteral("Beta"));
    }

    // The preview of a template without pictures is the host's gradient and
    // the name box in the template's colours; a command template shows the
    // command picture with its target's icon on it.
    void preview()
    {
        Profile::WriteInt(kSettings, QStringLiteral("bgColor"), 0x00E6E6E6);
        Profile::WriteInt(kSettings, QStringLiteral("textColor"), 0x00505050);
        m_templates[0]->useBackColor = 1;
        m_templates[0]->backColor = 0x000000C0; // dark red
        m_templates[0]->backImageStyle = 1;
        Alarm alarm;
        CSelectTemplate d(&alarm, nullptr, Services());
        d.show();
        d.Choose(5);
        CTemplatePreviewStatic* preview = d.Preview();
        const QImage plain = preview->Render();
        const QRect box = preview->NameBox();
        QCOMPARE(FromQColor(plain.pixelColor(box.center())) & 0xFFFFFF, 0x000000C0u & 0xFFFFFF);
        // Above the box, away from the frame: the host's gradient only, one colour per row.
        const int row = box.top() / 2;
        const QColor left = plain.pixelColor(4, row);
        QCOMPARE(plain.pixelColor(plain.width() / 2, row), left);
        QCOMPARE(plain.pixelColor(plain.width() - 5, row), left);
        QVERIFY(!preview->HasPicture());

        d.Choose(7); // Run, a command
        const QImage command = preview->Render();
        const QColor middle = command.pixelColor(command.rect().center());
        QVERIFY(middle != command.pixelColor(4, command.height() / 2)); // something drawn in the middle
        d.Choose(3); // the command kind without a template: the same picture
        QVERIFY(preview->Render() != command); // but without the target's icon on it
    }
};

QTEST_MAIN(SelectTemplateTest)
#include "SelectTemplateTest.moc"
