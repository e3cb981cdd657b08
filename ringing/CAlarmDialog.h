#pragma once
// The ringing window: a full-screen window that shows the clock, the alarm's
// title and message, a battery gauge and "End alarm"; plays the playlist with an
// optional fade-in, vibrates, snoozes on taps and keys (with a quiz after a
// number of snoozes), ends itself after a time or a number of playlist passes,
// and gives every system setting it touched back when it ends.
//
// The window shows an AlarmRinging, which does everything that is heard and
// felt; the window adds the clock, the layout and painting, taps, keys and
// controls, full screen and the automatic stop when the phone comes to the front.
//
// The window never writes the alarm: it shuffles the playlist in memory when
// `random` is set and puts `vibrate` back to its starting value at the end.
#include "AlarmRinging.h"
#include "RingingCanvas.h"
#include "AccessibleParts.h"
#include "RingingLayout.h"
#include "RingingServices.h"

#include <QDialog>
#include <QEvent>

#include <cstdint>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace dawnbell {

class Alarm;

class CAlarmDialog : public QDialog, public AccessibleParts {
    Q_OBJECT
public:
    // Control ids, kept as the controls' object names.
    enum ControlId : int {
        IdEnd = 1,         // "End alarm" button
        IdCountdown = 1012, // snooze countdown in layout 0
        IdMessage = 1018,  // the alarm's message
        IdTitle = 1019,    // the alarm's title
        IdClock = 1021,    // the clock
        IdSnoozeHint = 1023, // "Tap to snooze..."; the countdown in layouts 1 and 2
        IdVibrate = 1030,  // vibration check box
        IdSkip = 1035,     // ">>": next playlist item
        IdVolume = 1037,   // player volume slider 0-100
    };

    // Timers (the ringing's); the value is the timer's id.
    enum TimerId : int {
        TimerCountdown = AlarmRinging::TimerCountdown,   // 1 s: snooze countdown tick
        TimerFade = AlarmRinging::TimerFade,             // fade period: one fade step
        TimerFallback = AlarmRinging::TimerFallback,     // 2 s: the fallback sound is over, play next
        TimerClock = AlarmRinging::TimerClock,           // 1 s: redraw the clock
        TimerBacklight = AlarmRinging::TimerBacklight,   // 5 s after a use: backlight off
        TimerCloseAfter = AlarmRinging::TimerCloseAfter, // closeAfterMinutes: end the ringing
        TimerVibrate = AlarmRinging::TimerVibrate,       // 1 s: flip the interval vibration
        TimerPause = AlarmRinging::TimerPause,           // 5 s: resume after a pause request
        TimerSnoozeWake = AlarmRinging::TimerSnoozeWake, // withdraw the snooze wake-up before it fires
        TimerCount = AlarmRinging::TimerCount            // size of the timer table
    };

    // Play states.
    enum PlayState : int { Stopped = 0, Playing = 1, Paused = 2 };

    // The event a window posts to pause the ringing for 5 seconds (the quiz does
    // on every keypad tap); RequestPause() does the same directly.
    static const QEvent::Type PauseEventType;

    // Periods, ms.
    static constexpr int kSecondMs = AlarmRinging::kSecondMs;
    static constexpr int kPauseMs = AlarmRinging::kPauseMs;

    // Starts ringing `alarm` (not owned; must outlive the window) with the
    // default services. The caller runs it with exec(); it ends with Accepted.
    CAlarmDialog(Alarm* alarm, QWidget* parent = nullptr);
    // The same with the given services.
    CAlarmDialog(Alarm* alarm, QWidget* parent, const RingingServices& services);
    // Runs the cleanup if it has not run, then releases caches and the keep-awake.
    ~CAlarmDialog() override;

    // The ringing the window shows.
    AlarmRinging& ringing() { return ringing_; }

    // Handles the expiry of timer `id` (TimerId) as the window's timer does.
    void HandleTimer(int id);

    // User actions, as the window's controls and input deliver them.
    void Tap();                 // left button up on the window
    bool KeyDown(int qtKey);    // true when the key snoozed (and was consumed)
    void EndAlarm();            // the End alarm button
    void Skip();                // the ">>" button
    void SetVibrateChecked(bool on); // the vibration check box changed
    void SliderMoved(int value);     // the volume slider was moved by the user

public slots:
    // Whoever ends the window, the cleanup runs first and the result is Accepted.
    void done(int result) override;
    // Pauses playback and vibration for 5 seconds.
    void RequestPause();

public:
    // --- state, for the program and its tests ---
    bool timerActive(int id) const { return ringing_.timerActive(id); }
    int timerInterval(int id) const { return ringing_.timerInterval(id); } // ms of the last start; -1 never
    int playState() const { return ringing_.playState(); }
    int countdown() const { return ringing_.countdown(); }
    int snoozeNumber() const { return ringing_.snoozeNumber(); }
    int itemsStarted() const { return ringing_.itemsStarted(); }
    int playerVolumeTarget() const { return ringing_.playerVolumeTarget(); }
    int fadeStep() const { return ringing_.fadeStep(); }
    bool ended() const { return ringing_.ended(); }
    int screenClass() const { return screenClass_; }
    int layoutStyle() const;
    uint32_t snoozeNotification() const { return ringing_.snoozeNotification(); }
    MediaPlayer* player() const { return ringing_.player(); }
    uint32_t backColor() const { return ringing_.backColor(); }
    uint32_t textColor() const { return ringing_.textColor(); }
    // The name of the background image in use ("" for none).
    QString backgroundName() const;
    // Id of the battery icon shown (282-286), -1 when none.
    int batteryIcon() const { return canvas_.batteryIcon(); }
    QRect batteryRect() const { return canvas_.batteryRect(); }

    // Assistive technology (AccessibleParts): the painted texts and the tap area,
    // before the window's real controls (End alarm, >>, the sound controls).
    enum AccessiblePartIndex : int {
        PartClock = 0,     // the clock, as shown (a text: AT-SPI has no clock role)
        PartTitle = 1,     // the alarm's title (invisible when empty)
        PartMessage = 2,   // the alarm's message (invisible when empty)
        PartSnooze = 3,    // "Snooze": a button whose press is a tap on the window
        PartCountdown = 4, // the snooze countdown: seconds left as a live value
        PartCount = 5
    };
    QAccessible::Role AccessibleRole() const override { return QAccessible::Dialog; }
    QString AccessibleName() const override; // the alarm's title
    // No parts until the window is built (a reader may ask while it is).
    int AccessiblePartCount() const override { return initDone_ ? PartCount : 0; }
    AccessiblePart AccessiblePartAt(int index) const override;
    void AccessiblePartAction(int index, const QString& action) override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    // Escape never ends the ringing on its own: only End alarm (or the window
    // system's close request, which counts as End alarm), the automatic stops and
    // the program's own close message do.
    void reject() override;

    // The window lost activation to another program that is not the phone (or
    // the automatic stop is off): by default it takes the foreground back.
    virtual void OnLostActivation();
    // Puts the window back in front, covering the whole screen.
    void ReassertForeground();

    // The end-of-ringing cleanup (runs once; logged with `why`), the quiz or
    // confirmation still open closed, then the window closes with Accepted.
    void EndRinging(const QString& why);
    // The automatic stop: a call came in (`why` says how it was seen). Nothing
    // when the ringing has ended or disableAutoStop is set.
    void StopForCall(const QString& why);

private:
    // Start-up steps, in the order Init runs them.
    void Init();
    void CreateControls();
    void GoFullScreen();

    void ApplyColors(QWidget* w);
    void DoLayout(const QSize& size);
    // Shows the time of now in the clock line; repaints it when it changed.
    void UpdateClock();
    // Reads the power status; with `repaint`, repaints the gauge's old and new
    // places when it changed.
    void UpdateBattery(bool repaint);
    // Gives the hidden `label` `text` and repaints only its area, only when the
    // text changed.
    void ShowLabelText(QLabel* label, const QString& text);
    // The snooze countdown, or "Tap to snooze..." when none runs, in the label
    // of the layout; in layout 0 the hint says until when the alarm is snoozed.
    void ShowCountdown();
    void CloseOwnWindows();

    Alarm* alarm_;                 // the alarm being rung; not owned
    RingingServices services_;     // outside pieces
    AlarmRinging ringing_;         // sound, vibration, volume, snooze, the ends; restores when it ends
    RingingCanvas canvas_;         // painting and its caches

    bool initDone_ = false;        // construction finished
    QSize lastLayoutSize_{-1, -1}; // size of the last layout
    RingingLayout layout_;         // places of the last layout
    int screenClass_ = 3;          // ScreenClass at the last layout
    QString clockFormat_;          // strftime-style clock format
    QFont clockFont_;              // clock font
    int shownCountdown_ = 0;       // the countdown last shown (a rise is a new snooze)
    int64_t snoozeEnd_ = 0;        // local seconds when the current snooze ends; 0 = none

    QPushButton* endButton_ = nullptr;
    QPushButton* skipButton_ = nullptr;
    QCheckBox* vibrateBox_ = nullptr;
    QSlider* volumeSlider_ = nullptr;
    QLabel* clockLabel_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    QLabel* countdownLabel_ = nullptr;
};

} // namespace dawnbell
