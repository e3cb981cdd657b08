#pragma once
// The program's answer to being asked to end (SIGTERM, SIGINT, SIGHUP): the
// signals reach the Qt event loop through a self-pipe (ExitSignalPipe) and a
// QSocketNotifier, and come out as the `received` signal of one object per
// process. Windows that changed something connect to it and give it back - the
// ringing window runs its cleanup, an editor leaves its alarm as stored - and
// the application then closes its windows and ends.
//
//   if (ExitSignals* s = ExitSignals::Installed())
//       connect(s, &ExitSignals::received, this, [this] { ... });
#include <QObject>

class QSocketNotifier;

namespace dawnbell {

class ExitSignals : public QObject {
    Q_OBJECT
public:
    // The process's instance; the first call installs the handlers (needs a
    // QCoreApplication). The program calls it once at start-up.
    static ExitSignals* Instance();
    // The instance when the program has installed it, else null (windows watch
    // through this, so merely making a window never takes the signals over).
    static ExitSignals* Installed();
    // The first exit signal received, 0 while none has been.
    static int Received();

    // Acts as if `signo` had arrived (the handlers are not involved). For tests
    // and for callers that end the program the same way for another reason.
    void Deliver(int signo);

signals:
    // An exit signal arrived; emitted once per signal, on the GUI thread.
    void received(int signo);

private:
    ExitSignals();
    void ReadPipe();

    QSocketNotifier* notifier_ = nullptr; // watches the pipe; null when it could not be made
};

} // namespace dawnbell
