// Export and import as the program runs them: the file chooser's steps, the
// remembered folder, and the texts and captions of the message boxes (recorded
// and answered "no" through the message box's automation).
#include "Alarm.h"
#include "AtfWriter.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "Profile.h"
#include "TempHome.h"
#include "TemplateLibrary.h"
#include "TemplateMessageBoxes.h"
#include "WidgetMessageBox.h"

#include <QMessageBox>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QStringList Lines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

const QString kSettings = QStringLiteral("settings");

} // namespace

class TemplateMessageBoxesTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home.Renew();
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->filePath(QStringLiteral("templates"));
        m_record = m_dir->filePath(QStringLiteral("boxes.txt"));
        qputenv("DAWNBELL_AUTO_ANSWER", "no");
        qputenv("DAWNBELL_MSGBOX_RECORD", m_record.toUtf8());
        Profile::WriteText(kSettings, TemplateLibrary::kFolderSetting, QStringLiteral("/previous"));
    }
    void cleanup()
    {
        qunsetenv("DAWNBELL_AUTO_ANSWER");
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        m_home.Close();
    }

    void steps_data()
    {
        QTest::addColumn<QString>("operation"); // export, import
        QTest::addColumn<bool>("choose");       // OK in the chooser, else Cancel
        QTest::addColumn<bool>("soundMissing"); // the exported template's sound file is gone
        QTest::addColumn<bool>("remembered");   // the folder shown is stored
        QTest::addColumn<QStringList>("boxes"); // caption<TAB>text; <folder> = the chooser's folder
        QTest::newRow("export cancelled") << "export" << false << false << true << QStringList{};
        QTest::newRow("export written") << "export" << true << false << true
                                        << QStringList{"Information\tTemplate successfully exported."};
        QTest::newRow("export failed") << "export" << true << true << false
                                       << QStringList{"Fehler\t<folder>/gone.mp3: No such file or directory"};
        QTest::newRow("import cancelled") << "import" << false << false << true << QStringList{};
        QTest::newRow("import of a bad and a good file")
            << "import" << true << false << true
            << QStringList{"Fehler\tFile has no valid template file format!", "Good\tTemplate successfully imported.",
                           "Question\tDelete the imported template file (<folder>/good.atf)?"};
    }
    void steps()
    {
        QFETCH(QString, operation);
        QFETCH(bool, choose);
        QFETCH(bool, soundMissing);
        QFETCH(bool, remembered);
        QFETCH(QStringList, boxes);
        const QString program = m_dir->filePath(QStringLiteral("program"));
        WriteFile(m_folder + QStringLiteral("/bad.atf"), "not a template");
        WriteFile(m_folder + QStringLiteral("/notes.txt"), "not listed");
        WriteFile(m_folder + QStringLiteral("/ring.mp3"), "ring");
        AlarmTemplate good;
        good.name = QStringLiteral("Good");
        good.SetPlaylist({m_folder + QStringLiteral("/ring.mp3")});
        QVERIFY(AtfWriter(program).WriteFile(good, m_folder + QStringLiteral("/good.atf")));

        TemplateList list;
        TemplateMessageBoxes boxesAdapter(nullptr);
        TemplateLibrary library(&list, program, &boxesAdapter);
        QString typed;
        QStringList rows;
        boxesAdapter.SetChooserRunner([&](FileDialog& chooser) {
            chooser.Prepare();
            chooser.OpenFolder(m_folder);
            typed = chooser.TypedName();
            for (int i = 0; i < chooser.RowCount(); ++i)
                rows << chooser.RowText(i, FileDialog::kColumnName);
            if (!choose)
                return int(QDialog::Rejected);
            if (operation == QLatin1String("import")) {
                chooser.CheckRow(rows.indexOf(QStringLiteral("bad.atf")), true);
                chooser.CheckRow(rows.indexOf(QStringLiteral("good.atf")), true);
            }
            return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });

        if (operation == QLatin1String("export")) {
            AlarmTemplate t;
            t.name = QStringLiteral("My/Name");
            t.SetPlaylist({m_folder + (soundMissing ? QStringLiteral("/gone.mp3") : QStringLiteral("/ring.mp3"))});
            QCOMPARE(library.Export(&t), choose && !soundMissing);
            QCOMPARE(typed, QStringLiteral("My_Name.atf"));
            QCOMPARE(Sorted(rows), QStringList({"bad.atf", "good.atf"}));
            QCOMPARE(QFile::exists(m_folder + QStringLiteral("/My_Name.atf")), choose && !soundMissing);
        } else {
            QCOMPARE(library.Import(), choose ? 1 : 0);
            QCOMPARE(Sorted(rows), QStringList({"bad.atf", "good.atf"}));
            QCOMPARE(list.size(), size_t(choose ? 1 : 0));
            QVERIFY(QFile::exists(m_folder + QStringLiteral("/good.atf"))); // the delete question was answered no
        }
        boxes.replaceInStrings(QStringLiteral("<folder>"), m_folder);
        QCOMPARE(Lines(m_record), boxes);
        QCOMPARE(Profile::ReadText(kSettings, TemplateLibrary::kFolderSetting, QString()),
                 remembered ? m_folder : QStringLiteral("/previous"));
    }

    // The boxes as a person answers them, with Enter: every question of an
    // import (replace a file, delete the imported template file) answers No,
    // so Enter never deletes or replaces a user's file; the messages take OK.
    // A renamed import says its new name in the text.
    void enterAnswersSafely_data()
    {
        QTest::addColumn<bool>("taken");        // a template named "Good" is in the list already
        QTest::addColumn<QStringList>("boxes"); // caption<TAB>text<TAB>the button Enter pressed
        QTest::newRow("new name") << false
                                  << QStringList{"Warning\tThe file <program>/sounds/ring.mp3 already exists. Do you "
                                                 "want to overwrite it?\tNo",
                                                 "Good\tTemplate successfully imported.\tOK",
                                                 "Question\tDelete the imported template file (<folder>/good.atf)?\tNo"};
        QTest::newRow("renamed") << true
                                 << QStringList{"Warning\tThe file <program>/sounds/ring.mp3 already exists. Do you "
                                                "want to overwrite it?\tNo",
                                                "Good (1)\tTemplate successfully imported as \"Good (1)\": a template "
                                                "named \"Good\" already exists.\tOK",
                                                "Question\tDelete the imported template file (<folder>/good.atf)?\tNo"};
    }
    void enterAnswersSafely()
    {
        QFETCH(bool, taken);
        QFETCH(QStringList, boxes);
        qunsetenv("DAWNBELL_AUTO_ANSWER");
        const QString program = m_dir->filePath(QStringLiteral("program"));
        WriteFile(m_folder + QStringLiteral("/ring.mp3"), "ring");
        WriteFile(program + QStringLiteral("/sounds/ring.mp3"), "another ring");
        AlarmTemplate good;
        good.name = QStringLiteral("Good");
        good.SetPlaylist({m_folder + QStringLiteral("/ring.mp3")});
        QVERIFY(AtfWriter(program).WriteFile(good, m_folder + QStringLiteral("/good.atf")));
        TemplateList list;
        if (taken) {
            list.push_back(std::make_unique<AlarmTemplate>());
            list.back()->name = QStringLiteral("Good");
            list.back()->Save();
        }
        // The real box, shown, answered with the Return key.
        QStringList shown;
        SetMessageBoxPresenter([&](const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                                   QWidget*) {
            QMessageBox box;
            PrepareMessageBox(&box, text, caption, buttons, icon);
            box.show();
            QTest::keyClick(&box, Qt::Key_Return);
            const auto pressed = box.standardButton(box.clickedButton());
            shown << caption + QLatin1Char('\t') + text + QLatin1Char('\t')
                         + (pressed == QMessageBox::Yes ? "Yes" : pressed == QMessageBox::No ? "No"
                                                                  : pressed == QMessageBox::Ok ? "OK" : "?");
            return pressed == QMessageBox::Yes ? MsgAnswer::Yes
                 : pressed == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::No;
        });
        const auto restore = qScopeGuard([] { SetMessageBoxPresenter(nullptr); });
        TemplateMessageBoxes boxesAdapter(nullptr);
        QVERIFY(TemplateLibrary(&list, program, &boxesAdapter).ImportFile(m_folder + QStringLiteral("/good.atf")));
        boxes.replaceInStrings(QStringLiteral("<folder>"), m_folder);
        boxes.replaceInStrings(QStringLiteral("<program>"), program);
        QCOMPARE(shown, boxes);
        QVERIFY(QFile::exists(m_folder + QStringLiteral("/good.atf")));
        QFile kept(program + QStringLiteral("/sounds/ring.mp3"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("another ring"));
    }

private:
    test::TempHome m_home;                 // the device directory of the current test
    std::unique_ptr<QTemporaryDir> m_dir;  // template files and the program folder
    QString m_folder;                      // the folder the chooser opens
    QString m_record;                      // the message box record
};

QTEST_MAIN(TemplateMessageBoxesTest)
#include "TemplateMessageBoxesTest.moc"
