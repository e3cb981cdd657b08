// Alarms, templates and named colours in the real registry store on a temporary
// device directory: recognition of section names, load defaults, wrong-typed
// values, the saved layout of a section, and deletion.
#include "AlarmField.h"
#include "AlarmStore.h"
#include "Clock.h"
#include "Profile.h"
#include "Registry.h"
#include "TempHome.h"
#include "SectionName.h"
#include "Texts.h"
#include "TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;
using dawnbell::test::At;
using dawnbell::test::Format;

namespace {

std::string Path(const QString& section)
{
    return (Profile::RootPath() + QLatin1Char('\\') + section).toStdString();
}

RegKey Section(const QString& section)
{
    RegKey key;
    RegKey::Create(Hive::CurrentUser, Path(section), &key);
    return key;
}

void SetRaw(const QString& section, const char* name, RegType type, const QByteArray& data)
{
    RegKey key = Section(section);
    QCOMPARE(key.SetValue(name, type, data.constData(), static_cast<size_t>(data.size())), RegOk);
}

QByteArray Dword(uint32_t v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

struct ValueSpec {
    QString name;
    RegType type;
    int size;
};

} // namespace

class AlarmStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        home_.Renew();
        clock::SetNowForTesting(At("2024-03-04 12:00:00"));
    }
    void cleanup()
    {
        RegCloseStore();
        clock::SetNowForTesting(std::nullopt);
        SetTextProvider({});
    }

    void sectionNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("hms");
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("date");
        const int none = int(SectionKind::None), alarm = int(SectionKind::Alarm),
                  appt = int(SectionKind::Appointment), tmpl = int(SectionKind::Template);
        QTest::newRow("Mo-Fr 07:30") << "3456031" << alarm << "07:30:00" << 31 << "";
        QTest::newRow("appointment") << "A2700020110305" << appt << "07:30:00" << 0 << "2011-03-05";
        QTest::newRow("appointment midnight") << "A020301231" << appt << "00:00:00" << 0 << "2030-12-31";
        QTest::newRow("settings") << "settings" << none << "" << 0 << "";
        QTest::newRow("Settings") << "Settings" << none << "" << 0 << "";
        QTest::newRow("ab") << "ab" << none << "" << 0 << "";
        QTest::newRow("12x stops at x") << "12x" << alarm << "00:00:00" << 12 << "";
        // Keys of one digit: an alarm at midnight with repeat days 0-9, which the
        // program writes itself; the loader, the rebuild and the today item take them.
        QTest::newRow("midnight once, key 0") << "0" << alarm << "00:00:00" << 0 << "";
        QTest::newRow("midnight Monday, key 1") << "1" << alarm << "00:00:00" << 1 << "";
        QTest::newRow("midnight Tuesday, key 2") << "2" << alarm << "00:00:00" << 2 << "";
        QTest::newRow("midnight Monday and Tuesday, key 3") << "3" << alarm << "00:00:00" << 3 << "";
        QTest::newRow("midnight Wednesday, key 4") << "4" << alarm << "00:00:00" << 4 << "";
        QTest::newRow("midnight Monday and Wednesday, key 5") << "5" << alarm << "00:00:00" << 5 << "";
        QTest::newRow("midnight Tuesday and Wednesday, key 6") << "6" << alarm << "00:00:00" << 6 << "";
        QTest::newRow("midnight Monday to Wednesday, key 7") << "7" << alarm << "00:00:00" << 7 << "";
        QTest::newRow("midnight Thursday, key 8") << "8" << alarm << "00:00:00" << 8 << "";
        QTest::newRow("midnight Monday and Thursday, key 9") << "9" << alarm << "00:00:00" << 9 << "";
        QTest::newRow("plus sign before a digit") << "+5" << none << "" << 0 << "";
        QTest::newRow("minus sign before a digit") << "-5" << none << "" << 0 << "";
        QTest::newRow("one letter") << "x" << none << "" << 0 << "";
        QTest::newRow("A alone") << "A" << none << "" << 0 << "";
        QTest::newRow("A too short") << "A1234567" << none << "" << 0 << "";
        QTest::newRow("A not digits") << "A27000201103x5" << none << "" << 0 << "";
        QTest::newRow("A impossible date") << "A2700020110230" << none << "" << 0 << "";
        QTest::newRow("A day past the end") << "A8640020110305" << none << "" << 0 << "";
        QTest::newRow("letter then digit") << "x1" << none << "" << 0 << "";
        QTest::newRow("last second") << "11059199" << alarm << "23:59:59" << 127 << "";
        QTest::newRow("a day too far") << "11059200" << none << "" << 0 << "";
        QTest::newRow("huge number") << "99999999999999999999" << none << "" << 0 << "";
        QTest::newRow("template") << "TMorning" << tmpl << "" << 0 << "";
        QTest::newRow("empty") << "" << none << "" << 0 << "";
        QTest::newRow("too long") << QString(256, QLatin1Char('1')) << none << "" << 0 << "";
    }
    void sectionNames()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, hms);
        QFETCH(int, days);
        QFETCH(QString, date);
        SectionInfo info;
        QCOMPARE(int(ParseSectionName(name, &info)), kind);
        QCOMPARE(int(info.kind), kind);
        if (kind == int(SectionKind::Template))
            QCOMPARE(info.templateName, name.mid(1));

        // The loader follows the same rule on a real section.
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        if (!name.isEmpty() && name.size() <= kMaxSectionNameChars) {
            SetRaw(name, "title", RegType::Sz, QByteArray("x\0\0", 4));
            AlarmStore::LoadAll(&alarms, &templates);
        }
        QCOMPARE(templates.size(), size_t(kind == int(SectionKind::Template) ? 1 : 0));
        if (kind != int(SectionKind::Alarm) && kind != int(SectionKind::Appointment)) {
            QVERIFY(alarms.empty());
            return;
        }
        QCOMPARE(QString::asprintf("%02d:%02d:%02d", info.secondsOfDay / 3600, info.secondsOfDay % 3600 / 60,
                                   info.secondsOfDay % 60),
                 hms);
        QCOMPARE(info.repeatDays, days);
        if (!date.isEmpty())
            QCOMPARE(QString::asprintf("%04d-%02d-%02d", info.year, info.month, info.day), date);
        // The key the program and the today item name such an alarm by reads
        // back as the same schedule (for "12x" it is "12").
        const int type = kind == int(SectionKind::Appointment) ? int(AlarmAppointment) : int(AlarmWizard);
        SectionInfo again;
        QCOMPARE(int(ParseSectionName(AlarmKey(type, info.secondsOfDay, info.repeatDays, info.year, info.month,
                                               info.day),
                                      &again)),
                 kind);
        QCOMPARE(again.secondsOfDay, info.secondsOfDay);
        QCOMPARE(again.repeatDays, info.repeatDays);
        QCOMPARE(QString::asprintf("%04d-%02d-%02d", again.year, again.month, again.day),
                 QString::asprintf("%04d-%02d-%02d", info.year, info.month, info.day));
        QCOMPARE(alarms.size(), size_t(1));
        QCOMPARE(Format(alarms[0]->alarmTime).mid(11), hms);
        QCOMPARE(alarms[0]->repeatDays, days);
        const QString today = date.isEmpty() ? QStringLiteral("2024-03-04") : date;
        QCOMPARE(QString::asprintf("%04d-%02d-%02d", alarms[0]->dateYear, alarms[0]->dateMonth,
                                   alarms[0]->dateDay),
                 today);
    }

    void missingRootLoadsNothing()
    {
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        QVERIFY(alarms.empty());
        QVERIFY(AlarmStore::LoadSection(QStringLiteral("3456031")) == nullptr);
    }

    // Every value missing (or unreadable) takes its load default; the load
    // defaults differ from a new alarm's for some fields.
    void loadDefaults_data()
    {
        QTest::addColumn<bool>("wrongTypes");
        QTest::newRow("values missing") << false;
        QTest::newRow("values of the wrong type or size") << true;
    }
    void loadDefaults()
    {
        QFETCH(bool, wrongTypes);
        const QString section = QStringLiteral("3456031");
        Section(section);
        if (wrongTypes) {
            const char* ints[] = {"activated", "random", "snooze", "volume", "fadeDuration", "forceVolume",
                                  "vibrate", "quiz", "quizLevel", "quizTypes", "useFade", "useSnooze",
                                  "closeAfterMinutes", "closeAfterTimes", "useBackColor", "useTextColor",
                                  "backColor", "textColor", "backImageStyle", "layoutStyle",
                                  "showSoundControls", "vibrateInterval", "confirmClose", "type",
                                  "noTextBorder", "playlistCount"};
            for (size_t i = 0; i < std::size(ints); ++i) {
                if (i % 3 == 0)
                    SetRaw(section, ints[i], RegType::Sz, QByteArray("9\0\0\0", 4));
                else if (i % 3 == 1)
                    SetRaw(section, ints[i], RegType::Dword, QByteArray("\x09\0", 2));
                else
                    SetRaw(section, ints[i], RegType::Binary, Dword(9));
            }
            SetRaw(section, "title", RegType::Dword, Dword(7));
            SetRaw(section, "message", RegType::Sz, QByteArray("abc", 3)); // odd size
            SetRaw(section, "command", RegType::Binary, QByteArray("c\0\0\0", 4));
            SetRaw(section, "backImageVGA", RegType::Dword, Dword(1));
            SetRaw(section, "fade", RegType::Sz, QByteArray(50, 'x'));
        }
        const std::unique_ptr<Alarm> a = AlarmStore::LoadSection(section);
        QVERIFY(a);
        QCOMPARE(a->activated, 0);
        QCOMPARE(a->random, 0);
        QCOMPARE(a->snooze, 0);
        QCOMPARE(a->volume, 50);
        QCOMPARE(a->fadeDuration, 5);
        QCOMPARE(a->forceVolume, 0);
        QCOMPARE(a->vibrate, 0);
        QCOMPARE(a->quiz, 3);
        QCOMPARE(a->quizLevel, 1);
        QCOMPARE(a->quizTypes, 1);
        QCOMPARE(a->useFade, 1);
        QCOMPARE(a->useSnooze, 1);
        QCOMPARE(a->closeAfterMinutes, 0);
        QCOMPARE(a->closeAfterTimes, 0);
        QCOMPARE(a->useBackColor, 0);
        QCOMPARE(a->useTextColor, 0);
        QCOMPARE(a->backColor, 15116940u);
        QCOMPARE(a->textColor, 0xFFFFFFu);
        QCOMPARE(a->backImageStyle, 0);
        QCOMPARE(a->layoutStyle, 0);
        QCOMPARE(a->showSoundControls, 0);
        QCOMPARE(a->vibrateInterval, 1);
        QCOMPARE(a->confirmClose, 1);
        QCOMPARE(a->type, 0);
        QCOMPARE(a->noTextBorder, 0);
        QCOMPARE(a->title, QString());
        QCOMPARE(a->message, QString());
        QCOMPARE(a->command, QString());
        QVERIFY(!a->HasBackgroundImage());
        QVERIFY(a->GetPlaylist().isEmpty());
        for (int i = 0; i < kFadePoints; ++i)
            QCOMPARE(int(a->fade[i]), 2 * i);
    }

    // The registry compares value names without regard to case; a section written
    // by another tool in other letter case reads the same.
    void valueNamesInOtherCase()
    {
        SetRaw("3456031", "TITLE", RegType::Sz, QByteArray("h\0i\0\0\0", 6));
        SetRaw("3456031", "Snooze", RegType::Dword, Dword(42));
        SetRaw("3456031", "PlayListCount", RegType::Dword, Dword(1));
        SetRaw("3456031", "PLAYLIST0", RegType::Sz, QByteArray("a\0\0\0", 4));
        SetRaw("3456031", "playlist00", RegType::Sz, QByteArray("b\0\0\0", 4)); // not "playlist%d" of 0
        const std::unique_ptr<Alarm> a = AlarmStore::LoadSection(QStringLiteral("3456031"));
        QVERIFY(a);
        QCOMPARE(a->title, QStringLiteral("hi"));
        QCOMPARE(a->snooze, 42);
        QCOMPARE(a->GetPlaylist(), QStringList({"a"}));
    }

    void fadeLength_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("replaces");
        QTest::newRow("49 bytes") << 49 << false;
        QTest::newRow("50 bytes") << 50 << true;
        QTest::newRow("51 bytes") << 51 << false;
        QTest::newRow("empty") << 0 << false;
    }
    void fadeLength()
    {
        QFETCH(int, size);
        QFETCH(bool, replaces);
        SetRaw("3456031", "fade", RegType::Binary, QByteArray(size, char(7)));
        const std::unique_ptr<Alarm> a = AlarmStore::LoadSection(QStringLiteral("3456031"));
        QVERIFY(a);
        QCOMPARE(int(a->fade[10]), replaces ? 7 : 20);
        QCOMPARE(int(a->fade[49]), replaces ? 7 : 98);
    }

    void playlistCount_data()
    {
        QTest::addColumn<uint32_t>("count");
        QTest::addColumn<int>("loaded");
        QTest::newRow("two") << 2u << 2;
        QTest::newRow("more than stored") << 4u << 4;
        QTest::newRow("negative") << 0xFFFFFFFFu << 0;
        QTest::newRow("huge") << 0x7FFFFFFFu << int(AlarmStore::kMaxPlaylistEntries);
    }
    void playlistCount()
    {
        QFETCH(uint32_t, count);
        QFETCH(int, loaded);
        SetRaw("3456031", "playlist0", RegType::Sz, QByteArray("a\0\0\0", 4));
        SetRaw("3456031", "playlist1", RegType::Sz, QByteArray("b\0\0\0", 4));
        SetRaw("3456031", "playlistCount", RegType::Dword, Dword(count));
        QElapsedTimer timer;
        timer.start();
        const std::unique_ptr<Alarm> a = AlarmStore::LoadSection(QStringLiteral("3456031"));
        QVERIFY(a);
        QVERIFY2(timer.elapsed() < 5000, "a damaged count must not stall the load");
        const QStringList list = a->GetPlaylist();
        QCOMPARE(list.size(), loaded);
        if (loaded >= 2) {
            QCOMPARE(list[0], QStringLiteral("a"));
            QCOMPARE(list[1], QStringLiteral("b"));
        }
        for (int i = 2; i < list.size(); ++i)
            QCOMPARE(list[i], QString()); // missing entries read as empty
    }

    void playlistShrinks()
    {
        Alarm a;
        a.alarmTime = At("2024-03-04 07:30:00");
        a.repeatDays = 31;
        a.SetPlaylist({"/s/1.mp3", "/s/2.mp3", "/s/3.mp3"});
        a.Save();
        a.SetPlaylist({"/s/only.mp3"});
        a.Save();
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, Path("3456031"), &key), RegOk);
        std::u16string text;
        QVERIFY(key.ReadString("playlist1", &text));
        QVERIFY(key.ReadString("playlist2", &text));
        QVERIFY(text == u"/s/3.mp3");
        uint32_t count = 0;
        QVERIFY(key.ReadDword("playlistCount", &count));
        QCOMPARE(count, 1u);
        const std::unique_ptr<Alarm> loaded = AlarmStore::LoadSection(QStringLiteral("3456031"));
        QCOMPARE(loaded->GetPlaylist(), QStringList({"/s/only.mp3"}));
    }

    // A saved section holds exactly these values, in this order, with these types.
    void savedLayout_data()
    {
        QTest::addColumn<bool>("isTemplate");
        QTest::newRow("alarm") << false;
        QTest::newRow("template") << true;
    }
    void savedLayout()
    {
        QFETCH(bool, isTemplate);
        std::unique_ptr<Alarm> a;
        if (isTemplate) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = QStringLiteral("Work");
            a = std::move(t);
        } else {
            a = std::make_unique<Alarm>();
        }
        a->alarmTime = At("2024-03-04 07:30:00");
        a->repeatDays = 31;
        a->SetPlaylist({"/s/a.mp3", "/s/bb.mp3"});
        a->Save();

        std::vector<ValueSpec> want = {{"playlist0", RegType::Sz, 18}, {"playlist1", RegType::Sz, 20},
                                       {"playlistCount", RegType::Dword, 4}, {"fade", RegType::Binary, 50},
                                       {"title", RegType::Sz, 2}, {"message", RegType::Sz, 2},
                                       {"command", RegType::Sz, 2}};
        for (const char* image : {"backImageWVGA", "backImageWQVGA", "backImageWVGALandscape",
                                  "backImageWQVGALandscape", "backImageQVGA", "backImageQVGAWide",
                                  "backImageQVGASquare", "backImageVGA", "backImageVGAWide", "backImageVGASquare",
                                  "backImageSquare"})
            want.push_back({image, RegType::Sz, 2});
        for (const char* name : {"activated", "random", "snooze", "forceVolume", "volume", "fadeDuration",
                                 "vibrate", "quiz", "quizLevel", "quizTypes", "useSnooze", "useFade",
                                 "closeAfterMinutes", "closeAfterTimes", "useTextColor", "useBackColor",
                                 "backColor", "textColor", "backImageStyle", "layoutStyle", "showSoundControls",
                                 "vibrateInterval", "confirmClose", "type", "noTextBorder"})
            want.push_back({name, RegType::Dword, 4});
        want.push_back({"notificationHandle", RegType::Binary, 4});
        if (isTemplate)
            want.push_back({"time", RegType::Dword, 4});

        RegKey key;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, Path(a->GetKey()), &key), RegOk);
        RegValue v;
        uint32_t i = 0;
        for (; key.EnumValue(i, &v) == RegOk; ++i) {
            QVERIFY2(i < want.size(), v.name.c_str());
            QCOMPARE(QString::fromStdString(v.name), want[i].name);
            QCOMPARE(int(v.type), int(want[i].type));
            QCOMPARE(int(v.data.size()), want[i].size);
        }
        QCOMPARE(size_t(i), want.size());
        uint32_t word = 0;
        if (isTemplate) {
            QVERIFY(key.ReadDword("time", &word));
            QCOMPARE(word, 3456031u);
        }
        std::vector<uint8_t> handle;
        QVERIFY(key.ReadBinary("notificationHandle", &handle));
        QVERIFY(handle == std::vector<uint8_t>(4, 0));
    }

    void roundTrip()
    {
        Alarm a;
        test::FillNonDefault(&a);
        a.Save();
        const std::unique_ptr<Alarm> b = AlarmStore::LoadSection(a.GetKey());
        QVERIFY(b);
        QCOMPARE(b->GetKey(), a.GetKey());
        a.dateYear = 2024; // a plain alarm's date is not stored: it loads as today
        a.dateMonth = 3;
        a.dateDay = 4;
        QCOMPARE(test::FirstDifference(*b, a), QString());
    }

    // Each row of the field table alone: set to a value of its own on an alarm
    // whose other rows hold their load defaults, it survives Save and load and
    // CopyFrom, and every other row still loads as its default. A value saved
    // under another row's name, loaded into another member, or not copied shows
    // here; so does a new alarm's or a load default that differs from the table.
    void everyFieldRoundTrips_data()
    {
        QTest::addColumn<int>("row");
        const std::vector<AlarmField>& fields = AlarmFields();
        for (size_t row = 0; row < fields.size(); ++row) {
            if (fields[row].kind != FieldKind::Handle)
                QTest::newRow(fields[row].name) << int(row);
        }
    }
    void everyFieldRoundTrips()
    {
        QFETCH(int, row);
        const std::vector<AlarmField>& fields = AlarmFields();
        const AlarmField& field = fields[static_cast<size_t>(row)];

        // The defaults: a new alarm holds the new values, a section without values
        // loads with the load defaults, both inside the row's range.
        const Alarm fresh;
        Section("3456031");
        const std::unique_ptr<Alarm> defaults = AlarmStore::LoadSection(QStringLiteral("3456031"));
        QVERIFY(defaults);
        QVERIFY(AlarmStore::DeleteSection(*defaults));
        if (field.kind == FieldKind::Integer || field.kind == FieldKind::Colour) {
            QCOMPARE(field.Number(fresh), field.newValue);
            QCOMPARE(field.Number(*defaults), field.loadDefault);
            QVERIFY(field.newValue >= field.min && field.newValue <= field.max);
            QVERIFY(field.loadDefault >= field.min && field.loadDefault <= field.max);
        }

        // This row alone takes its distinct value; every other row keeps its load default.
        Alarm distinct;
        test::FillNonDefault(&distinct);
        Alarm base;
        base.CopyFrom(*defaults);
        base.alarmTime = distinct.alarmTime;
        base.repeatDays = distinct.repeatDays;
        Alarm a;
        a.CopyFrom(base);
        test::CopyField(field, distinct, &a);
        QCOMPARE(test::FirstDifference(a, base), QLatin1String(field.name));

        a.Save();
        const std::unique_ptr<Alarm> loaded = AlarmStore::LoadSection(a.GetKey());
        QVERIFY(loaded);
        QCOMPARE(test::FirstDifference(*loaded, a), QString());
        AlarmTemplate copy;
        copy.CopyFrom(*loaded);
        QCOMPARE(test::FirstDifference(copy, a), QString());
    }

    // Loading sets `activated` before `type` is read, so a stored appointment in
    // the past keeps its flag and shows no box.
    void loadedPastAppointmentKeepsActivated()
    {
        QTemporaryDir dir;
        const QString record = dir.filePath("boxes.txt");
        qputenv("DAWNBELL_AUTO_ANSWER", "ok");
        qputenv("DAWNBELL_MSGBOX_RECORD", record.toUtf8());
        SetRaw("A2700020110305", "activated", RegType::Dword, Dword(1));
        SetRaw("A2700020110305", "type", RegType::Dword, Dword(2));
        const std::unique_ptr<Alarm> a = AlarmStore::LoadSection(QStringLiteral("A2700020110305"));
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        qunsetenv("DAWNBELL_AUTO_ANSWER");
        QVERIFY(a);
        QCOMPARE(a->activated, 1);
        QCOMPARE(a->type, 2);
        QCOMPARE(a->GetKey(), QStringLiteral("A2700020110305"));
        QVERIFY(!QFile::exists(record));
    }

    void templatesSorted()
    {
        const char* names[] = {"b", "a", "C", "\xC3\xA4"}; // "ä" sorts after the ASCII letters
        for (const char* n : names) {
            AlarmTemplate t;
            t.name = QString::fromUtf8(n);
            t.alarmTime = At("2024-03-04 06:00:00");
            t.repeatDays = 3;
            t.Save();
        }
        Alarm plain;
        plain.alarmTime = At("2024-03-04 07:30:00");
        plain.repeatDays = 31;
        plain.Save();

        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        QCOMPARE(alarms.size(), size_t(1));
        QCOMPARE(alarms[0]->GetKey(), QStringLiteral("3456031"));
        QStringList order;
        for (const auto& t : templates) {
            order << t->name;
            QCOMPARE(t->repeatDays, 3);
            QCOMPARE(Format(t->alarmTime).mid(11), QStringLiteral("06:00:00"));
        }
        QCOMPARE(order, QStringList({"C", "a", "b", QString::fromUtf8("\xC3\xA4")}));
    }

    void templateTimeOutOfRange()
    {
        SetRaw("TOdd", "time", RegType::Dword, Dword(0xFFFFFFFFu));
        const std::unique_ptr<Alarm> a = AlarmStore::LoadSection(QStringLiteral("TOdd"));
        QVERIFY(a);
        QCOMPARE(a->GetKey(), QStringLiteral("TOdd"));
        QCOMPARE(a->GetSecondsOfDay(), 0);
        QCOMPARE(a->repeatDays, 0);
    }

    void namedColors()
    {
        const QString section = QStringLiteral("settings\\colors");
        SetRaw(section, "Zebra", RegType::Dword, Dword(1));
        SetRaw(section, "apple", RegType::Dword, Dword(2));
        SetRaw(section, "Mango", RegType::Dword, Dword(0x00332211));
        SetRaw(section, "Text", RegType::Sz, QByteArray("x\0\0\0", 4));
        SetRaw(section, "Blob", RegType::Binary, Dword(5));
        SetRaw(section, "Short", RegType::Dword, QByteArray("\1\0", 2));
        SetRaw(section, std::string(256, 'L').c_str(), RegType::Dword, Dword(6));
        SetRaw(section, std::string(255, 'K').c_str(), RegType::Dword, Dword(7));

        QList<NamedColor> colors;
        AlarmStore::LoadNamedColors(&colors);
        QStringList names;
        for (const NamedColor& c : colors)
            names << c.name;
        QCOMPARE(names, QStringList({QString(255, QLatin1Char('K')), "Mango", "Zebra", "apple"}));
        QCOMPARE(colors[1].color, 0x00332211u);

        // A list that already holds entries is kept as it is.
        QList<NamedColor> kept{{QStringLiteral("Mine"), 9}};
        AlarmStore::LoadNamedColors(&kept);
        QCOMPARE(kept.size(), 1);
    }

    void defaultNamedColors_data()
    {
        QTest::addColumn<bool>("translated");
        QTest::newRow("built-in texts") << false;
        QTest::newRow("language file texts") << true;
    }
    void defaultNamedColors()
    {
        QFETCH(bool, translated);
        if (translated)
            SetTextProvider([](int id) { return id == 32 ? QStringLiteral("Blau") : QString(); });
        QVERIFY(AlarmStore::WriteDefaultNamedColors());
        QList<NamedColor> colors;
        AlarmStore::LoadNamedColors(&colors);
        QCOMPARE(colors.size(), 29);
        for (int i = 1; i < colors.size(); ++i)
            QVERIFY(AlarmStore::NameLess(colors[i - 1].name, colors[i].name));
        auto find = [&](const QString& name) -> int64_t {
            for (const NamedColor& c : colors)
                if (c.name == name)
                    return c.color;
            return -1;
        };
        QCOMPARE(find(translated ? "Blau" : "Blue"), int64_t(15116940));
        QCOMPARE(find("Blue (dark)"), int64_t(8536370));
        QCOMPARE(find("Black"), int64_t(0));
        QCOMPARE(find("Purple (light)"), int64_t(16427730));
        QCOMPARE(find("Pink (dark)"), int64_t(-1)); // in the string table, not in the list
        // The table itself: written in its documented order.
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, Path("settings\\colors"), &key), RegOk);
        RegValue first, last;
        QCOMPARE(key.EnumValue(0, &first), RegOk);
        QCOMPARE(key.EnumValue(28, &last), RegOk);
        QCOMPARE(QString::fromStdString(last.name), QStringLiteral("Purple (light)"));
    }

    void deleteSection()
    {
        Alarm keep;
        keep.alarmTime = At("2024-03-04 06:00:00");
        keep.Save();
        Alarm gone;
        gone.alarmTime = At("2024-03-04 07:30:00");
        gone.repeatDays = 31;
        gone.Save();
        QVERIFY(AlarmStore::LoadSection(QStringLiteral("3456031")));
        QVERIFY(AlarmStore::DeleteSection(gone));
        QVERIFY(!AlarmStore::LoadSection(QStringLiteral("3456031")));
        QVERIFY(AlarmStore::LoadSection(keep.GetKey()));
        QVERIFY(!AlarmStore::DeleteSection(gone)); // already gone
    }

    // An alarm of an unknown type has an empty key, and a template name may hold
    // anything: saving or deleting must never write into the root or a nested key.
    void unstorableKeysLeaveRootAlone_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("templateName"); // null: a plain alarm
        QTest::newRow("unknown type") << 7 << QString();
        QTest::newRow("template name with a backslash") << 1 << "a\\b";
        QTest::newRow("template name too long") << 1 << QString(255, QLatin1Char('n'));
    }
    void unstorableKeysLeaveRootAlone()
    {
        QFETCH(int, type);
        QFETCH(QString, templateName);
        Alarm keep;
        keep.Save();
        std::unique_ptr<Alarm> odd;
        if (templateName.isNull()) {
            odd = std::make_unique<Alarm>();
        } else {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = templateName;
            odd = std::move(t);
        }
        odd->type = type;
        odd->Save();
        QVERIFY(!AlarmStore::DeleteSection(*odd));
        RegKey root;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, Profile::RootPath().toStdString(), &root), RegOk);
        uint32_t subkeys = 0, values = 0;
        QCOMPARE(root.QueryInfo(&subkeys, &values), RegOk);
        QCOMPARE(subkeys, 1u);
        QCOMPARE(values, 0u);
    }

    void longestTemplateName()
    {
        AlarmTemplate t;
        t.name = QString(254, QLatin1Char('n')); // the key "T" + name fills one key name
        t.Save();
        std::vector<std::unique_ptr<Alarm>> alarms;
        std::vector<std::unique_ptr<AlarmTemplate>> templates;
        AlarmStore::LoadAll(&alarms, &templates);
        QCOMPARE(templates.size(), size_t(1));
        QCOMPARE(templates[0]->name, t.name);
    }

private:
    test::TempHome home_; // the device directory of the current test
};

int main(int argc, char** argv)
{
    dawnbell::test::UseFixedZoneAndLocale();
    QCoreApplication app(argc, argv);
    AlarmStoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AlarmStoreTest.moc"
