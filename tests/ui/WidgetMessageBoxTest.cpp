// The message box as the windowed programs draw it: its buttons in the
// language the program shows, loaded from the shipped language files.
#include "LanguageTable.h"
#include "MessageBox.h"
#include "TempHome.h"
#include "WidgetMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QScopeGuard>
#include <QtTest>

using namespace dawnbell;

class WidgetMessageBoxTest : public QObject {
    Q_OBJECT

private slots:
    void buttonsInTheLanguage_data()
    {
        QTest::addColumn<QString>("language");    // a shipped language file; "english": the built-in texts
        QTest::addColumn<int>("buttons");         // MsgButtons
        QTest::addColumn<QStringList>("texts");   // the texts of Yes, No, OK, Cancel, those the box has
        QTest::addColumn<QString>("tap");         // the button a pointer taps
        QTest::addColumn<int>("answer");          // what the box then answers (QMessageBox::StandardButton)
        QTest::newRow("German question") << "deutsch" << int(MsgButtons::YesNo) << QStringList{"Ja", "Nein"} << "Ja"
                                         << int(QMessageBox::Yes);
        QTest::newRow("German safe question") << "deutsch" << int(MsgButtons::YesNoSafe)
                                              << QStringList{"Ja", "Nein"} << "Nein" << int(QMessageBox::No);
        QTest::newRow("French OK and Cancel") << "français" << int(MsgButtons::OkCancel)
                                              << QStringList{"OK", "Annuler"} << "Annuler" << int(QMessageBox::Cancel);
        QTest::newRow("French three answers") << "français" << int(MsgButtons::YesNoCancel)
                                              << QStringList{"Oui", "Non", "Annuler"} << "Non" << int(QMessageBox::No);
        QTest::newRow("German error") << "deutsch" << int(MsgButtons::Ok) << QStringList{"OK"} << "OK"
                                      << int(QMessageBox::Ok);
        QTest::newRow("built-in English") << "english" << int(MsgButtons::YesNoCancel)
                                          << QStringList{"Yes", "No", "Cancel"} << "Cancel" << int(QMessageBox::Cancel);
    }
    void buttonsInTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(int, buttons);
        QFETCH(QStringList, texts);
        QFETCH(QString, tap);
        QFETCH(int, answer);
        test::TempHome home; // loading writes the today texts to the settings
        home.Renew();
        const auto close = qScopeGuard([&home] { home.Close(); });
        LanguageTable table;
        table.InstallAsTextProvider();
        const LanguageTable::LoadResult loaded = table.Load(QStringLiteral(DAWNBELL_PROGRAM_DIR), language);
        QCOMPARE(loaded, language == QLatin1String("english") ? LanguageTable::LoadResult::NoFile
                                                              : LanguageTable::LoadResult::Loaded);

        QMessageBox box;
        PrepareMessageBox(&box, QStringLiteral("Text"), QStringLiteral("Caption"), MsgButtons(buttons),
                          MsgIcon::Question);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QStringList shown;
        QAbstractButton* tapped = nullptr;
        for (const QMessageBox::StandardButton b :
             {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel}) {
            if (QAbstractButton* button = box.button(b)) {
                shown << button->text();
                if (button->text() == tap)
                    tapped = button;
            }
        }
        QCOMPARE(shown, texts);
        QVERIFY(tapped);
        QTest::mouseClick(tapped, Qt::LeftButton);
        QCOMPARE(int(box.standardButton(box.clickedButton())), answer);
    }
};

QTEST_MAIN(WidgetMessageBoxTest)
#include "WidgetMessageBoxTest.moc"
