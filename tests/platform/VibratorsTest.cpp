// The device's vibrators through their one interface (FindVibrators): a fake
// sysfs tree (DAWNBELL_SYSFS) with LED class devices, a fake /dev/input
// (DAWNBELL_DEVINPUT) that holds no real input devices, and a scripted haptics
// service (feedbackd's interface) on a private message bus.
#include "FeedbackdVibrator.h"
#include "ForceFeedbackVibrator.h"
#include "TestServers.h"
#include "Vibrator.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

using namespace dawnbell;

namespace {

struct FakeLed {
    QString name;
    QString maxBrightness; // file content; null = no max_brightness file
};

bool WriteFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool SetAll(const std::vector<std::unique_ptr<Vibrator>>& vibrators, bool on)
{
    bool all = true;
    for (const auto& v : vibrators)
        all = v->Set(on) && all;
    return all;
}

QStringList Names(const std::vector<std::unique_ptr<Vibrator>>& vibrators)
{
    QStringList names;
    for (const auto& v : vibrators)
        names << QString::fromStdString(v->Kind() + ":" + v->Name());
    return names;
}

} // namespace

// feedbackd as far as a vibrator uses it, on its own thread (the vibrator's
// calls block the test's thread until answered). Ids start at 41 so that an id
// the vibrator lost or made up shows.
class FakeFeedbackd : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.sigxcpu.Feedback")
public:
    QStringList Calls() const
    {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    // How it answers TriggerFeedback: "yes", "refuse" (an error) or "hang" (never).
    void Answer(const QString& answer)
    {
        QMutexLocker lock(&mutex_);
        answer_ = answer;
    }

public slots:
    uint TriggerFeedback(const QString& appId, const QString& event, const QVariantMap& hints, int timeout)
    {
        QMutexLocker lock(&mutex_);
        if (answer_ == QLatin1String("refuse")) {
            calls_ << QStringLiteral("refused %1").arg(event);
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not now"));
            return 0;
        }
        if (answer_ == QLatin1String("hang")) {
            calls_ << QStringLiteral("held %1").arg(event);
            setDelayedReply(true); // and never answered
            return 0;
        }
        const uint id = next_++;
        calls_ << QStringLiteral("trigger %1 %2 profile=%3 timeout=%4 -> %5")
                      .arg(appId, event, hints.value(QStringLiteral("profile")).toString())
                      .arg(timeout)
                      .arg(id);
        return id;
    }
    void EndFeedback(uint id)
    {
        QMutexLocker lock(&mutex_);
        calls_ << QStringLiteral("end %1").arg(id);
    }

private:
    mutable QMutex mutex_;
    QStringList calls_;
    uint next_ = 41;
    QString answer_ = QStringLiteral("yes");
};

// A force-feedback device of the kernel's own (uinput), named like a phone's
// motor: it answers effect uploads and erasures as a driver does and records
// them with every effect played, on its own thread (an upload waits for its
// answer). Its event node is made in a folder for DAWNBELL_DEVINPUT. Needs a
// usable /dev/uinput (root, or a member of its group).
class UinputRumbler {
public:
    ~UinputRumbler()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0) {
            ::ioctl(fd_, UI_DEV_DESTROY);
            ::close(fd_);
        }
    }
    // Makes the device and its node in `folder`; empty when done, else why not.
    QString Make(const QString& folder)
    {
        fd_ = ::open("/dev/uinput", O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return QStringLiteral("/dev/uinput cannot be opened (%1)")
                .arg(QString::fromLocal8Bit(std::strerror(errno)));
        uinput_setup setup;
        std::memset(&setup, 0, sizeof setup);
        setup.id.bustype = BUS_VIRTUAL;
        std::strncpy(setup.name, "dawnbell test vibrator", UINPUT_MAX_NAME_SIZE - 1);
        setup.ff_effects_max = 4;
        if (::ioctl(fd_, UI_SET_EVBIT, EV_FF) < 0 || ::ioctl(fd_, UI_SET_FFBIT, FF_RUMBLE) < 0 ||
            ::ioctl(fd_, UI_DEV_SETUP, &setup) < 0 || ::ioctl(fd_, UI_DEV_CREATE) < 0)
            return QStringLiteral("uinput made no force-feedback device");
        char sysName[64] = {};
        if (::ioctl(fd_, UI_GET_SYSNAME(sizeof sysName - 1), sysName) < 0)
            return QStringLiteral("uinput does not name its device");
        const QString sysDir = QStringLiteral("/sys/devices/virtual/input/") + QString::fromLatin1(sysName);
        const QStringList events = QDir(sysDir).entryList({QStringLiteral("event*")}, QDir::Dirs);
        if (events.isEmpty())
            return QStringLiteral("the device has no event node in ") + sysDir;
        const QList<QByteArray> numbers = ReadFile(sysDir + "/" + events[0] + "/dev").trimmed().split(':');
        if (numbers.size() != 2)
            return QStringLiteral("the event node's device numbers cannot be read");
        const QByteArray node = QFile::encodeName(folder + "/" + events[0]);
        if (::mknod(node.constData(), S_IFCHR | 0600, makedev(numbers[0].toUInt(), numbers[1].toUInt())) != 0)
            return QStringLiteral("no device node can be made in the test folder");
        const int probe = ::open(node.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0)
            return QStringLiteral("the event node cannot be opened here (%1)")
                .arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(probe);
        thread_ = std::thread([this] { Serve(); });
        return {};
    }
    QStringList Seen() const
    {
        QMutexLocker lock(&mutex_);
        return seen_;
    }

private:
    void Serve()
    {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            input_event ev;
            while (::read(fd_, &ev, sizeof ev) == ssize_t(sizeof ev)) {
                if (ev.type == EV_UINPUT && ev.code == UI_FF_UPLOAD) {
                    uinput_ff_upload upload;
                    std::memset(&upload, 0, sizeof upload);
                    upload.request_id = static_cast<__u32>(ev.value);
                    if (::ioctl(fd_, UI_BEGIN_FF_UPLOAD, &upload) < 0)
                        continue;
                    Note(QStringLiteral("upload %1 length %2")
                             .arg(upload.effect.type == FF_RUMBLE ? QStringLiteral("rumble") : QStringLiteral("other"))
                             .arg(upload.effect.replay.length));
                    upload.retval = 0;
                    ::ioctl(fd_, UI_END_FF_UPLOAD, &upload);
                } else if (ev.type == EV_UINPUT && ev.code == UI_FF_ERASE) {
                    uinput_ff_erase erase;
                    std::memset(&erase, 0, sizeof erase);
                    erase.request_id = static_cast<__u32>(ev.value);
                    if (::ioctl(fd_, UI_BEGIN_FF_ERASE, &erase) < 0)
                        continue;
                    Note(QStringLiteral("erase"));
                    erase.retval = 0;
                    ::ioctl(fd_, UI_END_FF_ERASE, &erase);
                } else if (ev.type == EV_FF) {
                    Note(QStringLiteral("play %1").arg(ev.value));
                }
            }
        }
    }
    void Note(const QString& what)
    {
        QMutexLocker lock(&mutex_);
        seen_ << what;
    }

    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable QMutex mutex_;
    QStringList seen_;
};

Q_DECLARE_METATYPE(QList<FakeLed>)

class VibratorsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_busFolder.isValid());
        // Never a real session bus: the private one, or none at all.
        m_busWhy = m_bus.Start(m_busFolder.path());
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                m_busWhy.isEmpty() ? m_bus.address().toUtf8() : QByteArray("unix:path=/nonexistent/bus"));
    }
    void cleanupTestCase() { StopService(); }
    void init()
    {
        m_root.reset(new QTemporaryDir);
        QVERIFY(QDir().mkpath(LedDir()));
        QVERIFY(QDir().mkpath(InputDir()));
        qputenv("DAWNBELL_SYSFS", m_root->filePath("sys").toUtf8());
        qputenv("DAWNBELL_DEVINPUT", InputDir().toUtf8());
    }
    void cleanup() { StopService(); }

    void vibratorsAmongLeds_data()
    {
        QTest::addColumn<QList<FakeLed>>("leds");
        QTest::addColumn<QStringList>("vibrators"); // expected, in order
        QTest::addColumn<QList<QByteArray>>("onValues");

        QTest::newRow("none at all") << QList<FakeLed>{} << QStringList{} << QList<QByteArray>{};
        QTest::newRow("only other leds")
            << QList<FakeLed>{{"green:status", "255"}, {"input3::capslock", "1"}} << QStringList{}
            << QList<QByteArray>{};
        QTest::newRow("one vibrator") << QList<FakeLed>{{"vibrator", "255"}} << QStringList{"vibrator"}
                                      << QList<QByteArray>{"255"};
        QTest::newRow("several, sorted, maximum respected")
            << QList<FakeLed>{{"white:flash", "100"}, {"vibrator", "1"}, {"Main-Vibrator", "4095"},
                              {"green:status", "255"}}
            << QStringList{"Main-Vibrator", "vibrator"} << QList<QByteArray>{"4095", "1"};
        QTest::newRow("odd maximum falls back to 1")
            << QList<FakeLed>{{"a-vibrator", QString()}, {"b-vibrator", "0"}, {"c-vibrator", "lots"},
                              {"d-vibrator", "-5"}}
            << QStringList{"a-vibrator", "b-vibrator", "c-vibrator", "d-vibrator"}
            << QList<QByteArray>{"1", "1", "1", "1"};
    }
    void vibratorsAmongLeds()
    {
        QFETCH(QList<FakeLed>, leds);
        QFETCH(QStringList, vibrators);
        QFETCH(QList<QByteArray>, onValues);
        for (const FakeLed& led : leds) {
            const QString dir = LedDir() + "/" + led.name;
            QVERIFY(QDir().mkpath(dir));
            QVERIFY(WriteFile(dir + "/brightness", "0\n"));
            if (!led.maxBrightness.isNull())
                QVERIFY(WriteFile(dir + "/max_brightness", led.maxBrightness.toUtf8() + "\n"));
        }

        const std::vector<std::unique_ptr<Vibrator>> found = FindVibrators();
        QStringList expected;
        for (const QString& v : vibrators)
            expected << "led:" + v;
        QCOMPARE(Names(found), expected);

        QVERIFY(SetAll(found, true));
        for (int i = 0; i < vibrators.size(); ++i)
            QCOMPARE(ReadFile(LedDir() + "/" + vibrators[i] + "/brightness"), onValues[i]);
        // LEDs that are not vibrators are never touched.
        for (const FakeLed& led : leds)
            if (!vibrators.contains(led.name))
                QCOMPARE(ReadFile(LedDir() + "/" + led.name + "/brightness"), QByteArray("0\n"));

        QVERIFY(SetAll(found, false));
        for (const QString& v : vibrators)
            QCOMPARE(ReadFile(LedDir() + "/" + v + "/brightness"), QByteArray("0"));
    }

    // Each vibrator drives its own device only.
    void oneVibratorLeavesTheOthers()
    {
        MakeLed("a-vibrator", "7");
        MakeLed("b-vibrator", "9");
        const std::vector<std::unique_ptr<Vibrator>> found = FindVibrators();
        QCOMPARE(found.size(), size_t(2));
        QVERIFY(found[1]->Set(true));
        QCOMPARE(ReadFile(LedDir() + "/a-vibrator/brightness"), QByteArray("0\n"));
        QCOMPARE(ReadFile(LedDir() + "/b-vibrator/brightness"), QByteArray("9"));
    }

    // The devices are found at each search: one that appears later is seen by
    // the next search, not by the vibrators found before (a ringing looks once).
    void aLaterDeviceIsSeenByTheNextSearch()
    {
        MakeLed("vibrator", "1");
        const std::vector<std::unique_ptr<Vibrator>> first = FindVibrators();
        MakeLed("second-vibrator", "1");
        QCOMPARE(first.size(), size_t(1));
        QCOMPARE(FindVibrators().size(), size_t(2));
    }

    void destructionStopsVibration()
    {
        MakeLed("vibrator", "3");
        {
            const std::vector<std::unique_ptr<Vibrator>> found = FindVibrators();
            QVERIFY(SetAll(found, true));
            QCOMPARE(ReadFile(LedDir() + "/vibrator/brightness"), QByteArray("3"));
        }
        QCOMPARE(ReadFile(LedDir() + "/vibrator/brightness"), QByteArray("0"));
    }

    void vanishedDeviceFailsQuietly()
    {
        MakeLed("vibrator", "1");
        const std::vector<std::unique_ptr<Vibrator>> found = FindVibrators();
        QCOMPARE(found.size(), size_t(1));
        QVERIFY(QDir(LedDir() + "/vibrator").removeRecursively());
        QVERIFY(!found[0]->Set(true));
        QVERIFY(!found[0]->Set(false));
    }

    // Entries of /dev/input that are not force-feedback vibrators: plain files,
    // a FIFO (never opened for writing), a folder, /dev/null (a character
    // device that is no input device).
    void inputEntriesThatAreNotVibrators()
    {
        QVERIFY(WriteFile(InputDir() + "/event0", "not a device"));
        QVERIFY(mkfifo(QFile::encodeName(InputDir() + "/event1").constData(), 0600) == 0);
        QVERIFY(QDir().mkpath(InputDir() + "/event2"));
        QVERIFY(symlink("/dev/null", QFile::encodeName(InputDir() + "/event3").constData()) == 0);
        QVERIFY(WriteFile(InputDir() + "/mice", ""));
        QVERIFY(FindVibrators().empty());
        QCOMPARE(ReadFile(InputDir() + "/event0"), QByteArray("not a device"));
    }

    // An open node that takes no rumble effect (here a pipe, as a device that
    // refuses EVIOCSFF): on fails, off has nothing to stop, and the node is
    // closed with the vibrator.
    void forceFeedbackRefusedLeavesNothingOn()
    {
        int ends[2];
        QVERIFY(::pipe(ends) == 0);
        {
            ForceFeedbackVibrator v(ends[1], "pipe-vibrator");
            QCOMPARE(QString::fromStdString(v.Kind()), QStringLiteral("force-feedback"));
            QVERIFY(!v.Set(true));
            QVERIFY(v.Set(false));
        }
        char c = 0;
        QCOMPARE(::read(ends[0], &c, 1), ssize_t(0)); // nothing written, and the writing end is closed
        ::close(ends[0]);
    }

    // A rumbling input device as the kernel offers it: found by its name and
    // force-feedback bits, one effect uploaded that runs until stopped, played
    // and stopped, and removed with the vibrator.
    void forceFeedbackDevice()
    {
        UinputRumbler device;
        const QString why = device.Make(InputDir());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        {
            const std::vector<std::unique_ptr<Vibrator>> found = FindVibrators();
            QCOMPARE(Names(found), QStringList{"force-feedback:dawnbell test vibrator"});
            QVERIFY(found[0]->Set(true));
            QVERIFY(found[0]->Set(false));
            QVERIFY(found[0]->Set(true));
        }
        QTRY_COMPARE(device.Seen(),
                     QStringList({"upload rumble length 0", "play 1", "play 0", "play 1", "play 0", "erase"}));
    }

    void missingRoots()
    {
        qputenv("DAWNBELL_SYSFS", m_root->filePath("nowhere").toUtf8());
        qputenv("DAWNBELL_DEVINPUT", m_root->filePath("nowhere/input").toUtf8());
        QVERIFY(FindVibrators().empty());
    }

    // The haptics service stands in only where no device can be driven; what
    // it is asked is feedbackd's interface (an alarm-clock event looping until
    // ended, at most at the quiet level, the id it gave ended).
    void hapticsService_data()
    {
        QTest::addColumn<bool>("led");        // a vibrator LED is there too
        QTest::addColumn<QString>("answer");  // how the service answers a start
        QTest::addColumn<QStringList>("steps"); // "on", "off", "destroy"
        QTest::addColumn<QStringList>("calls"); // what the service was asked, in order
        const QString trigger = QStringLiteral(
            "trigger org.torvane.Dawnbell alarm-clock-elapsed profile=quiet timeout=0 -> 41");
        QTest::newRow("a device comes first, the service is not asked")
            << true << "yes" << QStringList{"on", "off"} << QStringList{};
        QTest::newRow("on, then off ends that feedback")
            << false << "yes" << QStringList{"on", "off"} << QStringList{trigger, "end 41"};
        QTest::newRow("off alone asks nothing") << false << "yes" << QStringList{"off"} << QStringList{};
        QTest::newRow("on twice starts one feedback")
            << false << "yes" << QStringList{"on", "on", "off"} << QStringList{trigger, "end 41"};
        QTest::newRow("destroyed while on ends it")
            << false << "yes" << QStringList{"on", "destroy"} << QStringList{trigger, "end 41"};
        QTest::newRow("a refused start is no vibration and nothing to end")
            << false << "refuse" << QStringList{"on", "destroy"} << QStringList{"refused alarm-clock-elapsed"};
        QTest::newRow("a service that did not answer is not asked again")
            << false << "hang" << QStringList{"on", "on", "off", "destroy"} << QStringList{"held alarm-clock-elapsed"};
    }
    void hapticsService()
    {
        QFETCH(bool, led);
        QFETCH(QString, answer);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, calls);
        if (!m_busWhy.isEmpty())
            QSKIP(qPrintable(m_busWhy));
        if (led)
            MakeLed("vibrator", "5");
        QVERIFY(StartService());
        m_service->Answer(answer);
        std::vector<std::unique_ptr<Vibrator>> found = FindVibrators();
        QCOMPARE(found.size(), size_t(1));
        QCOMPARE(QString::fromStdString(found[0]->Kind()), QString(led ? "led" : "feedbackd"));
        for (const QString& step : steps) {
            if (step == "destroy")
                found.clear();
            else
                QCOMPARE(found[0]->Set(step == "on"), answer == "yes" || step == "off");
        }
        QCOMPARE(m_service->Calls(), calls);
    }

    void noServiceNoDeviceNoVibrator()
    {
        if (!m_busWhy.isEmpty())
            QSKIP(qPrintable(m_busWhy));
        QVERIFY(FindVibrators().empty()); // the bus runs, but nobody owns the service's name
    }

private:
    QString LedDir() const { return m_root->filePath("sys/class/leds"); }
    QString InputDir() const { return m_root->filePath("input"); }
    void MakeLed(const QString& name, const QByteArray& max)
    {
        QDir().mkpath(LedDir() + "/" + name);
        WriteFile(LedDir() + "/" + name + "/brightness", "0\n");
        WriteFile(LedDir() + "/" + name + "/max_brightness", max + "\n");
    }
    // The scripted service on its own connection and thread; false when the bus
    // would not take it.
    bool StartService()
    {
        m_serviceThread = std::make_unique<QThread>();
        m_serviceThread->start();
        m_service = std::make_unique<FakeFeedbackd>();
        m_service->moveToThread(m_serviceThread.get());
        QDBusConnection c = QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("fake-feedbackd"));
        return c.isConnected() &&
               c.registerObject(QString::fromLatin1(FeedbackdVibrator::kPath), m_service.get(),
                                QDBusConnection::ExportAllSlots) &&
               c.registerService(QString::fromLatin1(FeedbackdVibrator::kService));
    }
    void StopService()
    {
        if (!m_service)
            return;
        {
            QDBusConnection c(QStringLiteral("fake-feedbackd"));
            c.unregisterService(QString::fromLatin1(FeedbackdVibrator::kService));
            c.unregisterObject(QString::fromLatin1(FeedbackdVibrator::kPath));
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-feedbackd"));
        m_serviceThread->quit();
        m_serviceThread->wait();
        m_service.reset();
        m_serviceThread.reset();
    }

    std::unique_ptr<QTemporaryDir> m_root;
    QTemporaryDir m_busFolder;
    test::PrivateBus m_bus;
    QString m_busWhy; // why there is no private bus; empty when it runs
    std::unique_ptr<QThread> m_serviceThread;
    std::unique_ptr<FakeFeedbackd> m_service;
};

QTEST_GUILESS_MAIN(VibratorsTest)
#include "VibratorsTest.moc"
