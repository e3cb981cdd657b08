// dawnbell-alarm end to end: the real tool as a separate process on a temporary
// home, with the real store and the real notification service, at a fixed moment
// (DAWNBELL_NOW) in a zone with daylight saving; and the main window in this
// process, serving the command channel as the program does.
#include "Alarm.h"
#include "AlarmChanges.h"
#include "AlarmField.h"
#include "AlarmStore.h"
#include "CAlarmListCtrl.h"
#include "CMainDialog.h"
#include "CommandServer.h"
#include "IpcClient.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "StoreDamage.h"
#include "TempHome.h"
#include "TestServers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <QScopeGuard>

#include <csignal>
#include <cstring>
#include <ctime>
#include <utility>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace dawnbell;

namespace {

const QString kTool = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell-alarm");
const QString kRegTool = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell-reg");
const QString kProgram = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell");
// Central European time with its daylight-saving rules, given inline.
const char kZone[] = "CET-1CEST,M3.5.0,M10.5.0/3";
// Friday 7 March 2031, far ahead of the real clock: the service never fires.
const QString kFriday = QStringLiteral("2031-03-07T09:00:00");

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// One call of the tool in a round trip: its arguments ("@N" is replaced by what
// step N printed), the exit code, and a text its output (or, on failure, its
// one error line) must contain.
struct Step {
    QStringList args;
    int code = 0;
    QString contains;
};

// What one stored value the tool shows must read after "add": its name and
// value in `show --json`, its line in `show`, and the registry values it stored
// ("name=value"; a number is read as a number, anything else as a text).
struct Shown {
    QString row; // the registry name of the value (its row in the field table)
    QString json;
    QJsonValue value;
    QString line;
    QStringList stored;
};

} // namespace
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(QList<Step>)
Q_DECLARE_METATYPE(QList<Shown>)
namespace {

// An alarm of `list --json` in one line: key, kind, on/off, time, days or date,
// title, command.
QString Summary(const QJsonObject& a)
{
    QStringList days;
    for (const QJsonValue& d : a["days"].toArray())
        days << d.toString();
    QString s = QStringList{a["key"].toString(), a["kind"].toString(), a["active"].toBool() ? "on" : "off",
                            a["time"].toString(), a["date"].isNull() ? days.join(',') : a["date"].toString(),
                            a["title"].toString()}
                    .join(' ');
    if (!a["command"].toString().isEmpty())
        s += " {" + a["command"].toString() + "}";
    return s;
}

// The service's records of the program: "KEY@YYYY-MM-DD HH:MM:SS"; another
// application path shows in full.
QStringList Schedule()
{
    notify::NotifyCloseStore();
    std::vector<notify::NotifyRecord> records;
    notify::NotifyList(&records);
    QStringList out;
    for (const notify::NotifyRecord& r : records) {
        const clock::LocalTime& t = r.trigger.start;
        QString entry = QString::fromStdString(r.trigger.arguments) +
                        QString::asprintf("@%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                                          t.minute, t.second);
        if (QString::fromStdString(r.trigger.application) != kProgram)
            entry += " by " + QString::fromStdString(r.trigger.application);
        out << entry;
    }
    return out;
}

QStringList Titles(const CAlarmListCtrl* list)
{
    QStringList out;
    for (int i = 0; i < list->Count(); ++i)
        out << list->AlarmAt(i)->title;
    return out;
}

} // namespace

class AlarmToolTest : public QObject {
    Q_OBJECT
private:
    test::TempHome m_home; // a fresh DAWNBELL_HOME (and runtime folder) for each test
    QString m_sound;       // an existing sound file
    QString m_now = kFriday;
    QStringList m_env;     // extra VAR=VALUE for the tool

    // Runs the tool; the event loop keeps running meanwhile, so a window of this
    // process can answer it.
    Run Tool(const QStringList& args, const QString& home = QString(), const QString& tool = kTool)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DAWNBELL_NOW", m_now);
        env.insert("TZ", kZone);
        env.insert("LC_ALL", "C.UTF-8");
        env.remove("DAWNBELL_LANGID");
        if (!home.isEmpty())
            env.insert("DAWNBELL_HOME", home);
        for (const QString& kv : m_env)
            env.insert(kv.section('=', 0, 0), kv.section('=', 1));
        p.setProcessEnvironment(env);
        p.start(tool, args);
        if (!p.waitForStarted(10000))
            return {};
        QElapsedTimer waited;
        waited.start();
        while (p.state() != QProcess::NotRunning && waited.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            p.waitForFinished(10);
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    // Every stored alarm as Summary, in list order.
    QStringList Alarms()
    {
        const Run r = Tool({"list", "--json"});
        QStringList out;
        for (const QJsonValue& a : QJsonDocument::fromJson(r.out.toUtf8()).object()["alarms"].toArray())
            out << Summary(a.toObject());
        return out;
    }

    // Everything a change could touch: the alarms with templates, and the schedule.
    QString State()
    {
        return Tool({"list", "--json", "--templates"}).out + Schedule().join('\n');
    }

    // A new home without a store, holding only the sound file.
    void FreshHome()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        m_home.Renew();
        qputenv("XDG_RUNTIME_DIR", m_home.path().toUtf8());
        m_sound = m_home.filePath("birds.mp3");
        QFile f(m_sound);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ID3");
    }

private slots:
    void init()
    {
        FreshHome();
        qputenv("TZ", kZone);
        tzset();
        m_now = kFriday;
        m_env.clear();
        // A store in use (set up, its built-in templates deleted) with a
        // template as a user may have made it: a wizard alarm with its own values.
        Profile::SetRegistryKey("Torvane");
        Profile::WriteInt("settings", "firstLaunch", 0);
        AlarmTemplate tea;
        tea.name = "Tea time";
        tea.type = AlarmWizard;
        tea.alarmTime = clock::MakeLocal(2031, 3, 7, 17, 0, 0);
        tea.repeatDays = 0;
        tea.activated = 0;
        tea.title = "Tea is ready";
        tea.snooze = 420;
        tea.quiz = 0;
        tea.vibrate = 0;
        tea.SetPlaylist({m_sound});
        tea.Save();
        RegCloseStore();
    }
    void cleanup()
    {
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        RegCloseStore();
    }

    void roundTrips_data()
    {
        QTest::addColumn<bool>("fresh"); // a home without a store, as on a new machine
        QTest::addColumn<QString>("now");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("alarms");
        QTest::addColumn<QStringList>("schedule");
        const QString sound = "SOUND";
        // A playlist of `show --json`, its one entry written out.
        const QString playlistOf = QStringLiteral("\"sounds\": [\n        \"%1\"\n    ]");

        QTest::newRow("weekday alarm: next ring on Monday, the sound given instead of the built-in one")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "06:45", "--days", "weekdays", "--title", "Work", "--sound", sound}, 0,
                            "3110431"},
                           {{"next"}, 0, "Next alarm: 69:45:00"},
                           {{"show", "@0", "--json"}, 0, playlistOf.arg(sound)}}
            << QStringList{"3110431 compact on 06:45:00 mo,tu,we,th,fr Work"}
            << QStringList{"3110431@2031-03-10 06:45:00"};
        QTest::newRow("a day range across the week's end: Friday to Monday, next ring on Saturday")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "08:00", "--days", "fr-mo", "--title", "Long weekend", "--sound", sound},
                            0, "3686513"},
                           {{"next"}, 0, "Next alarm: 23:00:00"}}
            << QStringList{"3686513 compact on 08:00:00 mo,fr,sa,su Long weekend"}
            << QStringList{"3686513@2031-03-08 08:00:00"};
        QTest::newRow("disabled: kept, off, unscheduled")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "07:30", "--days", "sa", "--title", "Run", "--sound", sound}, 0, ""},
                           {{"disable", "@0"}, 0, ""},
                           {{"next"}, 1, "No active alarm."}}
            << QStringList{"3456032 compact off 07:30:00 sa Run"} << QStringList{};
        QTest::newRow("disabled and enabled again: scheduled again")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "07:30", "--days", "sa", "--title", "Run", "--sound", sound}, 0, ""},
                           {{"disable", "@0"}, 0, ""},
                           {{"enable", "@0"}, 0, ""}}
            << QStringList{"3456032 compact on 07:30:00 sa Run"} << QStringList{"3456032@2031-03-08 07:30:00"};
        QTest::newRow("removed: gone with its schedule, the other stays")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "07:30", "--title", "Gone", "--sound", sound}, 0, ""},
                           {{"add", "--time", "08:00", "--title", "Stays", "--sound", sound}, 0, ""},
                           {{"remove", "@0"}, 0, ""}}
            << QStringList{"3686400 compact on 08:00:00  Stays"} << QStringList{"3686400@2031-03-08 08:00:00"};
        QTest::newRow("a clash is refused, another day is not")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "07:00", "--days", "mo", "--title", "Mon", "--sound", sound}, 0, ""},
                           {{"add", "--time", "07:00", "--title", "Daily", "--sound", sound}, 1,
                            "An alarm at that time already exists!"},
                           {{"add", "--time", "07:00", "--days", "tu", "--title", "Tue", "--sound", sound}, 0, ""}}
            << QStringList{"3225601 compact on 07:00:00 mo Mon", "3225602 compact on 07:00:00 tu Tue"}
            << QStringList{"3225601@2031-03-10 07:00:00", "3225602@2031-03-11 07:00:00"};
        QTest::newRow("an appointment ahead; one in the past is refused")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--date", "2031-03-20", "--time", "08:15", "--title", "Dentist", "--sound", sound},
                            0, "A2970020310320"},
                           {{"add", "--date", "2031-03-07", "--time", "08:59", "--sound", sound}, 1,
                            "The time of the alarm is in the past!"}}
            << QStringList{"A2970020310320 appointment on 08:15:00 2031-03-20 Dentist"}
            << QStringList{"A2970020310320@2031-03-20 08:15:00"};
        QTest::newRow("a template copy keeps the template's kind and values")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--from-template", "tea TIME", "--time", "16:30"}, 0, "7603200"},
                           {{"show", "@0"}, 0, "420 s"}}
            << QStringList{"7603200 wizard on 16:30:00  Tea is ready"} << QStringList{"7603200@2031-03-07 16:30:00"};
        QTest::newRow("a command alarm keeps its program and arguments")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "12:00", "--days", "daily", "--command", "/bin/echo \"hello world\" 2"},
                            0, "5529727"}}
            << QStringList{"5529727 command on 12:00:00 mo,tu,we,th,fr,sa,su  {/bin/echo::\"hello world\" 2}"}
            << QStringList{"5529727@2031-03-07 12:00:00"};
        QTest::newRow("relative time across midnight")
            << false << "2031-03-07T23:30:00" << QStringList{}
            << QList<Step>{{{"add", "--in", "45m", "--title", "Late", "--sound", sound}, 0, "115200"}}
            << QStringList{"115200 compact on 00:15:00  Late"} << QStringList{"115200@2031-03-08 00:15:00"};
        QTest::newRow("relative time across the spring change: one real hour")
            << false << "2031-03-30T01:30:00" << QStringList{}
            << QList<Step>{{{"add", "--in", "1h", "--title", "Spring", "--sound", sound}, 0, "1612800"}}
            << QStringList{"1612800 compact on 03:30:00  Spring"} << QStringList{"1612800@2031-03-30 03:30:00"};
        QTest::newRow("relative time into the hour the clocks repeat: refused, the first time of it kept")
            << false << "2031-10-26T01:45:00" << QStringList{}
            << QList<Step>{{{"add", "--in", "1h30m", "--title", "Autumn", "--sound", sound}, 1, "comes twice"},
                           {{"add", "--in", "30m", "--title", "Autumn", "--sound", sound}, 0, "1036800"}}
            << QStringList{"1036800 compact on 02:15:00  Autumn"} << QStringList{"1036800@2031-10-26 02:15:00"};
        QTest::newRow("seconds that are not zero are printed by list and show")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "06:45:30", "--days", "sa", "--title", "Half past", "--sound", sound}, 0,
                            "3114272"},
                           {{"list"}, 0, "06:45:30"},
                           {{"show", "@0"}, 0, "Time:       06:45:30"}}
            << QStringList{"3114272 compact on 06:45:30 sa Half past"} << QStringList{"3114272@2031-03-08 06:45:30"};
        QTest::newRow("stored switched off")
            << false << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "05:00", "--inactive", "--sound", sound}, 0, "2304000"}}
            << QStringList{"2304000 compact off 05:00:00  "} << QStringList{};
        QTest::newRow("the language's day names in and out")
            << false << kFriday << QStringList{"DAWNBELL_LANGID=7"}
            << QList<Step>{{{"add", "--time", "06:00", "--days", "Di,do", "--title", "Zwei", "--sound", sound}, 0, ""},
                           {{"list"}, 0, "[Di][Do]"}}
            << QStringList{"2764810 compact on 06:00:00 tu,th Zwei"} << QStringList{"2764810@2031-03-11 06:00:00"};
        // A new machine, in the order the README shows: the built-in templates
        // are there without the window ever opened, in the program's language.
        QTest::newRow("fresh home: a built-in template")
            << true << kFriday << QStringList{}
            << QList<Step>{{{"add", "--from-template", "Morning Mist", "--time", "06:30"}, 0, "2995231"},
                           {{"show", "@0", "--json"}, 0, playlistOf.arg("PROGRAM/sounds/morningMist.mp3")}}
            << QStringList{"2995231 wizard on 06:30:00 mo,tu,we,th,fr Good morning"}
            << QStringList{"2995231@2031-03-10 06:30:00"};
        QTest::newRow("fresh home in German: the built-in templates under their German names")
            << true << kFriday << QStringList{"DAWNBELL_LANGID=7"}
            << QList<Step>{{{"add", "--from-template", "Morgennebel", "--time", "06:30"}, 0, "2995231"},
                           {{"add", "--from-template", "Morning Mist", "--time", "06:40"}, 1, "Morning Mist"}}
            << QStringList{"2995231 wizard on 06:30:00 mo,tu,we,th,fr Guten Morgen"}
            << QStringList{"2995231@2031-03-10 06:30:00"};
        QTest::newRow("fresh home: a blank alarm rings the built-in sound")
            << true << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "07:00"}, 0, "3225600"},
                           {{"show", "@0", "--json"}, 0, playlistOf.arg("PROGRAM/sounds/ring.mp3")}}
            << QStringList{"3225600 compact on 07:00:00  "} << QStringList{"3225600@2031-03-08 07:00:00"};
        QTest::newRow("fresh home: an appointment rings the built-in sound")
            << true << kFriday << QStringList{}
            << QList<Step>{{{"add", "--date", "2031-03-20", "--time", "08:15"}, 0, "A2970020310320"},
                           {{"show", "@0", "--json"}, 0, playlistOf.arg("PROGRAM/sounds/ring.mp3")}}
            << QStringList{"A2970020310320 appointment on 08:15:00 2031-03-20 "}
            << QStringList{"A2970020310320@2031-03-20 08:15:00"};
        QTest::newRow("fresh home: a command alarm has no sound")
            << true << kFriday << QStringList{}
            << QList<Step>{{{"add", "--time", "12:00", "--command", "/bin/true"}, 0, "5529600"},
                           {{"show", "@0", "--json"}, 0, "\"sounds\": [\n    ]"}}
            << QStringList{"5529600 command on 12:00:00   {/bin/true::}"} << QStringList{"5529600@2031-03-07 12:00:00"};
    }
    void roundTrips()
    {
        QFETCH(bool, fresh);
        QFETCH(QString, now);
        QFETCH(QStringList, env);
        QFETCH(QList<Step>, steps);
        QFETCH(QStringList, alarms);
        QFETCH(QStringList, schedule);
        if (fresh)
            FreshHome();
        m_now = now;
        m_env = env;
        QStringList printed;
        for (int i = 0; i < steps.size(); ++i) {
            QStringList args = steps[i].args;
            for (QString& a : args) {
                a.replace("SOUND", m_sound).replace("TIME", "time");
                if (a.startsWith('@'))
                    a = printed.value(a.mid(1).toInt());
            }
            const Run r = Tool(args);
            QVERIFY2(r.code == steps[i].code,
                     qPrintable(args.join(' ') + " -> " + QString::number(r.code) + ": " + r.err));
            // Results go to stdout; a refusal is one line on stderr.
            const QString& where = r.code != 0 && !r.err.isEmpty() ? r.err : r.out;
            const QString expected = QString(steps[i].contains)
                                         .replace("SOUND", m_sound)
                                         .replace("PROGRAM", QStringLiteral(DAWNBELL_PROGRAM_DIR));
            QVERIFY2(where.contains(expected), qPrintable(r.out + r.err));
            if (r.code != 0 && !r.err.isEmpty())
                QVERIFY2(r.err.count('\n') == 1 && r.err.startsWith("dawnbell-alarm: "), qPrintable(r.err));
            printed << r.out.trimmed();
        }
        QCOMPARE(Alarms(), alarms);
        QCOMPARE(Schedule(), schedule);
    }

    // Every value of the field table that the tool shows, set through its option
    // and read back in both forms and from the store, each with a value of its
    // own, so a value shown, taken or stored in another's place shows here. The
    // expected names and values are written out below, not taken from the table;
    // a value the table gives the tool without a row here fails the test.
    void everyValueRoundTrips_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<Shown>>("shown");
        QTest::newRow("a ringing alarm, every value its own")
            << int(AlarmCompact)
            << QStringList{"--time", "06:50", "--title", "Tango", "--message", "Mike", "--sound", "SOUND", "--sound",
                           "SECOND", "--snooze", "7", "--quiz", "4", "--no-vibrate", "--volume", "63"}
            << QList<Shown>{
                   {"title", "title", "Tango", "Title:      Tango", {"title=Tango"}},
                   {"message", "message", "Mike", "Message:    Mike", {"message=Mike"}},
                   {"playlistCount", "sounds", QJsonArray{"SOUND", "SECOND"}, "Sounds:     SOUND\n            SECOND",
                    {"playlistCount=2", "playlist0=SOUND", "playlist1=SECOND"}},
                   {"snooze", "snooze_seconds", 420, "Snooze:     420 s", {"snooze=420", "useSnooze=1"}},
                   {"quiz", "quiz", 4, "Quiz:       from snooze 4", {"quiz=4"}},
                   {"vibrate", "vibrate", false, "Vibrate:    no", {"vibrate=0"}},
                   {"volume", "volume", 63, "Volume:     63%", {"volume=63", "forceVolume=1"}}};
        QTest::newRow("a ringing alarm with snooze and quiz off, the volume forced to nothing")
            << int(AlarmCompact)
            << QStringList{"--time", "07:10", "--sound", "SOUND", "--no-snooze", "--quiz", "0", "--vibrate",
                           "--volume", "0"}
            << QList<Shown>{{"title", "title", "", "Title:", {"title="}},
                            {"message", "message", "", "Message:", {"message="}},
                            {"playlistCount", "sounds", QJsonArray{"SOUND"}, "Sounds:     SOUND", {"playlistCount=1"}},
                            {"snooze", "snooze_seconds", 0, "Snooze:     off", {"useSnooze=0"}},
                            {"quiz", "quiz", 0, "Quiz:       never", {"quiz=0"}},
                            {"vibrate", "vibrate", true, "Vibrate:    yes", {"vibrate=1"}},
                            {"volume", "volume", 0, "Volume:     0%", {"volume=0", "forceVolume=1"}}};
        QTest::newRow("a command alarm: its command, no ringing values")
            << int(AlarmCommand)
            << QStringList{"--time", "12:05", "--title", "Backup", "--message", "Nightly", "--command",
                           "/bin/echo \"two words\" 3"}
            << QList<Shown>{{"title", "title", "Backup", "Title:      Backup", {"title=Backup"}},
                            {"message", "message", "Nightly", "Message:    Nightly", {"message=Nightly"}},
                            {"command", "command", "/bin/echo::\"two words\" 3",
                             "Command:    /bin/echo::\"two words\" 3", {"command=/bin/echo::\"two words\" 3"}}};
    }
    void everyValueRoundTrips()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, args);
        QFETCH(QList<Shown>, shown);
        const QString second = m_home.filePath("wind.mp3");
        {
            QFile f(second);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("ID3");
        }
        const auto place = [&](QString text) { return text.replace("SOUND", m_sound).replace("SECOND", second); };
        for (QString& a : args)
            a = place(a);
        const Run added = Tool(QStringList{"add"} + args);
        QVERIFY2(added.code == 0, qPrintable(added.err));
        const QString key = added.out.trimmed();
        const Run json = Tool({"show", key, "--json"});
        const Run text = Tool({"show", key});
        QCOMPARE(json.code, 0);
        QCOMPARE(text.code, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(Profile::ReadInt(key, "type", -1), kind);

        // The table's values the tool shows for this kind are those listed here.
        QStringList inTable, listed;
        for (const ToolField& f : ToolFields()) {
            if (f.AppliesTo(kind))
                inTable << f.row;
        }
        for (const Shown& s : shown)
            listed << s.row;
        QCOMPARE(inTable, listed);

        for (const Shown& s : shown) {
            const ToolField* field = nullptr;
            for (const ToolField& f : ToolFields()) {
                if (s.row == QLatin1String(f.row))
                    field = &f;
            }
            QVERIFY2(field, qPrintable(s.row));
            QCOMPARE(QString(field->json), s.json);
            QJsonValue expected = s.value;
            if (expected.isString())
                expected = place(expected.toString());
            if (expected.isArray()) {
                QJsonArray paths;
                for (const QJsonValue& p : expected.toArray())
                    paths.append(place(p.toString()));
                expected = paths;
            }
            QVERIFY2(object.contains(s.json), qPrintable(s.json));
            QCOMPARE(object[s.json], expected);
            // Whole lines (a playlist's later sounds on lines of their own, under the first).
            QVERIFY2(("\n" + text.out).contains("\n" + place(s.line) + "\n"), qPrintable(place(s.line) + " in\n" + text.out));
            for (const QString& value : s.stored) {
                const QString name = value.section('=', 0, 0);
                const QString want = place(value.section('=', 1));
                bool number = false;
                const int n = want.toInt(&number);
                if (number)
                    QCOMPARE(Profile::ReadInt(key, name, -1), n);
                else
                    QCOMPARE(Profile::ReadText(key, name, "(missing)"), want);
            }
        }
        RegCloseStore();
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown day name") << QStringList{"add", "--time", "07:00", "--days", "mo,xx"} << 2
                                          << "unknown day name \"xx\"";
        QTest::newRow("25:00") << QStringList{"add", "--time", "25:00"} << 2 << "invalid time \"25:00\"";
        QTest::newRow("a sound file that does not exist")
            << QStringList{"add", "--time", "07:00", "--sound", "/nonexistent/birds.mp3"} << 1
            << "the sound file \"/nonexistent/birds.mp3\" does not exist";
        QTest::newRow("enable: a key that does not exist") << QStringList{"enable", "999"} << 1
                                                           << "no alarm has the key";
        QTest::newRow("remove: a key that does not exist") << QStringList{"remove", "999"} << 1
                                                           << "no alarm has the key";
        QTest::newRow("test: a template is no alarm") << QStringList{"test", "TTea time"} << 1
                                                      << "no alarm has the key";
        QTest::newRow("a huge title") << QStringList{"add", "--time", "07:00", "--title", QString(1001, 'x')} << 2
                                      << "longer than 1000 characters";
        QTest::newRow("a huge argument") << QStringList{"show", QString(5000, '1')} << 2 << "longer than 4096";
        QTest::newRow("a clash with the stored alarm") << QStringList{"add", "--time", "06:45"} << 1
                                                       << "An alarm at that time already exists!";
        QTest::newRow("a clash names the alarm that holds the time")
            << QStringList{"add", "--time", "06:45", "--days", "tu", "--title", "Gym"} << 1
            << "It is held by \"Work\" (key 3110431)";
        QTest::newRow("a folder given as the sound") << QStringList{"add", "--time", "07:00", "--sound", "FOLDER"} << 1
                                                     << "/music\" is a folder, not a sound file";
        QTest::newRow("import: a folder") << QStringList{"import-template", "FOLDER"} << 1
                                          << "/music\" is a folder, not a template file";
        QTest::newRow("import: a template file that does not exist")
            << QStringList{"import-template", "/nonexistent/mist.atf"} << 1
            << "the template file \"/nonexistent/mist.atf\" does not exist";
        QTest::newRow("a date in the past") << QStringList{"add", "--date", "2031-03-06", "--time", "10:00"} << 1
                                            << "The time of the alarm is in the past!";
        QTest::newRow("a date that does not exist") << QStringList{"add", "--date", "2031-02-29", "--time", "10:00"}
                                                    << 2 << "invalid date";
        QTest::newRow("a time the spring change skips")
            << QStringList{"add", "--date", "2031-03-30", "--time", "02:30"} << 1 << "does not exist on 2031-03-30";
        QTest::newRow("a relative time of a day or more") << QStringList{"add", "--in", "24h"} << 2
                                                          << "invalid relative time";
        QTest::newRow("--time and --in") << QStringList{"add", "--time", "07:00", "--in", "5m"} << 2
                                         << "exclude each other";
        QTest::newRow("no such template") << QStringList{"add", "--from-template", "Coffee"} << 1
                                          << "no template is named \"Coffee\"";
        QTest::newRow("a dated wizard template") << QStringList{"add", "--from-template", "Tea time", "--date",
                                                                "2031-04-01"}
                                                 << 2 << "--date needs an appointment template";
        QTest::newRow("a program that does not exist")
            << QStringList{"add", "--time", "07:00", "--command", "no-such-program-anywhere"} << 1
            << "no program or file is named";
        QTest::newRow("a document given arguments")
            << QStringList{"add", "--time", "07:00", "--command", "SOUND -x"} << 2 << "takes no arguments";
        QTest::newRow("a command alarm with a sound")
            << QStringList{"add", "--time", "07:00", "--command", "/bin/true", "--sound", "SOUND"} << 2
            << "--sound does not apply";
        QTest::newRow("an unknown option") << QStringList{"list", "--all"} << 2 << "unknown option \"--all\"";
        QTest::newRow("an unknown command") << QStringList{"delete", "1"} << 2 << "unknown command \"delete\"";
        QTest::newRow("no command") << QStringList{} << 2 << "no command given";
        QTest::newRow("a missing value") << QStringList{"add", "--time"} << 2 << "--time needs a value";
        QTest::newRow("export: no such template") << QStringList{"export-template", "Coffee", "x.atf"} << 1
                                                  << "no template is named \"Coffee\"";
        QTest::newRow("export: a folder that does not exist")
            << QStringList{"export-template", "Tea time", "/nonexistent/tea.atf"} << 1 << "";
        QTest::newRow("import: not a template file") << QStringList{"import-template", "SOUND"} << 1
                                                     << "File has no valid template file format!";
        // Only regular files are read and written, and nothing waits on a FIFO.
        QTest::newRow("import: a FIFO") << QStringList{"import-template", "FIFO"} << 1
                                        << "/fifo: not a regular file (a FIFO)";
        QTest::newRow("import: a device") << QStringList{"import-template", "/dev/zero"} << 1
                                          << "not a regular file (a device)";
        QTest::newRow("export: to a FIFO") << QStringList{"export-template", "Tea time", "FIFO"} << 1
                                           << "/fifo: not a regular file (a FIFO)";
        QTest::newRow("export: a FIFO as the sound") << QStringList{"export-template", "Fifo sound", "OUT"} << 1
                                                     << "/fifo: not a regular file (a FIFO)";
        QTest::newRow("export: a device as the sound") << QStringList{"export-template", "Zero sound", "OUT"} << 1
                                                       << "/dev/zero: not a regular file (a device)";
        QTest::newRow("an option given twice") << QStringList{"add", "--time", "07:00", "--time", "08:00"} << 2
                                               << "--time is given twice";
    }
    void badInputChangesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const Run added = Tool({"add", "--time", "06:45", "--days", "weekdays", "--title", "Work", "--sound", m_sound});
        QCOMPARE(added.code, 0);
        // A FIFO (nobody writes to it), and templates whose sound is one or a device.
        const QString fifo = m_home.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QDir(m_home.path()).mkdir("music"));
        const QString out = m_home.filePath("out.atf");
        for (const auto& [name, sound] : {std::pair{"Fifo sound", fifo}, std::pair{"Zero sound", QString("/dev/zero")}}) {
            if (!args.contains(name))
                continue;
            AlarmTemplate t;
            t.name = name;
            t.SetPlaylist({sound});
            t.Save();
            RegCloseStore();
        }
        const QString before = State();
        QVERIFY(before.contains("Tea time") && before.contains("3110431@"));
        for (QString& a : args) {
            a.replace("SOUND", m_sound);
            a.replace("FIFO", fifo);
            a.replace("OUT", out);
            a.replace("FOLDER", m_home.filePath("music"));
        }
        const Run r = Tool(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.startsWith("dawnbell-alarm: ") && r.err.contains(message), qPrintable(r.err));
        QCOMPARE(State(), before);
        struct stat st;
        QVERIFY(::lstat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QVERIFY(!QFile::exists(out));
    }

    void templateFilesRoundTrip()
    {
        // A program folder of its own, so extracted sounds land in this test's home.
        const QString bin = m_home.filePath("bin");
        const QString tool = bin + "/dawnbell-alarm";
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::copy(kTool, tool));
        const QString file = m_home.filePath("tea.atf");

        Run r = Tool({"export-template", "TEA TIME", file}, QString(), tool);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Template successfully exported.\n"));
        QVERIFY(QFileInfo(file).size() > 0);

        // The name is taken: the copy gets a free one, with the template's values and sound.
        r = Tool({"import-template", file}, QString(), tool);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Tea time (1): Template successfully imported as \"Tea time (1)\": a template "
                                       "named \"Tea time\" already exists.\n"));
        const QJsonArray templates =
            QJsonDocument::fromJson(Tool({"list", "--json", "--templates"}).out.toUtf8()).object()["templates"].toArray();
        QCOMPARE(templates.size(), 2);
        const QJsonObject copy = templates[1].toObject();
        QCOMPARE(copy["name"].toString(), QStringLiteral("Tea time (1)"));
        QCOMPARE(copy["title"].toString(), QStringLiteral("Tea is ready"));
        QCOMPARE(copy["snooze_seconds"].toInt(), 420);
        const QString sound = bin + "/sounds/birds.mp3";
        QCOMPARE(copy["sounds"].toArray(), QJsonArray{sound});

        // An existing sound is kept unless --overwrite is given.
        auto content = [&sound] {
            QFile f(sound);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QCOMPARE(content(), QByteArray("ID3"));
        {
            QFile f(sound);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("changed");
        }
        QCOMPARE(Tool({"import-template", "--keep", file}, QString(), tool).code, 0);
        QCOMPARE(content(), QByteArray("changed"));
        QCOMPARE(Tool({"import-template", "--overwrite", file}, QString(), tool).code, 0);
        QCOMPARE(content(), QByteArray("ID3"));

        // A template is removed by its key; its sound stays.
        QCOMPARE(Tool({"remove", "TTea time (1)"}).code, 0);
        QCOMPARE(Tool({"remove", "Ttea time (2)"}).code, 0);
        const QString left = Tool({"list", "--templates", "--keys"}).out;
        QCOMPARE(left, QStringLiteral("TTea time\nTTea time (3)\n"));
        QVERIFY(QFile::exists(sound));
        QVERIFY(QFile::exists(file));

        // A link planted where the sound goes is replaced as a link: --overwrite
        // never writes the file it points to.
        const QString outside = m_home.filePath("precious.mp3");
        {
            QFile f(outside);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("precious");
        }
        QVERIFY(QFile::remove(sound) && QFile::link(outside, sound));
        QCOMPARE(Tool({"import-template", "--overwrite", file}, QString(), tool).code, 0);
        QVERIFY(!QFileInfo(sound).isSymLink());
        QCOMPARE(content(), QByteArray("ID3"));
        QFile precious(outside);
        QVERIFY(precious.open(QIODevice::ReadOnly));
        QCOMPARE(precious.readAll(), QByteArray("precious"));
        QCOMPARE(QDir(bin + "/sounds").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"birds.mp3"});
    }

    void unusableStoreIsExitThree_data()
    {
        QTest::addColumn<int>("damage"); // test::Damage, or -1: the home is a file
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says"); // on stdout for exit 0, else on stderr
        const QStringList add{"add", "--time", "06:45", "--title", "Work"};
        QTest::newRow("home is a file") << -1 << QStringList{"list"} << 3 << "cannot be opened";
        QTest::newRow("bad header") << int(test::Damage::BadHeader) << QStringList{"list"} << 3 << "is damaged";
        QTest::newRow("damaged pages") << int(test::Damage::DamagedPages) << QStringList{"list"} << 3 << "is damaged";
        QTest::newRow("read-only: list") << int(test::Damage::ReadOnly) << QStringList{"list", "--templates"} << 0
                                         << "Tea time";
        QTest::newRow("read-only: add") << int(test::Damage::ReadOnly) << add << 3 << "is read-only";
    }
    void unusableStoreIsExitThree()
    {
        QFETCH(int, damage);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        QString home = m_home.path();
        if (damage < 0) {
            home = m_home.filePath("not-a-folder");
            QFile f(home);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else {
            QVERIFY(test::FillStore());
            QVERIFY(test::DamageStore(home, test::Damage(damage)));
        }
        const Run r = Tool(args, home);
        QCOMPARE(r.code, code);
        if (code == 0) {
            QVERIFY2(r.out.contains(says), qPrintable(r.out));
        } else {
            QVERIFY2(r.err.split('\n', Qt::SkipEmptyParts).filter(says).size() == 1, qPrintable(r.err));
        }
    }

    void helpOnEveryCommand()
    {
        const Run tool = Tool({"--help"});
        QCOMPARE(tool.code, 0);
        const QStringList commands{"list",   "show", "next",            "add",             "enable", "disable",
                                   "remove", "test", "snooze", "stop", "export-template", "import-template", "doctor", "help"};
        for (const QString& c : commands) {
            QVERIFY2(tool.out.contains("  " + c), qPrintable(c));
            const Run r = Tool({c, "--help"});
            QCOMPARE(r.code, 0);
            QVERIFY2(r.out.startsWith("Usage: dawnbell-alarm " + c), qPrintable(r.out));
            QVERIFY(r.err.isEmpty());
            QCOMPARE(Tool({"help", c}).out, r.out);
        }
        // Help wins over a bad option, and needs no store.
        const Run bad = Tool({"add", "--bogus", "--help"}, m_home.filePath("nothing-here/x"));
        QCOMPARE(bad.code, 0);
        QVERIFY(bad.out.contains("--from-template"));
    }

    // Programs that start on a new machine at the same moment write the
    // first-launch defaults once: half of the tools here run in German, half in
    // French, so a second writing would add five templates and 29 colours
    // under other names. This process holds the store's write lock while the
    // tools start, so they all come to their first use before any has written.
    void firstUseAtOnceWritesTheDefaultsOnce()
    {
        for (int round = 0; round < 2; ++round) {
            FreshHome();
            std::vector<std::unique_ptr<QProcess>> tools;
            {
                RegWriteBatch held;
                for (int i = 0; i < 6; ++i) {
                    auto p = std::make_unique<QProcess>();
                    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                    env.insert("DAWNBELL_NOW", m_now);
                    env.insert("DAWNBELL_LANGID", i % 2 ? "12" : "7");
                    p->setProcessEnvironment(env);
                    p->start(kTool, {"list", "--templates"});
                    tools.push_back(std::move(p));
                }
                QTest::qWait(3000); // well within the tools' 10 s wait for the lock
            }
            for (auto& p : tools) {
                QVERIFY(p->waitForFinished(30000));
                QCOMPARE(p->exitCode(), 0);
                QVERIFY2(p->readAllStandardError().isEmpty(), "no tool found the store refused");
            }
            RegCloseStore();
            std::vector<std::unique_ptr<Alarm>> alarms;
            std::vector<std::unique_ptr<AlarmTemplate>> templates;
            AlarmStore::LoadAll(&alarms, &templates);
            QStringList names;
            for (const auto& t : templates)
                names << t->name;
            const QString language = Profile::ReadText("settings", "languageFile", "|");
            const bool german = language == QStringLiteral("deutsch");
            QVERIFY2(german || language == QStringLiteral("français"), qPrintable(language));
            QCOMPARE(names.size(), 5);
            QVERIFY2(names.contains(german ? "Morgennebel" : "Brume matinale"), qPrintable(names.join(", ")));
            RegKey colors;
            uint32_t subkeys = 0, values = 0;
            QCOMPARE(RegKey::Open(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings\\colors", &colors),
                     RegOk);
            QCOMPARE(colors.QueryInfo(&subkeys, &values), RegOk);
            QCOMPARE(values, 29u);
            QCOMPARE(Profile::ReadInt("settings", "firstLaunch", -1), 0);
            RegCloseStore();
        }
    }

    void jsonNamesEveryField()
    {
        QCOMPARE(Tool({"add", "--date", "2031-03-20", "--time", "08:15", "--title", "Dentist", "--message", "Room 2",
                       "--sound", m_sound, "--snooze", "9", "--quiz", "4", "--no-vibrate", "--volume", "70"})
                     .code,
                 0);
        const QJsonObject a = QJsonDocument::fromJson(Tool({"show", "A2970020310320", "--json"}).out.toUtf8()).object();
        const QJsonObject expected{{"key", "A2970020310320"},     {"kind", "appointment"},
                                   {"active", true},              {"time", "08:15:00"},
                                   {"days", QJsonArray()},        {"date", "2031-03-20"},
                                   {"title", "Dentist"},          {"message", "Room 2"},
                                   {"sounds", QJsonArray{m_sound}}, {"snooze_seconds", 540},
                                   {"quiz", 4},                   {"vibrate", false},
                                   {"volume", 70},                {"command", ""},
                                   {"next", "2031-03-20T08:15:00"}, {"remaining_seconds", 13 * 86400 - 45 * 60}};
        QCOMPARE(a, expected);
        const QJsonObject next = QJsonDocument::fromJson(Tool({"next", "--json"}).out.toUtf8()).object();
        QCOMPARE(next["status"].toString(), QStringLiteral("Next alarm: 311:15:00"));
        QCOMPARE(next["alarm"].toObject(), expected);
        const QJsonObject t =
            QJsonDocument::fromJson(Tool({"list", "--json", "--templates"}).out.toUtf8()).object()["templates"]
                .toArray()
                .first()
                .toObject();
        QCOMPARE(t["name"].toString(), QStringLiteral("Tea time"));
        QCOMPARE(t["key"].toString(), QStringLiteral("TTea time"));
        QCOMPARE(t["snooze_seconds"].toInt(), 420);
        QVERIFY(!t.contains("active") && !t.contains("next"));
    }

    void runningWindowFollowsTheShell()
    {
        // The main window as the program runs it, answering on the command channel;
        // the tool talks to it because it names this process's executable.
        m_env << "DAWNBELL_EXECUTABLE=" + QCoreApplication::applicationFilePath();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        Profile::SetRegistryKey("Torvane");
        int rings = 0;
        MainWindowServices services;
        services.ring = [&rings](Alarm*, QWidget*) { ++rings; };
        CMainDialog window(services);
        window.show();
        CommandServer::Handlers handlers;
        handlers.copyData = [&window](int code, const QString& key) { return window.OnCopyData(code, key); };
        CommandServer server(handlers);
        QVERIFY(server.Listen());
        QCOMPARE(window.list()->Count(), 0);
        QCOMPARE(Tool({"list"}).code, 0); // the first-launch defaults are written before the add is counted

        // The add reads the store twice in all (the tool's load, the window's
        // reload) and rebuilds the schedule once (the tool; the window, told
        // that it was rebuilt, does not again). The tool reports its counts.
        m_env << QStringLiteral("%1=1").arg(QLatin1String(AlarmChanges::kTraceVariable));
        const AlarmChangeTrace before = AlarmChanges::Trace();
        const Run added =
            Tool({"add", "--time", "06:45", "--days", "weekdays", "--title", "Work", "--sound", m_sound});
        m_env.removeLast();
        QCOMPARE(added.code, 0);
        const QString key = added.out.trimmed();
        QTRY_COMPARE_WITH_TIMEOUT(Titles(window.list()), QStringList{"Work"}, 1000);
        QVERIFY(window.statusText().startsWith("Next alarm: "));
        QVERIFY2(added.err.contains("change trace (dawnbell-alarm): loads=1 saves=1 rebuilds=1 simulation=0"),
                 qPrintable(added.err));
        QCOMPARE(AlarmChanges::Trace().loads - before.loads, uint64_t(1));
        QCOMPARE(AlarmChanges::Trace().rebuilds - before.rebuilds, uint64_t(0));
        QCOMPARE(AlarmChanges::Trace().saves - before.saves, uint64_t(0));

        // A test rings in the window and changes nothing.
        QCOMPARE(Tool({"test", key}).code, 0);
        QTRY_COMPARE(rings, 1);
        QCOMPARE(window.list()->AlarmAt(0)->activated, 1);

        QCOMPARE(Tool({"disable", key}).code, 0);
        QTRY_COMPARE_WITH_TIMEOUT(window.list()->AlarmAt(0)->activated, 0, 1000);
        QCOMPARE(window.statusText(), QStringLiteral("No active alarm."));

        QCOMPARE(Tool({"remove", key}).code, 0);
        QTRY_COMPARE_WITH_TIMEOUT(window.list()->Count(), 0, 1000);

        // A writer that tells nobody (the raw registry tool): the window's next
        // command works on the store as it is now and never writes back the copy
        // it loaded. The alarm removed behind its back is not brought back by a
        // switch from the today item, and a changed title is what the list shows.
        const QString kept = Tool({"add", "--time", "07:10", "--title", "Kept", "--sound", m_sound}).out.trimmed();
        const QString gone = Tool({"add", "--time", "07:20", "--title", "Gone", "--sound", m_sound}).out.trimmed();
        QTRY_COMPARE_WITH_TIMEOUT(window.list()->Count(), 2, 1000);
        const QString root = "HKCU\\Software\\Torvane\\Dawnbell\\";
        QCOMPARE(Tool({"delete", root + gone}, QString(), kRegTool).code, 0);
        QCOMPARE(Tool({"add", root + kept, "title", "sz", "Renamed"}, QString(), kRegTool).code, 0);
        window.OnCopyData(CMainDialog::CopyDeactivate, gone);
        window.OnCopyData(CMainDialog::CopyDeactivate, kept);
        QCOMPARE(Titles(window.list()), QStringList{"Renamed"});
        QCOMPARE(window.list()->AlarmAt(0)->activated, 0);
        RegCloseStore();
        QVERIFY(!AlarmStore::LoadSection(gone));
        const std::unique_ptr<Alarm> stored = AlarmStore::LoadSection(kept);
        QVERIFY(stored);
        QCOMPARE(stored->title, QStringLiteral("Renamed"));
        QCOMPARE(stored->activated, 0);
        server.Close();
    }

    // The doctor on a real setup: the service started by the tool, a sound server
    // with a null output, an autostart entry, and stand-ins for a service manager
    // and logind that do not answer. Each row breaks one thing; the doctor must
    // name exactly that one as a problem, and nothing when all is well.
    void doctorNamesWhatKeepsAnAlarmSilent_data()
    {
        QTest::addColumn<QString>("fault");   // what is broken before the doctor looks
        QTest::addColumn<int>("code");        // its exit code
        QTest::addColumn<QString>("problem"); // the one problem line holds this ("@tea": the next alarm's key)
        QTest::newRow("a running service and a scheduled alarm are all well") << "" << 0 << "";
        QTest::newRow("all well, and the service manager names the session's display")
            << "manager display" << 0 << "";
        QTest::newRow("the service is not running")
            << "stop service" << 1 << "problem: the notification service is not running";
        QTest::newRow("the next alarm lost its start in the schedule")
            << "clear record" << 1 << "problem: the next alarm, @tea \"Tea\", due 2031-03-07 17:00:00";
        QTest::newRow("a missed alarm not seen yet")
            << "missed" << 1 << "problem: missed alarm @tea \"Dentist\", due 2031-03-06 08:15";
    }
    void doctorNamesWhatKeepsAnAlarmSilent()
    {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(QString, problem);
        test::SoundServer sound;
        if (const QString why = sound.Start(m_home.filePath("pulse")); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QString config = m_home.filePath("config");
        QVERIFY(QDir().mkpath(config + "/autostart"));
        QFile entry(config + "/autostart/dawnbell-notifyd.desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Dawnbell alarm service\nExec=dawnbell-notifyd\n");
        entry.close();
        m_env << "PULSE_SERVER=" + sound.address() << "XDG_CONFIG_HOME=" + config << "DAWNBELL_LOGINCTL=false";
        // A session manager that names a Wayland display whose socket is there.
        QString manager = QStringLiteral("false");
        int display = -1;
        if (fault == "manager display") {
            manager = m_home.filePath("systemctl");
            QFile script(manager);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n[ \"$2\" = show-environment ] && printf 'WAYLAND_DISPLAY=wayland-77\\nXDG_SESSION_TYPE=wayland\\n'\n");
            script.close();
            QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
            display = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = m_home.filePath("wayland-77").toUtf8();
            std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
            QCOMPARE(::bind(display, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        }
        const auto closeDisplay = qScopeGuard([display] {
            if (display >= 0)
                ::close(display);
        });
        m_env << "DAWNBELL_SYSTEMCTL=" + manager;

        // Work rings on weekdays (next: Monday), Tea once today at 17:00: Tea is next.
        const Run work = Tool({"add", "--time", "06:45", "--days", "weekdays", "--title", "Work", "--sound", m_sound});
        const Run tea = Tool({"add", "--time", "17:00", "--title", "Tea", "--sound", m_sound});
        QCOMPARE(work.code, 0);
        QCOMPARE(tea.code, 0);
        const QString teaKey = tea.out.trimmed();
        QVERIFY(notify::NotifyDaemonPid() > 0);

        if (fault == "stop service") {
            const pid_t pid = notify::NotifyDaemonPid();
            QCOMPARE(::kill(pid, SIGTERM), 0);
            QTRY_COMPARE_WITH_TIMEOUT(notify::NotifyDaemonPid(), pid_t(0), 5000);
        } else if (fault == "clear record") {
            notify::NotifyCloseStore();
            std::vector<notify::NotifyRecord> records;
            QCOMPARE(notify::NotifyList(&records), notify::NotifyOk);
            int cleared = 0;
            for (const notify::NotifyRecord& r : records) {
                if (QString::fromStdString(r.trigger.arguments) == teaKey)
                    cleared += notify::NotifyClear(r.handle) == notify::NotifyOk;
            }
            QCOMPARE(cleared, 1);
        } else if (fault == "missed") {
            notify::MissedAlarm missed;
            missed.application = kProgram.toStdString();
            missed.arguments = teaKey.toStdString();
            missed.due = clock::ToLocal(clock::MakeLocal(2031, 3, 6, 8, 15, 0));
            missed.noticed = clock::MakeLocal(2031, 3, 6, 11, 40, 0);
            missed.title = "Dentist";
            missed.reason = "the device was off";
            bool added = false;
            QCOMPARE(notify::NotifyRecordMissed(missed, &added), notify::NotifyOk);
            QVERIFY(added);
        }

        const Run r = Tool({"doctor"});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QStringList problems;
        for (const QString& line : lines) {
            QVERIFY2(line.startsWith("ok: ") || line.startsWith("warning: ") || line.startsWith("problem: "),
                     qPrintable(line));
            if (line.startsWith("problem: "))
                problems << line;
        }
        if (problem.isEmpty()) {
            QVERIFY2(problems.isEmpty(), qPrintable(r.out));
            for (const QString& ok : {QString("ok: the notification service runs (process %1")
                                          .arg(notify::NotifyDaemonPid()),
                                      QString("ok: the autostart entry " + entry.fileName()),
                                      QString("ok: sound output: the sound server pulseaudio"),
                                      QString("ok: the next alarm, " + teaKey +
                                              " \"Tea\", due 2031-03-07 17:00:00 (in 8:00:00), is in the schedule"),
                                      QString("ok: no missed alarm waits to be seen")})
                QVERIFY2(r.out.contains(ok), qPrintable(ok + "\n" + r.out));
            const QString opens = QStringLiteral("ok: an alarm ringing now opens its window");
            QVERIFY2(r.out.contains(opens) == (display >= 0), qPrintable(r.out));
            if (display >= 0)
                QVERIFY2(r.out.contains("wayland-77"), qPrintable(r.out));
        } else {
            problem.replace("@tea", teaKey);
            QCOMPARE(problems.size(), 1);
            QVERIFY2(problems[0].startsWith(problem) && problems[0].contains(" — fix: "),
                     qPrintable(problems[0]));
        }
        // The same findings as JSON, for scripts.
        const Run json = Tool({"doctor", "--json"});
        QCOMPARE(json.code, code);
        const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(o["healthy"].toBool(), code == 0);
        QCOMPARE(o["problems"].toInt(), problems.size());
        // The service ends before its home is removed, so it takes nothing out of
        // a folder being removed (its socket, after it has let go of its lock).
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0) {
            ::kill(pid, SIGTERM);
            const auto gone = [pid] {
                QFile stat(QString("/proc/%1/stat").arg(pid));
                return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
            };
            QTRY_VERIFY_WITH_TIMEOUT(gone(), 5000);
        }
    }

    void bashCompletion()
    {
        QCOMPARE(Tool({"add", "--time", "06:45", "--title", "Work", "--sound", m_sound}).code, 0);
        const QString script = QStringLiteral(DAWNBELL_PROGRAM_DIR "/completions/dawnbell-alarm");
        QVERIFY(QFile::exists(script));
        auto complete = [&](const QStringList& words) {
            QProcess bash;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("DAWNBELL_NOW", m_now);
            bash.setProcessEnvironment(env);
            QStringList quoted;
            for (const QString& w : words)
                quoted << "'" + w + "'";
            bash.start("bash", {"-c", QString("source '%1'; COMP_WORDS=('%2' %3); COMP_CWORD=%4; _dawnbell_alarm; "
                                              "printf '%s\\n' \"${COMPREPLY[@]}\"")
                                      .arg(script, kTool, quoted.join(' '))
                                      .arg(words.size())});
            bash.waitForFinished(20000);
            return QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        };
        QCOMPARE(complete({"en"}), QStringList{"enable"});
        QCOMPARE(complete({"disable", ""}), QStringList{"3110400"});
        QCOMPARE(complete({"add", "--from-template", "T"}), QStringList{"Tea\\ time"});
        QCOMPARE(complete({"add", "--no-"}), (QStringList{"--no-snooze", "--no-vibrate"}));
    }
};

QTEST_MAIN(AlarmToolTest)
#include "AlarmToolTest.moc"
