#pragma once
// Ringing without a display: when the program is started for an alarm and no
// window system can be reached (none is named in the environment, or the one
// named cannot be opened), the alarm still rings - its playlist or the built-in
// sound on the default output, with its volume rules, fade-in and vibration -
// until it ends by itself (closeAfterMinutes, closeAfterTimes, or at the latest
// after AlarmRinging::kLongestUnattendedMinutes when the alarm sets no end), an
// incoming call, `dawnbell-alarm stop` or an exit signal. Then the alarm takes
// the after-ringing path, as after a ringing in the window: a repeating alarm is
// scheduled again, a one-time alarm switched off, an appointment deleted.
// `dawnbell-alarm snooze` ends the ringing and leaves a notification that starts
// the program with the alarm's key when the snooze is over (the after-ringing
// path is left to that ringing, and so is resuming the other media players the
// ringing paused: they stay paused over the snooze).
//
// Meanwhile the process serves the command channel as the main window does: a
// key a second start forwards rings after the current one, in turn; "reinit"
// and code 0 rebuild the schedule; what needs a window is logged and dropped.
#include <QList>
#include <QObject>
#include <QString>

namespace dawnbell {

class AlarmRinging;

class HeadlessRinging : public QObject {
    Q_OBJECT
public:
    // `why` tells the log why there is no display.
    explicit HeadlessRinging(const QString& why, QObject* parent = nullptr);
    ~HeadlessRinging() override;

    // Rings the alarm `key`, then every key forwarded meanwhile, each after the
    // one before, and returns when the last one is done or an exit signal has
    // ended the program. Needs a QCoreApplication (the loop runs inside).
    void Run(const QString& key);

private:
    struct Request {
        QString key;
        bool test = false; // "test KEY": rings without the after-ringing path
    };
    // Rings one request and takes the after-ringing path.
    void RingOne(const Request& request);
    // Answers a copy-data frame of the command channel.
    int OnCopyData(int code, const QString& key);
    // An exit signal: the current ringing ends, nothing more rings.
    void OnExitSignal(int signo);

    QString why_;              // why there is no display
    QList<Request> queue_;     // keys to ring, in order
    AlarmRinging* current_ = nullptr; // the ringing under way; not owned
    bool ending_ = false;      // an exit signal came: nothing more rings
};

} // namespace dawnbell
