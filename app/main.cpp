// dawnbell: the alarm clock program.
//
// At process entry a later instance hands its command line to the running main
// window and ends; the first instance runs start-up (CAlarmApp) and then the main
// window, which serves the command channel while it is open.
#include "AccessibleFactory.h"
#include "CAlarmApp.h"
#include "Clock.h"
#include "CommandLine.h"
#include "CommandServer.h"
#include "DisplayChoice.h"
#include "EditBackup.h"
#include "ExitDeadline.h"
#include "ExitSignalPipe.h"
#include "ExitSignals.h"
#include "HeadlessRinging.h"
#include "HandledReport.h"
#include "InstanceLock.h"
#include "IpcFrame.h"
#include "LateStart.h"
#include "ProgramLog.h"
#include "RingingCommands.h"
#include "RingTrace.h"
#include "SingleInstance.h"
#include "StoreHealth.h"
#include "VersionInfo.h"
#include "CMainDialog.h"
#include "ProgramServices.h"
#include "RingingSetup.h"
#include "Scaling.h"
#include "WidgetMessageBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <vector>

using namespace dawnbell;

namespace {

constexpr int kExitDeadlineSeconds = 5; // longest end after the last window closed

// True when a window system can be reached (or the offscreen platform is asked for).
bool HaveDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// The program is told to end: every window still open gets the program's own
// close message, innermost first - the ringing window runs its cleanup, an
// editor gives back what it changed - and then the main window closes, which
// ends the program once every window's loop has returned.
void CloseAllWindows(QDialog* mainWindow)
{
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            popup->hide();
    }
    // Bounded: a window that refuses both ways must not hold the program.
    for (int guard = 0; guard < 64; ++guard) {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == mainWindow)
            break;
        if (!w->close()) {
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->done(QDialog::Rejected);
            else
                w->hide();
        }
    }
    mainWindow->done(QDialog::Accepted);
}

void RunMainWindow(CAlarmApp& app, const CommandLine::Parsed& command)
{
    InstallRingingServices();
    CMainDialog window{ProgramMainWindowServices()};
    app.mainWindow = &window;

    CommandServer::Handlers handlers;
    handlers.copyData = [&window](int code, const QString& key) {
        // dawnbell-alarm snooze / stop reach the ringing window itself.
        if (RingingCommands::Handles(code))
            return RingingCommands::Handle(code);
        return window.OnCopyData(code, key);
    };
    handlers.reinit = [&window] { window.OnReinitMessage(); };
    handlers.foreground = [&window] {
        if (window.isMinimized())
            window.showNormal();
        window.raise();
        window.activateWindow();
    };
    CommandServer server(handlers);
    server.Listen();

    // After the windows' own answers to the signal (queued behind them).
    QObject::connect(
        ExitSignals::Instance(), &ExitSignals::received, &window,
        [&window](int signo) {
            qInfo("%s received: ending the program.", process::ExitSignalName(signo));
            CloseAllWindows(&window);
        },
        Qt::QueuedConnection);

    // Once the window's loop runs, so that a ringing that ends the program can
    // close the window. The window system answers by then: the command line is
    // in hand, which the notification service that started us waits to hear.
    QTimer::singleShot(0, &window, [&window, command] {
        process::ReportHandled();
        window.ExecuteCommandLine(command);
    });
    // A signal that came during start-up ends the program once the command line
    // has begun (a ringing then runs its cleanup and the after-ringing path).
    if (ExitSignals::Received())
        QTimer::singleShot(0, &window, [&window] { CloseAllWindows(&window); });
    window.exec();

    server.Close();
    app.mainWindow = nullptr;
}

// An alarm key (`command`, verb Ring) with no display to show the ringing
// window on (`why`): the start-up as for the window, then the alarm rings
// without one. Needs the core application object already made.
int RingWithoutDisplay(const CommandLine::Parsed& command, const QString& why)
{
    ExitSignals::Instance(); // SIGTERM, SIGINT and SIGHUP now reach the event loop
    InstallRingingServices();
    CAlarmApp app;
    const int code = app.Run(command, [&command, &why] {
        HeadlessRinging ringing(why);
        process::ReportHandled(); // the alarm is in hand: the service that started us stops waiting
        ringing.Run(command.key);
    });
    ArmExitDeadline(kExitDeadlineSeconds, code, ProgramLog::Path());
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    RingTraceMark("process-start");
    process::TakeHandledReport(); // before anything this program starts could inherit it
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Options are answered at once, without a window or the running instance.
    QString bad;
    switch (CommandLine::FindOption(arguments, &bad)) {
    case CommandLine::HelpOption:
        std::fputs(CommandLine::Usage().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::VersionOption: {
        VersionInfo version;
        version.Load();
        const QString number = version.FileVersion().isEmpty() ? QStringLiteral("unknown") : version.FileVersion();
        std::printf("dawnbell %s\n", number.toLocal8Bit().constData());
        return 0;
    }
    case CommandLine::BadOption:
        std::fprintf(stderr, "dawnbell: unknown option %s\n\n%s", bad.toLocal8Bit().constData(),
                     CommandLine::Usage().toLocal8Bit().constData());
        return 2;
    case CommandLine::NoOption:
        break;
    }
    // Classified once here; every later step takes this value, never the text.
    const CommandLine::Parsed command = CommandLine::Classify(CommandLine::FromArguments(arguments));

    ProgramLog::Install();
    InstallScheduleServices();
    // A start for an alarm long after its time does not ring: it is told as
    // missed, beside any running instance.
    if (const std::optional<int64_t> due = LateStart::TakeDue(); LateStart::IsLate(command, due, clock::RealNow()))
        return LateStart::Run(argc, argv, command.key, *due, HaveDisplay());
    ipc::InstanceLock lock;
    switch (SingleInstance::Enter(command, &lock)) {
    case SingleInstance::Forwarded:
        return 0;
    case SingleInstance::Unsendable:
        std::fprintf(stderr, "dawnbell: the command line is too long to be an alarm key (at most %d characters)\n",
                     int(ipc::kMaxKeyChars));
        return 2;
    case SingleInstance::First:
    case SingleInstance::Further:
        break;
    }
    // Before anything reads or writes the registry: a damaged one is set aside
    // now, and the finding is shown once a window can be (start-up then ends
    // the program when the store cannot be used at all).
    if (StoreHealth::CheckAtStart() != StoreHealth::Start::Unusable) {
        RestoreAfterInterruptedRinging();
        EditBackup::RestoreLeftOver(); // alarms an edit cut short had taken out of the store
    }

    const CommandLine::Verb verb = command.verb;
    if (verb == CommandLine::Reinit || (verb == CommandLine::AutoClose && !HaveDisplay())) {
        // Needs no window: "autoclose" answers its questions through the
        // message-box automation, or with the safe defaults, when headless.
        QCoreApplication core(argc, argv);
        CAlarmApp app;
        return app.Run(command, nullptr);
    }
    if (!HaveDisplay()) {
        if (verb == CommandLine::Ring) {
            QCoreApplication core(argc, argv);
            return RingWithoutDisplay(command, DisplayChoice::Missing());
        }
        std::fprintf(stderr,
                     "dawnbell: no display. Run it in a desktop session, under Xvfb (xvfb-run dawnbell), "
                     "or headless with QT_QPA_PLATFORM=offscreen.\n");
        return 1;
    }
    // A display named that cannot be opened gives the offscreen platform (Qt
    // would otherwise end the process): an alarm then rings without a display.
    const QByteArray platforms = DisplayChoice::PlatformList().toLocal8Bit();
    std::vector<char*> qtArgs(argv, argv + argc);
    QByteArray platformOption("-platform");
    if (!platforms.isEmpty()) {
        qtArgs.push_back(platformOption.data());
        qtArgs.push_back(const_cast<char*>(platforms.constData()));
    }
    int qtArgc = static_cast<int>(qtArgs.size());
    qtArgs.push_back(nullptr);
    // An emulated handheld display fills its device size on the real one.
    PrepareEmulatedScreenScaling(std::string_view(platforms.constData(), size_t(platforms.size())));
    QApplication gui(qtArgc, qtArgs.data());
    ForgetEmulatedScreenScaling();
    QApplication::setApplicationName(QStringLiteral("Dawnbell"));
    if (const QString why = DisplayChoice::Unreachable(QString::fromLocal8Bit(platforms), QApplication::platformName());
        !why.isEmpty()) {
        if (verb == CommandLine::Ring)
            return RingWithoutDisplay(command, why);
        std::fprintf(stderr, "dawnbell: %s. Run it in a desktop session, under Xvfb (xvfb-run dawnbell), or "
                             "headless with QT_QPA_PLATFORM=offscreen.\n", qPrintable(why));
        return 1;
    }
    InstallWidgetMessageBox();
    InstallAccessibleFactory(); // owner-drawn controls tell screen readers what they show
    ExitSignals::Instance(); // SIGTERM, SIGINT and SIGHUP now reach the event loop
    CAlarmApp app;
    const int code = app.Run(command, [&app, &command] { RunMainWindow(app, command); });
    // Everything is stored and restored by now; the window system's teardown
    // still to come must not keep the process (and its instance lock) alive.
    ArmExitDeadline(kExitDeadlineSeconds, code, ProgramLog::Path());
    return code;
}
