// The foreground window's process on a real X server (run under Xvfb): the
// test plays the window manager by writing the root window's
// _NET_ACTIVE_WINDOW, and points it at windows whose _NET_WM_PID names this
// process, a real program started as "gnome-calls", or nothing usable.
#include "AutoStop.h"
#include "ForegroundProcess.h"
#include "Profile.h"
#include "RingingTestEnv.h"

#include <QDialog>
#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

#include <unistd.h>

using namespace dawnbell;
using namespace dawnbell::test;

Q_DECLARE_METATYPE(AutoStopDecision)

namespace {

xcb_connection_t* Connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root; }

xcb_atom_t Atom(const char* name)
{
    xcb_connection_t* c = Connection();
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    free(r);
    return atom;
}

void SetProperty(xcb_window_t w, const char* name, xcb_atom_t type, uint8_t format, const void* data, uint32_t n)
{
    xcb_connection_t* c = Connection();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom(name), type, format, n, data);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // round trip: the change is done
}

void SetActive(uint32_t window) { SetProperty(Root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 32, &window, 1); }

// A bare window of the test's own, with _NET_WM_PID `pid` unless pid is 0.
xcb_window_t BareWindow(uint32_t pid)
{
    xcb_connection_t* c = Connection();
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, Root(), 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    if (pid)
        SetProperty(w, "_NET_WM_PID", XCB_ATOM_CARDINAL, 32, &pid, 1);
    else
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return w;
}

} // namespace

class ForegroundX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !Connection())
            QSKIP("needs an X server (run with -platform xcb under Xvfb)");
    }
    void init() { env_ = std::make_unique<RingingEnv>(); }
    void cleanup()
    {
        xcb_delete_property(Connection(), Root(), Atom("_NET_ACTIVE_WINDOW"));
        xcb_flush(Connection());
        env_.reset();
    }

    void ownWindow();
    void unusableProperties_data();
    void unusableProperties();
    void phoneApplicationInFront_data();
    void phoneApplicationInFront();

private:
    std::unique_ptr<RingingEnv> env_;
};

// A window of this process in front names this test program.
void ForegroundX11Test::ownWindow()
{
    QWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    SetActive(static_cast<uint32_t>(w.winId()));
    QCOMPARE(ForegroundProcessId(), int64_t(getpid()));
    QCOMPARE(QString::fromStdString(ForegroundProcessName()),
             QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower());
}

// Whatever the root or the window holds, nothing usable gives "unknown".
void ForegroundX11Test::unusableProperties_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("no active window") << "none";
    QTest::newRow("active window 0") << "zero";
    QTest::newRow("window without a process id") << "nopid";
    QTest::newRow("window that does not exist") << "gone";
    QTest::newRow("active window of the wrong type") << "cardinal";
    QTest::newRow("active window in 8-bit items") << "bytes";
    QTest::newRow("process id of the wrong type") << "pidstring";
    QTest::newRow("process that does not exist") << "deadpid";
}

void ForegroundX11Test::unusableProperties()
{
    QFETCH(QString, kind);
    xcb_delete_property(Connection(), Root(), Atom("_NET_ACTIVE_WINDOW"));
    if (kind == QLatin1String("zero")) {
        SetActive(0);
    } else if (kind == QLatin1String("nopid")) {
        SetActive(BareWindow(0));
    } else if (kind == QLatin1String("gone")) {
        const xcb_window_t w = BareWindow(uint32_t(getpid()));
        xcb_destroy_window(Connection(), w);
        SetActive(w);
    } else if (kind == QLatin1String("cardinal")) {
        const uint32_t w = BareWindow(uint32_t(getpid()));
        SetProperty(Root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_CARDINAL, 32, &w, 1);
    } else if (kind == QLatin1String("bytes")) {
        const uint32_t w = BareWindow(uint32_t(getpid()));
        SetProperty(Root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 8, &w, 4);
    } else if (kind == QLatin1String("pidstring")) {
        const xcb_window_t w = BareWindow(0);
        SetProperty(w, "_NET_WM_PID", XCB_ATOM_STRING, 8, "1234", 4);
        SetActive(w);
    } else if (kind == QLatin1String("deadpid")) {
        SetActive(BareWindow(0x7FFFFFF0u));
    }
    const int64_t pid = ForegroundProcessId();
    QVERIFY(pid == 0 || kind == QLatin1String("deadpid"));
    QCOMPARE(ForegroundProcessName(), std::string());
}

// A real program named like a phone application, in front: the ringing
// window stops with the automatic stop on, and takes the foreground back
// otherwise; another program is always covered again.
void ForegroundX11Test::phoneApplicationInFront_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("disableAutoStop");
    QTest::addColumn<AutoStopDecision>("decision");
    QTest::newRow("gnome-calls") << "gnome-calls" << 0 << AutoStopDecision::Stop;
    QTest::newRow("plasmaphonedialer") << "plasmaphonedialer" << 0 << AutoStopDecision::Stop;
    QTest::newRow("gnome-calls, automatic stop off") << "gnome-calls" << 1 << AutoStopDecision::Reassert;
    QTest::newRow("another program") << "gnome-clocks" << 0 << AutoStopDecision::Reassert;
}

void ForegroundX11Test::phoneApplicationInFront()
{
    QFETCH(QString, program);
    QFETCH(int, disableAutoStop);
    QFETCH(AutoStopDecision, decision);
    QVERIFY(Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), disableAutoStop));
    const QString path = env_->Path(program);
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), path));
    QProcess phone;
    phone.start(path, {QStringLiteral("30")});
    QVERIFY(phone.waitForStarted());

    QDialog ringing;
    ringing.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ringing));
    QApplication::setActiveWindow(nullptr); // the focus left the program
    SetActive(BareWindow(uint32_t(phone.processId())));
    QCOMPARE(QString::fromStdString(ForegroundProcessName()), program);
    QCOMPARE(DecideOnDeactivate(&ringing, false), decision);
    phone.kill();
    phone.waitForFinished();
}

QTEST_MAIN(ForegroundX11Test)
#include "ForegroundX11Test.moc"
