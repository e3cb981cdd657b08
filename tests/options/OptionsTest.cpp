// The options sheet driven as a person does (taps on its controls, typed keys,
// OK, Cancel and the window manager's close) over a real registry in a
// temporary home: what OK writes and in which cases, the colour table and the
// similar-colour question, the pages, Help, the simulation warning, and the
// Templates page's export, import and per-screen pictures through the real
// file chooser and picture dialog.
#include "Alarm.h"
#include "AlarmStore.h"
#include "CMoreImagesDialog.h"
#include "CMoreImagesView.h"
#include "COptionsAdvanced.h"
#include "COptionsColors.h"
#include "COptionsGeneral.h"
#include "COptionsPage.h"
#include "COptionsTemplates.h"
#include "COptionsToday.h"
#include "Broadcast.h"
#include "COptionsWizard.h"
#include "FileDialog.h"
#include "LanguageTable.h"
#include "Profile.h"
#include "ReadOnlyFolder.h"
#include "Registry.h"
#include "Scaling.h"
#include "TempHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

using namespace dawnbell;

namespace {

const QString kSettings = QStringLiteral("settings");
constexpr int kAbsent = -1; // a registry value that must not exist

int SettingOr(const QString& name, int def = kAbsent)
{
    return Profile::ReadInt(kSettings, name, def);
}

int HklmOr(const char* path, const char* name, int def = kAbsent)
{
    RegKey key;
    uint32_t v = 0;
    if (RegKey::Open(Hive::LocalMachine, path, &key) != RegOk || !key.ReadDword(name, &v))
        return def;
    return int(v);
}

void WriteFile(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// A tap on a control: press and release in its middle.
void Tap(QWidget* w)
{
    QVERIFY2(w && w->isVisible() && w->isEnabled(), qPrintable(w ? w->objectName() : QStringLiteral("null")));
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

// Types `text` into a field that has first been tapped (its old text selected and replaced).
void Type(QWidget* field, const QString& text)
{
    Tap(field);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

// Runs `act` on the modal window of type T once it is open.
template <typename T>
void WhenOpen(std::function<void(T*)> act, bool* ran)
{
    *ran = false;
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act, ran, tries] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w && ++*tries < 300)
            return;
        poll->stop();
        poll->deleteLater();
        if (w) {
            *ran = true;
            act(w);
        }
    });
    poll->start(10);
}

} // namespace

class OptionsTest : public QObject {
    Q_OBJECT
private:
    test::TempHome m_home;
    std::unique_ptr<QTemporaryDir> m_program; // program folder: languages/, help/, images/
    QString m_record;                         // message boxes shown (caption<TAB>text per line)
    TemplateList m_templates;
    // What OK handed to the application.
    QStringList m_languages;
    QList<QList<NamedColor>> m_namedColors;

    OptionsServices Services(bool older = false)
    {
        OptionsServices s;
        s.programDir = m_program->path();
        s.templates = &m_templates;
        s.namedColors = {{QStringLiteral("Blue"), 0xE6A88C}, {QStringLiteral("Red"), 0x2828DC}};
        s.olderPlatform = older;
        s.versionText = QStringLiteral("Dawnbell v9.8.7");
        s.setLanguage = [this](const QString& f) { m_languages << f; };
        s.setNamedColors = [this](const QList<NamedColor>& c) { m_namedColors << c; };
        s.moreImages = [this](AlarmTemplate* t, QWidget* owner) {
            CMoreImagesDialog dialog(t, owner, m_program->filePath(QStringLiteral("images")));
            return dialog.exec() == QDialog::Accepted;
        };
        return s;
    }

    QStringList Boxes() const
    {
        QFile f(m_record);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static void GoTo(COptionsWizard& sheet, int page)
    {
        while (sheet.CurrentPage() < page)
            Tap(sheet.findChild<QWidget*>(QString::number(COptionsWizard::IdNext)));
    }
    template <typename T = QWidget>
    static T* Ctl(COptionsWizard& sheet, int page, int id)
    {
        return sheet.Page(page)->Ctl<T>(id);
    }
    static void PressOk(COptionsWizard& sheet)
    {
        Tap(sheet.findChild<QPushButton*>(QString::number(COptionsWizard::IdOk)));
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
        // The test's own broadcast folder: no other test's messages arrive here.
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        m_program = std::make_unique<QTemporaryDir>();
        m_record = m_home.filePath(QStringLiteral("boxes.txt"));
        qputenv("DAWNBELL_MSGBOX_RECORD", m_record.toUtf8());
        qputenv("DAWNBELL_AUTO_ANSWER", "no");
        m_templates.clear();
        m_languages.clear();
        m_namedColors.clear();
    }

    void cleanup()
    {
        qunsetenv("DAWNBELL_AUTO_ANSWER");
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        m_home.Close();
    }

    // Which values OK writes: the today item only when one of its values
    // changed (a stored row count of 0 shows as 2 and counts as unchanged), the
    // alarm-bug fix and its time-outs only on older platforms.
    void okWrites_data()
    {
        QTest::addColumn<bool>("older");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("fullPath");
        QTest::addColumn<int>("todayLines");
        QTest::addColumn<int>("enabled");
        QTest::addColumn<int>("fixAlarmBug");
        QTest::addColumn<int>("timeout"); // both resuming time-outs (60 as preset)
        QTest::newRow("only full path, newer platform") << false << "fullPath" << 1 << 0 << kAbsent << kAbsent << 60;
        QTest::newRow("only full path, older platform") << true << "fullPath" << 1 << 0 << kAbsent << 1 << 90;
        QTest::newRow("alarm-bug fix off, older platform") << true << "fix" << 0 << 0 << kAbsent << 0 << 15;
        QTest::newRow("rows changed") << false << "rows" << 0 << 7 << 1 << kAbsent << 60;
        QTest::newRow("plug-in switched off") << false << "disable" << 0 << 2 << 0 << kAbsent << 60;
        QTest::newRow("small buttons") << false << "small" << 0 << 2 << 1 << kAbsent << 60;
    }
    void okWrites()
    {
        QFETCH(bool, older);
        QFETCH(QString, action);
        QFETCH(int, fullPath);
        QFETCH(int, todayLines);
        QFETCH(int, enabled);
        QFETCH(int, fixAlarmBug);
        QFETCH(int, timeout);
        Profile::WriteInt(kSettings, QStringLiteral("todayLines"), 0);
        {
            RegKey timeouts;
            QCOMPARE(RegKey::Create(Hive::LocalMachine, OptionsSettings::kPowerTimeoutsKey, &timeouts), RegOk);
            timeouts.WriteDword("BattResumingSuspendTimeout", 60);
            timeouts.WriteDword("ACResumingSuspendTimeout", 60);
        }

        BroadcastReceiver todayScreen;
        QVERIFY(todayScreen.Open());
        COptionsWizard sheet(Services(older));
        sheet.show();
        QCOMPARE(Ctl<QSpinBox>(sheet, COptionsWizard::PageToday, COptionsToday::IdRows)->value(), 2);
        QCOMPARE(Ctl(sheet, COptionsWizard::PageAdvanced, COptionsAdvanced::IdFixAlarmBug)->isHidden(), !older);
        if (action == QLatin1String("fullPath") || action == QLatin1String("fix")) {
            GoTo(sheet, COptionsWizard::PageAdvanced);
            Tap(Ctl(sheet, COptionsWizard::PageAdvanced,
                    action == QLatin1String("fix") ? COptionsAdvanced::IdFixAlarmBug : COptionsAdvanced::IdFullPath));
        } else {
            GoTo(sheet, COptionsWizard::PageToday);
            if (action == QLatin1String("rows"))
                Type(Ctl(sheet, COptionsWizard::PageToday, COptionsToday::IdRows), QStringLiteral("7"));
            else
                Tap(Ctl(sheet, COptionsWizard::PageToday,
                        action == QLatin1String("disable") ? COptionsToday::IdEnable : COptionsToday::IdSmallButtons));
        }
        PressOk(sheet);
        QVERIFY(!sheet.isVisible());
        QCOMPARE(sheet.result(), int(QDialog::Accepted));

        QCOMPARE(SettingOr(QStringLiteral("fullPath")), fullPath);
        QCOMPARE(SettingOr(QStringLiteral("todayLines")), todayLines);
        QCOMPARE(HklmOr(OptionsSettings::kTodayItemKey, "Enabled"), enabled);
        // The today screen is told to reload exactly when its item changed.
        BroadcastMessage m;
        QCOMPARE(todayScreen.Read(&m), enabled != kAbsent);
        if (enabled != kAbsent) {
            QCOMPARE(m.message, kMsgSettingChange);
            QCOMPARE(m.wparam, kSettingChangeToday);
            QVERIFY(!todayScreen.Read(&m));
        }
        QCOMPARE(SettingOr(QStringLiteral("fixAlarmBug")), fixAlarmBug);
        QCOMPARE(HklmOr(OptionsSettings::kPowerTimeoutsKey, "BattResumingSuspendTimeout"), timeout);
        QCOMPARE(HklmOr(OptionsSettings::kPowerTimeoutsKey, "ACResumingSuspendTimeout"), timeout);
        // The plain settings are always written, the language as chosen.
        QCOMPARE(SettingOr(QStringLiteral("autoExit")), 1);
        QCOMPARE(Profile::ReadText(kSettings, QStringLiteral("languageFile"), QString()), QStringLiteral("english"));
        QCOMPARE(m_languages, QStringList{QStringLiteral("english")});
    }

    // The colour of the fields becomes the background or text colour at once
    // (the sheet repaints in it) and is written at OK; a colour within 29 of the
    // other one in every channel asks first, and No keeps the old colour.
    void similarColours_data()
    {
        QTest::addColumn<bool>("asBack");
        QTest::addColumn<QString>("rgb");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("taken");
        // The text colour is 0x505050 (80, 80, 80), the background 0xE6E6E6 (230, ...).
        QTest::newRow("30 apart in one channel") << true << "110 80 80" << QByteArray("no") << false << true;
        QTest::newRow("29 apart in every channel, yes") << true << "109 109 51" << QByteArray("yes") << true << true;
        QTest::newRow("29 apart in every channel, no") << true << "109 109 51" << QByteArray("no") << true << false;
        QTest::newRow("text like the background, no") << false << "201 250 230" << QByteArray("no") << true << false;
        QTest::newRow("text far from the background") << false << "10 20 30" << QByteArray("no") << false << true;
        QTest::newRow("typed above 255 reads 255") << false << "999 0 300" << QByteArray("no") << false << true;
    }
    void similarColours()
    {
        QFETCH(bool, asBack);
        QFETCH(QString, rgb);
        QFETCH(QByteArray, answer);
        QFETCH(bool, asked);
        QFETCH(bool, taken);
        qputenv("DAWNBELL_AUTO_ANSWER", answer);
        Profile::WriteInt(kSettings, QStringLiteral("bgColor"), 0xE6E6E6);
        Profile::WriteInt(kSettings, QStringLiteral("textColor"), 0x505050);
        COptionsWizard sheet(Services());
        sheet.show();
        GoTo(sheet, COptionsWizard::PageColors);
        const int ids[3] = {COptionsColors::IdRed, COptionsColors::IdGreen, COptionsColors::IdBlue};
        const QStringList typed = rgb.split(QLatin1Char(' '));
        uint32_t color = 0;
        for (int i = 0; i < 3; ++i) {
            Type(Ctl(sheet, COptionsWizard::PageColors, ids[i]), typed[i]);
            color |= uint32_t(std::min(typed[i].toInt(), 255)) << (8 * i);
        }
        QCOMPARE(Ctl<QLineEdit>(sheet, COptionsWizard::PageColors, ids[2])->text(),
                 typed[2].toInt() > 255 ? QStringLiteral("255") : typed[2]);
        Tap(Ctl(sheet, COptionsWizard::PageColors, asBack ? COptionsColors::IdAsBack : COptionsColors::IdAsText));
        QCOMPARE(Boxes().size(), asked ? 1 : 0);
        if (asked)
            QVERIFY(Boxes()[0].startsWith(QStringLiteral("Warning\tWith this color the text and back color")));
        const uint32_t expectBack = asBack && taken ? color : 0xE6E6E6;
        const uint32_t expectText = !asBack && taken ? color : 0x505050;
        QCOMPARE(sheet.BackgroundColor(), expectBack); // the sheet shows it at once
        QCOMPARE(sheet.TextColor(), expectText);
        PressOk(sheet);
        QCOMPARE(uint32_t(SettingOr(QStringLiteral("bgColor"))), expectBack);
        QCOMPARE(uint32_t(SettingOr(QStringLiteral("textColor"))), expectText);
    }

    // The named colours: Add under a taken name replaces that entry, the list
    // stays sorted, Remove selects the first entry; OK replaces the stored table
    // and the application's list, while Cancel (here the window manager's
    // close) writes nothing, colour preview included.
    void namedColours()
    {
        Profile::WriteInt(QStringLiteral("settings\\colors"), QStringLiteral("Blue"), 0xE6A88C);
        Profile::WriteInt(QStringLiteral("settings\\colors"), QStringLiteral("Red"), 0x2828DC);
        for (const bool ok : {false, true}) {
            COptionsWizard sheet(Services());
            sheet.show();
            GoTo(sheet, COptionsWizard::PageColors);
            auto* list = Ctl<QListWidget>(sheet, COptionsWizard::PageColors, COptionsColors::IdList);
            auto* name = Ctl<QLineEdit>(sheet, COptionsWizard::PageColors, COptionsColors::IdName);
            auto field = [&](int id) { return Ctl<QLineEdit>(sheet, COptionsWizard::PageColors, id)->text(); };
            QCOMPARE(list->currentRow(), 0);
            QCOMPARE(name->text(), QStringLiteral("Blue"));
            QCOMPARE(field(COptionsColors::IdRed) + field(COptionsColors::IdGreen) + field(COptionsColors::IdBlue),
                     QStringLiteral("140168230"));

            Type(name, QStringLiteral("Red"));
            Type(Ctl(sheet, COptionsWizard::PageColors, COptionsColors::IdRed), QStringLiteral("1"));
            Type(Ctl(sheet, COptionsWizard::PageColors, COptionsColors::IdGreen), QStringLiteral("2"));
            Type(Ctl(sheet, COptionsWizard::PageColors, COptionsColors::IdBlue), QStringLiteral("3"));
            Tap(Ctl(sheet, COptionsWizard::PageColors, COptionsColors::IdAdd));
            Type(name, QStringLiteral("Amber"));
            Tap(Ctl(sheet, COptionsWizard::PageColors, COptionsColors::IdAdd));
            QCOMPARE(list->count(), 3);
            QCOMPARE(list->item(0)->text() + list->item(1)->text() + list->item(2)->text(),
                     QStringLiteral("AmberBlueRed"));
            QCOMPARE(list->currentRow(), 0); // the new entry is selected

            list->setCurrentRow(1);
            Tap(Ctl(sheet, COptionsWizard::PageColors, COptionsColors::IdRemove)); // Blue
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->currentRow(), 0);
            QCOMPARE(name->text(), QStringLiteral("Amber"));
            Tap(Ctl(sheet, COptionsWizard::PageColors, COptionsColors::IdAsText)); // a preview
            QCOMPARE(sheet.TextColor(), 0x030201u);

            if (ok) {
                PressOk(sheet);
            } else {
                QWindow* window = sheet.windowHandle();
                QVERIFY(window);
                QCloseEvent close; // what the window system delivers for the window manager's close
                QApplication::sendEvent(window, &close);
                QVERIFY(!sheet.isVisible());
                QCOMPARE(sheet.result(), int(QDialog::Rejected));
            }
        }
        // Only the sheet that ended with OK wrote and handed over.
        QList<NamedColor> stored;
        AlarmStore::LoadNamedColors(&stored);
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[0].name + QString::number(stored[0].color), QStringLiteral("Amber") + QString::number(0x030201));
        QCOMPARE(stored[1].name + QString::number(stored[1].color), QStringLiteral("Red") + QString::number(0x030201));
        QCOMPARE(m_namedColors.size(), 1);
        QCOMPARE(m_namedColors[0].size(), 2);
        QCOMPARE(uint32_t(SettingOr(QStringLiteral("textColor"))), 0x030201u);
    }

    // "<" and ">" walk the six pages without wrapping, the title line follows,
    // and the General page lists the language files before "english".
    void pages()
    {
        WriteFile(m_program->filePath(QStringLiteral("languages/deutsch.xml")));
        WriteFile(m_program->filePath(QStringLiteral("languages/français.xml")));
        Profile::WriteText(kSettings, QStringLiteral("languageFile"), QStringLiteral("français"));
        COptionsWizard sheet(Services());
        sheet.show();
        auto* back = sheet.findChild<QWidget*>(QString::number(COptionsWizard::IdBack));
        auto* next = sheet.findChild<QWidget*>(QString::number(COptionsWizard::IdNext));
        QStringList titles{sheet.TitleText()};
        QVERIFY(!back->isEnabled());
        while (next->isEnabled()) {
            Tap(next);
            titles << sheet.TitleText();
            QVERIFY(sheet.Page(sheet.CurrentPage())->isVisible());
        }
        QCOMPARE(titles, (QStringList{"General", "Colors", "Today plug-in", "Templates", "Advanced", "About"}));
        QVERIFY(back->isEnabled());
        Tap(back);
        QCOMPARE(sheet.CurrentPage(), int(COptionsWizard::PageAdvanced));

        auto* language = Ctl<QComboBox>(sheet, COptionsWizard::PageGeneral, COptionsGeneral::IdLanguage);
        QStringList items;
        for (int i = 0; i < language->count(); ++i)
            items << language->itemText(i);
        QCOMPARE(items, (QStringList{"deutsch", "français", "english"}));
        QCOMPARE(language->currentText(), QStringLiteral("français"));
        QVERIFY(Ctl<QPlainTextEdit>(sheet, COptionsWizard::PageAbout, 1141)
                    ->toPlainText()
                    .startsWith(QStringLiteral("Dawnbell v9.8.7\n")));
    }

    // Help opens the guide of the program folder with the desktop's opener
    // (xdg-open, found in PATH). A missing guide, no opener, and an opener that
    // fails at once (no program for web pages) are each told with the guide's
    // path, and the sheet stays.
    void help_data()
    {
        QTest::addColumn<bool>("guide");     // the guide is in the program folder
        QTest::addColumn<QString>("opener"); // xdg-open's script; "" none in PATH
        QTest::addColumn<QString>("box");    // the box shown ("GUIDE": its path); "" none
        const QString records = QStringLiteral("#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/opened.txt\"\n");
        QTest::newRow("the guide opens") << true << records << "";
        QTest::newRow("a missing guide is named") << false << records << "Fehler\tThe user guide GUIDE is missing.";
        QTest::newRow("no opener installed")
            << true << ""
            << "Fehler\tNo program to open the user guide could be started (xdg-open is missing or cannot be run). "
               "Open GUIDE in a web browser.";
        QTest::newRow("an opener that fails at once")
            << true << "#!/bin/sh\nexit 3\n"
            << "Fehler\tThe user guide could not be opened: xdg-open ended with status 3 (is there no program for "
               "web pages?). Open GUIDE in a web browser.";
    }
    void help()
    {
        QFETCH(bool, guide);
        QFETCH(QString, opener);
        QFETCH(QString, box);
        const QString bin = m_home.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        const QString opened = bin + QStringLiteral("/opened.txt");
        if (!opener.isEmpty()) {
            WriteFile(bin + QStringLiteral("/xdg-open"), opener.toUtf8());
            QFile::setPermissions(bin + QStringLiteral("/xdg-open"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        // Without an opener the PATH holds no other xdg-open either.
        qputenv("PATH", opener.isEmpty() ? bin.toUtf8() : bin.toUtf8() + ':' + path);
        const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        const QString guidePath = COptionsGeneral::HelpPath(m_program->path());
        if (guide)
            WriteFile(guidePath, "<html></html>");

        COptionsWizard sheet(Services());
        sheet.show();
        Tap(Ctl(sheet, COptionsWizard::PageGeneral, COptionsGeneral::IdHelp));
        QCOMPARE(Boxes(), box.isEmpty() ? QStringList() : QStringList{QString(box).replace("GUIDE", guidePath)});
        QVERIFY(sheet.isVisible());
        if (box.isEmpty()) {
            QTRY_VERIFY(QFile::exists(opened));
            QFile f(opened);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(f.readAll()).trimmed(), guidePath);
        }
    }

    // The About page and the template chooser speak the language the program
    // shows, from the shipped language files.
    void textsInTheLanguage_data()
    {
        QTest::addColumn<QString>("language"); // a shipped language file
        QTest::addColumn<QString>("about");    // the About text after the version line, its start
        QTest::addColumn<QStringList>("types"); // the Import chooser's file types
        QTest::newRow("German") << "deutsch" << "Von Torvane.\n\nHilfe und Tipps: Das Benutzerhandbuch (Allgemein, Hilfe)"
                                << QStringList{"Alarmvorlagen (*.atf)", "Alle Dateien (*.*)"};
        QTest::newRow("French") << "français" << "Réalisé par Torvane.\n\nAide et astuces : le guide de l'utilisateur"
                                << QStringList{"Modèles d'alarme (*.atf)", "Tous les fichiers (*.*)"};
    }
    void textsInTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, about);
        QFETCH(QStringList, types);
        LanguageTable table;
        table.InstallAsTextProvider();
        QCOMPARE(table.Load(QStringLiteral(DAWNBELL_PROGRAM_DIR), language), LanguageTable::LoadResult::Loaded);

        QStringList offered;
        OptionsServices services = Services();
        services.runChooser = [&](FileDialog& chooser) {
            chooser.Prepare();
            auto* box = chooser.findChild<QComboBox*>(QString::number(FileDialog::kIdFileType));
            for (int i = 0; box && i < box->count(); ++i)
                offered << box->itemText(i);
            return int(QDialog::Rejected);
        };
        COptionsWizard sheet(std::move(services));
        sheet.show();
        QVERIFY(Ctl<QPlainTextEdit>(sheet, COptionsWizard::PageAbout, 1141)
                    ->toPlainText()
                    .startsWith(QStringLiteral("Dawnbell v9.8.7\n") + about));
        GoTo(sheet, COptionsWizard::PageTemplates);
        Tap(Ctl(sheet, COptionsWizard::PageTemplates, COptionsTemplates::IdImport));
        QCOMPARE(offered, types);
    }

    // The guide Help opens is in the program folder, with every picture it
    // shows and every section it links to, among them the automatic stop that
    // the "autoclose" question sends the user to.
    void guideShipped()
    {
        QFile guide(COptionsGeneral::HelpPath(QStringLiteral(DAWNBELL_PROGRAM_DIR)));
        QVERIFY(guide.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(guide.readAll());
        int pictures = 0;
        for (const auto& m : QRegularExpression(QStringLiteral("src=\"([^\"]+)\"")).globalMatch(html)) {
            QVERIFY2(QFile::exists(QStringLiteral(DAWNBELL_PROGRAM_DIR "/help/") + m.captured(1)), qPrintable(m.captured(1)));
            ++pictures;
        }
        QVERIFY(pictures >= 3);
        QStringList links;
        for (const auto& m : QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(html)) {
            links << m.captured(1);
            QVERIFY2(html.contains(QStringLiteral("id=\"%1\"").arg(m.captured(1))), qPrintable(m.captured(1)));
        }
        QVERIFY(links.contains(QStringLiteral("autostop")) && links.contains(QStringLiteral("options")));
        QVERIFY(html.contains(QStringLiteral("autoclose")));
    }

    // Ticking the simulation warns once (the warning does not undo the tick);
    // unticking does not; the plug-in box shows the small-buttons box and the
    // rows only while it is ticked.
    void todayPage()
    {
        COptionsWizard sheet(Services());
        sheet.show();
        GoTo(sheet, COptionsWizard::PageToday);
        auto* simulate = Ctl<QCheckBox>(sheet, COptionsWizard::PageToday, COptionsToday::IdSimulate);
        Tap(simulate);
        Tap(simulate);
        Tap(simulate);
        QCOMPARE(Boxes().size(), 2);
        QVERIFY(Boxes()[0].startsWith(QStringLiteral("Warning\tThis will add a dummy alarm")));
        auto* enable = Ctl(sheet, COptionsWizard::PageToday, COptionsToday::IdEnable);
        auto* small = Ctl(sheet, COptionsWizard::PageToday, COptionsToday::IdSmallButtons);
        auto* rows = Ctl(sheet, COptionsWizard::PageToday, COptionsToday::IdRows);
        QVERIFY(small->isVisible() && rows->isVisible());
        Tap(enable);
        QVERIFY(!small->isVisible() && !rows->isVisible());
        QVERIFY(!Ctl(sheet, COptionsWizard::PageToday, COptionsToday::IdRowsLabel)->isEnabled());
        PressOk(sheet);
        QCOMPARE(SettingOr(QStringLiteral("simulateSystemAlarm")), 1);
        QCOMPARE(HklmOr(OptionsSettings::kTodayItemKey, "Enabled"), 0);
    }

    // The Templates page: Export writes the chosen template through the file
    // chooser, Import reads it back under a free name and lists it; More images
    // opens the picture dialog, whose Add refills the lists from the stored
    // fields and whose OK saves the template. A command template offers no
    // pictures. With the program folder read-only (as a package installs it)
    // the pictures a user adds go to the user's pictures folder and are offered
    // beside the program's; a copy that cannot be made is told and changes nothing.
    void templatesPage_data()
    {
        QTest::addColumn<bool>("readOnly"); // the program folder cannot be written
        QTest::addColumn<bool>("blocked");  // the user's pictures folder cannot be made (a file is in the way)
        QTest::newRow("writable program folder") << false << false;
        QTest::newRow("read-only program folder") << true << false;
        QTest::newRow("read-only, the user's pictures folder cannot be made") << true << true;
    }
    void templatesPage()
    {
        QFETCH(bool, readOnly);
        QFETCH(bool, blocked);
        const QString folder = m_home.filePath(QStringLiteral("atf"));
        QDir().mkpath(folder);
        const QString images = m_program->filePath(QStringLiteral("images"));
        WriteFile(images + QStringLiteral("/b-dawn.png"));
        WriteFile(images + QStringLiteral("/A-dusk.png"));
        WriteFile(m_home.filePath(QStringLiteral("pictures/c-noon.png")));
        auto make = [this](const QString& name, int type) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = name;
            t->type = type;
            t->SetBackImage(BackImageSquare, QStringLiteral("b-dawn.png"));
            t->Save();
            m_templates.push_back(std::move(t));
        };
        make(QStringLiteral("Run"), AlarmCommand);
        make(QStringLiteral("Wake"), AlarmWizard);
        if (blocked)
            WriteFile(m_home.filePath(QStringLiteral("images")));
        std::unique_ptr<test::ReadOnlyFolder> locked;
        if (readOnly) {
            locked = std::make_unique<test::ReadOnlyFolder>(m_program->path());
            if (!locked->isValid())
                QSKIP("the program folder cannot be made read-only here");
        }

        OptionsServices services = Services();
        services.runChooser = [&](FileDialog& chooser) {
            chooser.Prepare();
            chooser.OpenFolder(folder);
            if (chooser.TypedName().isEmpty()) { // open mode: the exported file
                for (int i = 0; i < chooser.RowCount(); ++i)
                    chooser.CheckRow(i, true);
            }
            return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        COptionsWizard sheet(std::move(services));
        sheet.show();
        GoTo(sheet, COptionsWizard::PageTemplates);
        auto* list = Ctl<QComboBox>(sheet, COptionsWizard::PageTemplates, COptionsTemplates::IdList);
        auto* more = Ctl(sheet, COptionsWizard::PageTemplates, COptionsTemplates::IdMoreImages);
        QCOMPARE(list->currentText(), QStringLiteral("Run"));
        QVERIFY(!more->isEnabled());
        list->setCurrentIndex(1);
        QVERIFY(more->isEnabled());

        Tap(Ctl(sheet, COptionsWizard::PageTemplates, COptionsTemplates::IdExport));
        QVERIFY(QFile::exists(folder + QStringLiteral("/Wake.atf")));
        Tap(Ctl(sheet, COptionsWizard::PageTemplates, COptionsTemplates::IdImport));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->itemText(2), QStringLiteral("Wake (1)"));
        QCOMPARE(list->currentText(), QStringLiteral("Wake")); // the choice stays
        QVERIFY(AlarmStore::LoadSection(QStringLiteral("TWake (1)")));
        // The picture it carries is the one in the folder, byte for byte: nothing to ask.
        QCOMPARE(Boxes(), (QStringList{"Information\tTemplate successfully exported.",
                                       "Wake (1)\tTemplate successfully imported as \"Wake (1)\": a template named "
                                       "\"Wake\" already exists.",
                                       "Question\tDelete the imported template file (" + folder + "/Wake.atf)?"}));
        QFile::remove(m_record);

        m_templates[1]->SetBackImage(BackImageQVGA, QStringLiteral("gone.png")); // a picture the folder lacks
        bool ran = false;
        WhenOpen<CMoreImagesDialog>(
            [&](CMoreImagesDialog* dialog) {
                CMoreImagesView* view = dialog->View();
                QComboBox* square = view->List(1077);
                QComboBox* vga = view->List(1074);
                QStringList offered;
                for (int i = 0; i < square->count(); ++i)
                    offered << square->itemText(i);
                QCOMPARE(offered, (QStringList{"(None)", "A-dusk.png", "b-dawn.png"}));
                QCOMPARE(square->currentText(), QStringLiteral("b-dawn.png"));
                QCOMPARE(view->List(1130)->currentText(), QStringLiteral("gone.png"));
                QCOMPARE(vga->currentText(), QStringLiteral("(None)"));
                vga->setCurrentIndex(1);
                dialog->SetChooserRunner([&](FileDialog& chooser) {
                    chooser.Prepare();
                    chooser.OpenFolder(m_home.filePath(QStringLiteral("pictures")));
                    chooser.CheckRow(0, true);
                    return chooser.PressOk() ? int(QDialog::Accepted) : int(QDialog::Rejected);
                });
                Tap(dialog->Button(CMoreImagesDialog::IdAdd));
                QCOMPARE(vga->count(), blocked ? 3 : 4); // c-noon.png joined
                QCOMPARE(vga->currentText(), QStringLiteral("(None)")); // back to the stored choice
                vga->setCurrentIndex(vga->findText(QStringLiteral("c-noon.png")));
                square->setCurrentIndex(0);
                Tap(dialog->Button(CMoreImagesDialog::IdOk));
            },
            &ran);
        Tap(more);
        QVERIFY(ran);
        const auto stored = AlarmStore::LoadSection(QStringLiteral("TWake"));
        QVERIFY(stored);
        QCOMPARE(stored->BackImage(BackImageVGA), blocked ? QString() : QStringLiteral("c-noon.png"));
        QCOMPARE(stored->BackImage(BackImageSquare), QString());
        QCOMPARE(stored->BackImage(BackImageQVGA), QStringLiteral("gone.png"));
        QCOMPARE(Profile::ReadText(kSettings, QStringLiteral("lastSelectedImageFolder"), QString()),
                 m_home.filePath(QStringLiteral("pictures")));
        const QString user = m_home.filePath(QStringLiteral("images"));
        QCOMPARE(QFile::exists(images + QStringLiteral("/c-noon.png")), !readOnly);
        QCOMPARE(QFileInfo(user + QStringLiteral("/c-noon.png")).isFile(), readOnly && !blocked);
        QCOMPARE(Boxes(), blocked ? QStringList{"Fehler\tThe picture " + m_home.filePath(QStringLiteral("pictures/c-noon.png"))
                                                + " could not be copied to " + user + ": the folder cannot be created"}
                                  : QStringList());
    }
};

QTEST_MAIN(OptionsTest)
#include "OptionsTest.moc"
