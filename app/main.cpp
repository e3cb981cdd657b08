// dawnbell: the alarm clock program.
//
// At process entry a later instance hands its command line to the running main
// window and ends; the first instance runs start-up (CAlarmApp) and then the main
// window, which serves the command channel while it is open.
#include "CAlarmApp.h"
#include "CommandLine.h"
#include "CommandServer.h"
#include "InstanceLock.h"
#include "RingTrace.h"
#include "SingleInstance.h"
#include "CMainDialog.h"
#include "ProgramServices.h"
#include "RingingSetup.h"
#include "WidgetMessageBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using namespace dawnbell;

namespace {

// True when a window system can be reached (or the offscreen platform is asked for).
bool HaveDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

void RunMainWindow(CAlarmApp& app, const QString& line)
{
    InstallRingingServices();
    CMainDialog window{ProgramMainWindowServices()};
    app.mainWindow = &window;

    CommandServer::Handlers handlers;
    handlers.copyData = [&window](int code, const QString& key) { return window.OnCopyData(code, key); };
    handlers.reinit = [&window] { window.OnReinitMessage(); };
    handlers.foreground = [&window] {
        if (window.isMinimized())
            window.showNormal();
        window.raise();
        window.activateWindow();
    };
    CommandServer server(handlers);
    server.Listen();

    // Once the window's loop runs, so that a ringing that ends the program can
    // close the window.
    QTimer::singleShot(0, &window, [&window, line] { window.ExecuteCommandLine(line); });
    window.exec();

    server.Close();
    app.mainWindow = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    RingTraceMark("process-start");
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString line = CommandLine::FromArguments(arguments);

    ipc::InstanceLock lock;
    if (SingleInstance::Enter(line, &lock) == SingleInstance::Forwarded)
        return 0;

    const CommandLine::Verb verb = CommandLine::Classify(line);
    if (verb == CommandLine::Reinit || (verb == CommandLine::AutoClose && !HaveDisplay())) {
        // Needs no window: "autoclose" answers its questions through the
        // message-box automation, or with the safe defaults, when headless.
        QCoreApplication core(argc, argv);
        CAlarmApp app;
        return app.Run(line, nullptr);
    }
    if (!HaveDisplay()) {
        std::fprintf(stderr,
                     "dawnbell: no display. Run it in a desktop session, under Xvfb (xvfb-run dawnbell), "
                     "or headless with QT_QPA_PLATFORM=offscreen.\n");
        return 1;
    }
    QApplication gui(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dawnbell"));
    InstallWidgetMessageBox();
    CAlarmApp app;
    return app.Run(line, [&app, &line] { RunMainWindow(app, line); });
}
