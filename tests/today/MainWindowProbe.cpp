// A test program: the program's main window with its command channel, as the
// program runs it, that prints its list after every copy-data message so a test
// in another process can see rows move:
//   rows KEY:ACTIVATED KEY:ACTIVATED ...
// The first such line is printed once the window listens.
//   dawnbell_main_window_probe PROGRAM   (PROGRAM: the path the schedule names)
#include "CAlarmListCtrl.h"
#include "CMainDialog.h"
#include "CommandServer.h"
#include "Profile.h"
#include "Scheduler.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

using namespace dawnbell;

namespace {

void PrintRows(const CMainDialog& window)
{
    QString line = QStringLiteral("rows");
    const CAlarmListCtrl* list = window.list();
    for (int i = 0; i < list->Count(); ++i)
        line += QStringLiteral(" %1:%2").arg(list->AlarmAt(i)->GetKey()).arg(list->AlarmAt(i)->activated);
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1)
        Scheduler::SetProgramPathForTesting(QString::fromLocal8Bit(argv[1]));
    Profile::SetRegistryKey("Torvane");
    CMainDialog window;
    CommandServer::Handlers handlers;
    handlers.copyData = [&window](int code, const QString& key) {
        const int result = window.OnCopyData(code, key);
        PrintRows(window);
        return result;
    };
    handlers.reinit = [] {};
    handlers.foreground = [] {};
    CommandServer server(handlers);
    if (!server.Listen()) {
        std::fprintf(stderr, "probe: cannot listen\n");
        return 1;
    }
    QTimer::singleShot(0, &window, [&window] { PrintRows(window); });
    window.exec();
    return 0;
}
