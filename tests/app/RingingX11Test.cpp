// The real program on a real X server (run under Xvfb), driven the way the
// window system drives it: a tap is a button press and release on the ringing
// window, a close request is the WM_DELETE_WINDOW message a window manager
// sends for Alt+F4 or the title bar (no window manager runs; the test sends it).
// The program's windows are told apart by their size on the emulated 240x320
// display: the ringing window covers it, the quiz is 188x265, the closing
// confirmation 171x89.
#include "Alarm.h"
#include "AlarmStore.h"
#include "Clock.h"
#include "Notify.h"
#include "Profile.h"
#include "Registry.h"
#include "TempHome.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

#include <csignal>
#include <cstring>

using namespace dawnbell;

namespace {

const QString kProgram = QStringLiteral(DAWNBELL_PROGRAM_DIR "/dawnbell");
const QSize kRinging(240, 320);
const QSize kQuiz(188, 265);
const QSize kConfirm(171, 89);

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

// The topmost mapped top-level window of process `pid` with the given size; 0 when none.
xcb_window_t FindWindow(qint64 pid, const QSize& size)
{
    xcb_connection_t* c = Connection();
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, Root()), nullptr);
    if (!tree)
        return 0;
    xcb_window_t found = 0;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && !found; --i) { // top first
        const xcb_window_t w = children[i];
        xcb_get_window_attributes_reply_t* attr =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
        const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attr);
        if (!viewable)
            continue;
        xcb_get_geometry_reply_t* geo = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
        const bool sized = geo && geo->width == size.width() && geo->height == size.height();
        free(geo);
        if (!sized)
            continue;
        xcb_get_property_reply_t* prop = xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1), nullptr);
        if (prop && xcb_get_property_value_length(prop) == 4 &&
            *static_cast<uint32_t*>(xcb_get_property_value(prop)) == uint32_t(pid))
            found = w;
        free(prop);
    }
    free(tree);
    return found;
}

bool Viewable(xcb_window_t w)
{
    xcb_connection_t* c = Connection();
    xcb_get_window_attributes_reply_t* attr = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
    free(attr);
    return viewable;
}

// What a window manager sends for Alt+F4 or the title bar's close button.
void SendCloseRequest(xcb_window_t w)
{
    xcb_client_message_event_t e;
    std::memset(&e, 0, sizeof e);
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = w;
    e.type = Atom("WM_PROTOCOLS");
    e.data.data32[0] = Atom("WM_DELETE_WINDOW");
    e.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(Connection(), 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    xcb_flush(Connection());
}

// A tap: left button press and release at (x, y) in the window.
void SendTap(xcb_window_t w, int x, int y)
{
    for (const uint8_t type : {uint8_t(XCB_BUTTON_PRESS), uint8_t(XCB_BUTTON_RELEASE)}) {
        xcb_button_press_event_t e;
        std::memset(&e, 0, sizeof e);
        e.response_type = type;
        e.detail = 1;
        e.root = Root();
        e.event = w;
        e.event_x = int16_t(x);
        e.event_y = int16_t(y);
        e.root_x = int16_t(x);
        e.root_y = int16_t(y);
        e.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        e.same_screen = 1;
        xcb_send_event(Connection(), 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    }
    xcb_flush(Connection());
}

// The key code the X server gives `keysym` (first column of its keyboard map); 0 when none.
xcb_keycode_t KeyCode(uint32_t keysym)
{
    xcb_connection_t* c = Connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr);
    if (!map)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    xcb_keycode_t found = 0;
    for (int i = 0; i < count && !found; ++i) {
        if (syms[i * map->keysyms_per_keycode] == keysym)
            found = xcb_keycode_t(setup->min_keycode + i);
    }
    free(map);
    return found;
}

// A key pressed and released while `w` is in front, as the keyboard sends it.
void SendKey(xcb_window_t w, uint32_t keysym)
{
    const xcb_keycode_t code = KeyCode(keysym);
    for (const uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
        xcb_key_press_event_t e;
        std::memset(&e, 0, sizeof e);
        e.response_type = type;
        e.detail = code;
        e.time = XCB_CURRENT_TIME;
        e.root = Root();
        e.event = w;
        e.same_screen = 1;
        xcb_send_event(Connection(), 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    }
    xcb_flush(Connection());
}

// The share of pixels of window `w`, as shown on the screen, that are not black
// (0 when it cannot be read).
double LitShare(xcb_window_t w)
{
    xcb_connection_t* c = Connection();
    xcb_get_geometry_reply_t* geo = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    if (!geo)
        return 0;
    const uint16_t width = geo->width, height = geo->height;
    free(geo);
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, 0, 0, width, height, ~0u), nullptr);
    if (!image)
        return 0;
    // 24-bit displays deliver 32 bits a pixel.
    const int length = xcb_get_image_data_length(image);
    const uint8_t* data = xcb_get_image_data(image);
    int lit = 0, total = 0;
    for (int i = 0; i + 3 < length; i += 4, ++total)
        lit += (data[i] | data[i + 1] | data[i + 2]) > 0x20;
    free(image);
    return total ? double(lit) / total : 0;
}

// The wall-clock time (ms since the epoch) of the first mark `name` in the trace file; -1 when absent.
double MarkTime(const QString& trace, const char* name)
{
    QFile f(trace);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2 && parts[0] == name)
            return parts[1].toDouble();
    }
    return -1;
}

} // namespace

class RingingX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !Connection())
            QSKIP("needs an X server (run with -platform xcb under Xvfb)");
    }
    void init()
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        home_.Renew();
        qputenv("XDG_RUNTIME_DIR", home_.path().toUtf8());
        Profile::SetRegistryKey("Torvane");
        Profile::WriteInt("settings", "firstLaunch", 0);
        Profile::WriteInt("settings", "autoExit", 1);
        Profile::WriteInt("settings", "disableAutoStop", 1); // no window manager hands the focus around
        Profile::Flush();
    }
    void cleanup()
    {
        if (program_.state() != QProcess::NotRunning) {
            program_.kill();
            program_.waitForFinished();
        }
        if (const pid_t pid = notify::NotifyDaemonPid(); pid > 0)
            ::kill(pid, SIGTERM);
        notify::NotifyCloseStore();
        RegCloseStore();
    }

    void quizEndsWithTheRinging();
    void closeRequests();
    void handheldScreenFillsItsDevicePixels();

private:
    // A daily alarm at 06:30 with the test's settings, stored and active; returns its key.
    QString StoreAlarm(int closeAfterTimes, int quiz, int confirmClose)
    {
        Alarm alarm;
        alarm.type = AlarmCompact;
        alarm.repeatDays = 127;
        alarm.alarmTime = clock::MakeLocal(2030, 1, 1, 6, 30, 0);
        alarm.SetPlaylist({QStringLiteral(DAWNBELL_PROGRAM_DIR "/sounds/oven.mp3")});
        alarm.closeAfterTimes = closeAfterTimes;
        alarm.useSnooze = 1;
        alarm.snooze = 1;
        alarm.quiz = quiz;
        alarm.quizTypes = 1;
        alarm.quizLevel = 1;
        alarm.confirmClose = confirmClose;
        alarm.useFade = 0;
        alarm.vibrate = 0;
        alarm.forceVolume = 0;
        alarm.activated = 1;
        alarm.Save();
        Profile::Flush();
        return alarm.GetKey();
    }
    // Starts the program on the X server with `key` on the emulated display
    // `screen` and waits for its ringing window of `size` device pixels.
    xcb_window_t StartRinging(const QString& key, const QString& screen = QStringLiteral("240x320"),
                              const QSize& size = kRinging)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DAWNBELL_SCREEN", screen);
        env.insert("DAWNBELL_TRACE", trace());
        program_.setProcessEnvironment(env);
        program_.setProcessChannelMode(QProcess::ForwardedChannels);
        program_.start(kProgram, {key});
        if (!program_.waitForStarted())
            return 0;
        xcb_window_t w = 0;
        for (int i = 0; i < 150 && !w; ++i) { // up to 15 s on a loaded machine
            QTest::qWait(100);
            w = FindWindow(program_.processId(), size);
            if (w && MarkTime(trace(), "window-shown") < 0)
                w = 0;
        }
        return w;
    }
    // The alarm's notifications after the program ended.
    int Notifications(const QString& key)
    {
        RegCloseStore();
        notify::NotifyCloseStore();
        std::vector<notify::NotifyRecord> records;
        if (notify::NotifyList(&records) != notify::NotifyOk)
            return -1;
        int n = 0;
        for (const notify::NotifyRecord& r : records)
            n += QString::fromStdString(r.trigger.arguments) == key;
        return n;
    }
    QString trace() const { return home_.filePath("trace.txt"); }
    // The program's log, for failure messages.
    QString Log() const
    {
        QFile f(home_.filePath("dawnbell.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(no log)");
    }

    test::TempHome home_;
    QProcess program_;
};

// A tap brings the quiz; the playlist's passes run out while it is open: the
// quiz closes with the ringing, the alarm is rescheduled and the program ends
// at once, not when someone solves the quiz.
void RingingX11Test::quizEndsWithTheRinging()
{
    const QString key = StoreAlarm(/*closeAfterTimes*/ 2, /*quiz*/ 1, /*confirmClose*/ 0);
    const xcb_window_t ringing = StartRinging(key);
    QVERIFY2(ringing, "no ringing window");
    SendTap(ringing, 120, 10);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow(program_.processId(), kQuiz), 5000);
    QVERIFY2(program_.waitForFinished(30000), qPrintable(Log()));
    const double finished = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
    const double ended = MarkTime(trace(), "ringing-ended");
    QVERIFY(ended > 0);
    QVERIFY2(finished - ended < 1500, qPrintable(QString::number(finished - ended)));
    std::unique_ptr<Alarm> after = AlarmStore::LoadSection(key);
    QVERIFY(after);
    QCOMPARE(after->activated, 1);
    QCOMPARE(Notifications(key), 1);
}

// A close request on the ringing window is End alarm (snooze, then the
// confirmation); on the confirmation it answers No; on the quiz it does
// nothing. A SIGTERM then ends the ringing cleanly with the quiz still open.
void RingingX11Test::closeRequests()
{
    const QString key = StoreAlarm(/*closeAfterTimes*/ 0, /*quiz*/ 2, /*confirmClose*/ 1);
    const xcb_window_t ringing = StartRinging(key);
    QVERIFY2(ringing, "no ringing window");
    const qint64 pid = program_.processId();

    // The first snooze needs no quiz: the confirmation comes, readable.
    SendCloseRequest(ringing);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow(pid, kConfirm), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(LitShare(FindWindow(pid, kConfirm)) > 0.9, 3000);
    SendCloseRequest(FindWindow(pid, kConfirm));
    QTRY_VERIFY_WITH_TIMEOUT(!FindWindow(pid, kConfirm), 5000);
    QVERIFY(Viewable(ringing));
    QVERIFY(program_.state() == QProcess::Running);

    // The one-second snooze runs out; the next End alarm needs the quiz.
    QTest::qWait(1500);
    SendCloseRequest(ringing);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow(pid, kQuiz), 5000);
    const xcb_window_t quiz = FindWindow(pid, kQuiz);
    SendCloseRequest(quiz);
    QTest::qWait(1000);
    QVERIFY(Viewable(quiz));
    QVERIFY(Viewable(ringing));
    QVERIFY(program_.state() == QProcess::Running);

    ::kill(pid_t(pid), SIGTERM);
    QVERIFY2(program_.waitForFinished(15000), qPrintable(Log()));
    QVERIFY(!Viewable(quiz));
    QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program_.exitCode(), 0);
    QVERIFY(MarkTime(trace(), "ringing-ended") > 0);
    QCOMPARE(Notifications(key), 1);
}

// A handheld display of 480x800 at 192 dpi, emulated on a 96-dpi X server: the
// ringing window covers its 480 x 800 pixels (not a quarter of them) and the
// confirmation its 342 x 178; the confirmation is readable (painted, not
// black) on a server without a window manager or compositor, and answers
// Escape with No and Enter with Yes.
void RingingX11Test::handheldScreenFillsItsDevicePixels()
{
    const QString key = StoreAlarm(/*closeAfterTimes*/ 0, /*quiz*/ 0, /*confirmClose*/ 1);
    const xcb_window_t ringing = StartRinging(key, QStringLiteral("480x800@192"), QSize(480, 800));
    QVERIFY2(ringing, "no ringing window of 480 x 800");
    const qint64 pid = program_.processId();
    const QSize confirm(342, 178);

    SendCloseRequest(ringing); // End alarm
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow(pid, confirm), 5000);
    xcb_window_t dialog = FindWindow(pid, confirm);
    QTRY_VERIFY_WITH_TIMEOUT(LitShare(dialog) > 0.9, 3000);
    SendKey(dialog, 0xff1b); // Escape
    QTRY_VERIFY_WITH_TIMEOUT(!FindWindow(pid, confirm), 5000);
    QVERIFY(program_.state() == QProcess::Running);

    SendCloseRequest(ringing);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow(pid, confirm), 5000);
    dialog = FindWindow(pid, confirm);
    QTest::qWait(200);
    SendKey(dialog, 0xff0d); // Return
    QVERIFY2(program_.waitForFinished(15000), qPrintable(Log()));
    QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
    QVERIFY(MarkTime(trace(), "ringing-ended") > 0);
}

QTEST_MAIN(RingingX11Test)
#include "RingingX11Test.moc"
