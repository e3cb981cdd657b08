// The alarm record: keys, next occurrence (with daylight-saving changes),
// activation of appointments, the list columns and the playlist walk.
#include "Alarm.h"
#include "Clock.h"
#include "Texts.h"
#include "TestEnv.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using namespace dawnbell;
using dawnbell::test::At;
using dawnbell::test::Format;

namespace {

// An alarm of `type` at the given local time of day (any date) with `days`.
void SetUp(Alarm* a, int type, const QString& hms, int days)
{
    a->type = type;
    a->repeatDays = days;
    a->alarmTime = At(QStringLiteral("2020-01-15 ") + hms);
}

} // namespace

class AlarmTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        clock::SetNowForTesting(std::nullopt);
        SetTextProvider({});
    }

    void newAlarm()
    {
        clock::SetNowForTesting(At("2024-03-04 07:30:15"));
        Alarm a;
        QCOMPARE(a.GetKey(), QString::number((7 * 3600 + 30 * 60 + 15) * 128));
        QCOMPARE(a.dateYear, 2024);
        QCOMPARE(a.dateMonth, 3);
        QCOMPARE(a.dateDay, 4);
        QCOMPARE(a.activated, 1);
        QCOMPARE(a.type, int(AlarmWizard));
        for (int i = 0; i < kFadePoints; ++i)
            QCOMPARE(int(a.fade[i]), 2 * i);
        QVERIFY(!a.HasBackgroundImage());
        a.SetBackImage(BackImageSquare, QStringLiteral("sky.png"));
        QVERIFY(a.HasBackgroundImage());
        QCOMPARE(BackImageValueName(BackImageQVGAWide), QStringLiteral("backImageQVGAWide"));
        QCOMPARE(BackImageValueName(BackImageFieldCount), QString());
    }

    void key_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("hms");
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("date"); // appointment date
        QTest::addColumn<QString>("key");
        QTest::newRow("midnight once") << 1 << "00:00:00" << 0 << "" << "0";
        QTest::newRow("midnight Monday") << 0 << "00:00:00" << 1 << "" << "1";
        QTest::newRow("23:59:59 every day") << 1 << "23:59:59" << 127 << "" << "11059199";
        QTest::newRow("07:30 Mo-Fr") << 0 << "07:30:00" << 31 << "" << "3456031";
        QTest::newRow("command alarm") << 3 << "07:30:00" << 31 << "" << "3456031";
        QTest::newRow("appointment 2012") << 2 << "09:05:07" << 0 << "2012-01-01" << "A3270720120101";
        QTest::newRow("appointment 2011") << 2 << "07:30:00" << 5 << "2011-03-05" << "A2700020110305";
        QTest::newRow("appointment midnight") << 2 << "00:00:00" << 0 << "2030-12-31" << "A020301231";
        QTest::newRow("unknown type") << 4 << "07:30:00" << 31 << "" << "";
        QTest::newRow("negative type") << -1 << "07:30:00" << 31 << "" << "";
    }
    void key()
    {
        QFETCH(int, type);
        QFETCH(QString, hms);
        QFETCH(int, days);
        QFETCH(QString, date);
        QFETCH(QString, key);
        Alarm a;
        SetUp(&a, type, hms, days);
        if (!date.isEmpty()) {
            a.dateYear = date.left(4).toInt();
            a.dateMonth = date.mid(5, 2).toInt();
            a.dateDay = date.mid(8, 2).toInt();
        }
        QCOMPARE(a.GetKey(), key);
    }

    void templateKey()
    {
        AlarmTemplate t;
        t.name = QStringLiteral("Work days");
        QCOMPARE(t.GetKey(), QStringLiteral("TWork days"));
        Alarm* base = &t;
        QCOMPARE(base->GetKey(), QStringLiteral("TWork days"));
    }

    void nextOccurrence_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("hms");
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("next");
        QTest::addColumn<qint64>("toNext"); // seconds, or -1 when not checked

        // 2024-03-04 is a Monday; Europe switches to summer time on 2024-03-31 and
        // back on 2024-10-27.
        QTest::newRow("Monday only, after the time") << "2024-03-04 08:00:00" << "07:30:00" << 1 << 1
                                                     << "2024-03-11 07:30:00" << qint64(7 * 86400 - 1800);
        QTest::newRow("Monday only, before the time") << "2024-03-04 07:00:00" << "07:30:00" << 1 << 1
                                                      << "2024-03-04 07:30:00" << qint64(1800);
        QTest::newRow("Monday only, exactly now") << "2024-03-04 07:30:00" << "07:30:00" << 1 << 0
                                                  << "2024-03-11 07:30:00" << qint64(7 * 86400);
        QTest::newRow("Sa+Su on Friday") << "2024-03-08 12:00:00" << "07:30:00" << 96 << 1
                                         << "2024-03-09 07:30:00" << qint64(-1);
        QTest::newRow("Sa+Su on Sunday after") << "2024-03-10 08:00:00" << "07:30:00" << 96 << 1
                                               << "2024-03-16 07:30:00" << qint64(-1);
        QTest::newRow("Mo-Fr on Friday evening") << "2024-03-08 22:00:00" << "07:30:00" << 31 << 3
                                                 << "2024-03-11 07:30:00" << qint64(-1);
        QTest::newRow("once, passed today") << "2024-03-04 08:00:00" << "07:30:00" << 0 << 1
                                            << "2024-03-05 07:30:00" << qint64(86400 - 1800);
        QTest::newRow("once, exactly now") << "2024-03-04 07:30:00" << "07:30:00" << 0 << 1
                                           << "2024-03-04 07:30:00" << qint64(0);
        QTest::newRow("once, into a leap day") << "2024-02-28 08:00:00" << "07:30:00" << 0 << 1
                                               << "2024-02-29 07:30:00" << qint64(-1);
        QTest::newRow("weekly over the year end") << "2024-12-31 08:00:00" << "07:30:00" << 1 << 1
                                                  << "2025-01-06 07:30:00" << qint64(-1);
        QTest::newRow("once, over spring DST") << "2024-03-30 08:00:00" << "07:30:00" << 0 << 1
                                               << "2024-03-31 07:30:00" << qint64(86400 - 1800 - 3600);
        QTest::newRow("daily, over spring DST") << "2024-03-30 08:00:00" << "07:30:00" << 127 << 1
                                                << "2024-03-31 07:30:00" << qint64(86400 - 1800 - 3600);
        QTest::newRow("weekly, over spring DST") << "2024-03-25 08:00:00" << "07:30:00" << 1 << 1
                                                 << "2024-04-01 07:30:00" << qint64(7 * 86400 - 1800 - 3600);
        QTest::newRow("once, over autumn DST") << "2024-10-26 08:00:00" << "07:30:00" << 0 << 1
                                               << "2024-10-27 07:30:00" << qint64(86400 - 1800 + 3600);
        QTest::newRow("appointment ignores days") << "2024-03-04 08:00:00" << "09:05:07" << 127 << 2
                                                  << "2025-05-01 09:05:07" << qint64(-1);
    }
    void nextOccurrence()
    {
        QFETCH(QString, now);
        QFETCH(QString, hms);
        QFETCH(int, days);
        QFETCH(int, type);
        QFETCH(QString, next);
        QFETCH(qint64, toNext);
        clock::SetNowForTesting(At(now));
        Alarm a;
        SetUp(&a, type, hms, days);
        a.dateYear = 2025;
        a.dateMonth = 5;
        a.dateDay = 1;
        const clock::LocalTime t = a.GetNextOccurrence();
        QCOMPARE(Format(t), next);
        QCOMPARE(t.dayOfWeek, 0);
        QCOMPARE(t.milliseconds, 0);
        if (toNext >= 0)
            QCOMPARE(a.GetTimeToNext(), toNext);
        // The time of day, and so the key, survives the move.
        QCOMPARE(Format(a.alarmTime).mid(11), hms);
    }

    void setActivated_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("moment"); // the alarm's date and time
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("activated");
        QTest::addColumn<bool>("refused"); // the caller tells the user
        QTest::newRow("appointment one second ago") << 2 << "2024-03-04 07:29:59" << true << 0 << true;
        QTest::newRow("appointment exactly now") << 2 << "2024-03-04 07:30:00" << true << 0 << true;
        QTest::newRow("appointment a year ago") << 2 << "2023-03-04 09:00:00" << true << 0 << true;
        QTest::newRow("appointment in one second") << 2 << "2024-03-04 07:30:01" << true << 1 << false;
        QTest::newRow("appointment switched off") << 2 << "2023-03-04 09:00:00" << false << 0 << false;
        QTest::newRow("wizard alarm in the past") << 1 << "2023-03-04 09:00:00" << true << 1 << false;
        QTest::newRow("compact alarm off") << 0 << "2025-03-04 09:00:00" << false << 0 << false;
    }
    void setActivated()
    {
        QFETCH(int, type);
        QFETCH(QString, moment);
        QFETCH(bool, on);
        QFETCH(int, activated);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString record = dir.filePath("boxes.txt");
        qputenv("DAWNBELL_AUTO_ANSWER", "ok");
        qputenv("DAWNBELL_MSGBOX_RECORD", record.toUtf8());
        clock::SetNowForTesting(At("2024-03-04 07:30:00"));

        Alarm a;
        a.type = type;
        a.alarmTime = At(moment);
        const clock::LocalTime lt = clock::ToLocal(a.alarmTime);
        a.dateYear = lt.year;
        a.dateMonth = lt.month;
        a.dateDay = lt.day;
        a.title = QStringLiteral("kept");
        a.activated = on ? 0 : 1;
        QCOMPARE(a.SetActivated(on), !refused);
        QCOMPARE(a.activated, activated);
        QCOMPARE(a.title, QStringLiteral("kept"));

        QFile f(record);
        const QString shown = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        qunsetenv("DAWNBELL_MSGBOX_RECORD");
        qunsetenv("DAWNBELL_AUTO_ANSWER");
        QCOMPARE(shown, QString()); // the record shows nothing itself
    }

    void daysText_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<bool>("translated");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0 << false << "";
        QTest::newRow("Mo We Su") << (1 | 4 | 64) << false << "[Mo][We][Su]";
        QTest::newRow("Friday") << 16 << false << "[Fr]";
        QTest::newRow("every day") << 127 << false << "[Mo][Tu][We][Th][Fr][Sa][Su]";
        QTest::newRow("language file names") << (1 | 2) << true << "[Lu][Ma]";
    }
    void daysText()
    {
        QFETCH(int, days);
        QFETCH(bool, translated);
        QFETCH(QString, text);
        if (translated) {
            SetTextProvider([](int id) {
                return id == 42 ? QStringLiteral("Lu") : id == 43 ? QStringLiteral("Ma") : QString();
            });
        }
        Alarm a;
        SetUp(&a, 0, "07:30:00", days);
        QCOMPARE(a.GetDaysText(), text);
    }

    void appointmentDaysText()
    {
        clock::SetNowForTesting(At("2024-03-04 07:30:00"));
        Alarm a;
        SetUp(&a, 2, "09:00:00", 0);
        a.dateYear = 2011;
        a.dateMonth = 3;
        a.dateDay = 5;
        a.GetTimeText(); // the list computes the time column first
        QCOMPARE(a.GetDaysText(), QStringLiteral("05.03.11"));
    }

    void timeText_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("no title") << "" << "07:30";
        QTest::newRow("plain title") << "Wake up" << "07:30 - Wake up";
        QTest::newRow("CR-LF title") << "Wake\r\nup" << "07:30 - Wake up";
        QTest::newRow("two line breaks") << "a\r\nb\r\nc" << "07:30 - a b c";
        QTest::newRow("bare LF kept") << "a\nb" << "07:30 - a\nb";
    }
    void timeText()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        clock::SetNowForTesting(At("2024-03-04 08:00:00"));
        Alarm a;
        SetUp(&a, 1, "07:30:45", 0);
        a.title = title;
        QCOMPARE(a.GetTimeText(), text);
        QCOMPARE(Format(a.alarmTime), QStringLiteral("2024-03-05 07:30:45")); // ran UpdateTime
    }

    void playlistWalk()
    {
        Alarm a;
        QCOMPARE(a.GetNextPlaylistEntry(), QString());
        a.SetPlaylist({"A", "B"});
        QStringList walked;
        for (int i = 0; i < 5; ++i)
            walked << a.GetNextPlaylistEntry();
        QCOMPARE(walked, QStringList({"A", "B", "A", "B", "A"}));
        a.ResetPlaylistCursor();
        QCOMPARE(a.GetNextPlaylistEntry(), QStringLiteral("A"));
        a.SetPlaylist({"C"}); // a new list starts at its first entry
        QCOMPARE(a.GetNextPlaylistEntry(), QStringLiteral("C"));
        QCOMPARE(a.GetNextPlaylistEntry(), QStringLiteral("C"));
    }

    void shuffleIsPermutation_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("empty") << QStringList();
        QTest::newRow("one") << QStringList({"a"});
        QTest::newRow("five") << QStringList({"a", "b", "c", "d", "e"});
        QTest::newRow("with empty and repeated entries") << QStringList({"", "x", "", "x", "y"});
        QStringList many;
        for (int i = 0; i < 300; ++i)
            many << QString::number(i);
        QTest::newRow("three hundred") << many;
    }
    void shuffleIsPermutation()
    {
        QFETCH(QStringList, entries);
        Alarm a;
        a.SetPlaylist(entries);
        a.ShufflePlaylist();
        QStringList got = a.GetPlaylist();
        QStringList want = entries;
        got.sort();
        want.sort();
        QCOMPARE(got, want);
    }

    void shuffleReachesEveryOrder()
    {
        Alarm a;
        QSet<QString> seen;
        for (int i = 0; i < 200 && seen.size() < 6; ++i) {
            a.SetPlaylist({"1", "2", "3"});
            a.ShufflePlaylist();
            seen.insert(a.GetPlaylist().join(QString()));
            std::this_thread::sleep_for(std::chrono::milliseconds(2)); // a new tick, a new seed
        }
        QCOMPARE(seen.size(), 6);
    }

    void copyFrom()
    {
        Alarm src;
        test::FillNonDefault(&src);
        src.pendingTemplateName = QStringLiteral("pending");
        src.notificationHandle = 99;
        src.GetNextPlaylistEntry(); // cursor moved

        AlarmTemplate dst;
        dst.name = QStringLiteral("mine");
        dst.CopyFrom(src);
        QCOMPARE(test::FirstDifference(dst, src), QString());
        QCOMPARE(dst.alarmTime, src.alarmTime);
        QCOMPARE(dst.dateYear, src.dateYear);
        QCOMPARE(dst.dateMonth, src.dateMonth);
        QCOMPARE(dst.dateDay, src.dateDay);
        // Not copied: the handle, the pending template name, the cursor; the
        // template keeps its own name.
        QCOMPARE(dst.notificationHandle, 0u);
        QCOMPARE(dst.pendingTemplateName, QString());
        QCOMPARE(dst.GetNextPlaylistEntry(), src.GetPlaylist().first());
        QCOMPARE(dst.name, QStringLiteral("mine"));
    }
};

int main(int argc, char** argv)
{
    dawnbell::test::UseFixedZoneAndLocale();
    QCoreApplication app(argc, argv);
    AlarmTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AlarmTest.moc"
