#pragma once
// The closing confirmation: a small window centred on the screen asking
// "Close the alarm?" with Yes and No and a countdown of 5 seconds, after which
// it answers No by itself. Accepted (1) means close the alarm; any other result
// keeps it ringing.
//
// When the dialog loses activation to a window that is neither its parent nor
// its child, and the setting disableAutoStop is 0, it answers Yes: another
// program taking the foreground closes the alarm.
#include "RingingServices.h"

#include <QBasicTimer>
#include <QDialog>

#include <cstdint>

class QLabel;
class QPushButton;

namespace dawnbell {

class CCloseAlarmDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (kept as object names).
    enum ControlId : int {
        IdYes = 1,          // "Yes": close the alarm
        IdNo = 2,           // "No": keep ringing
        IdCountdown = 1009, // seconds left (painted by the window)
        IdQuestion = 1024,  // "Close the alarm?" (painted by the window)
    };
    // Layout of the window's controls.
    static constexpr int kLayout = 148;
    // Timer id of the countdown tick.
    static constexpr int TimerCountdown = 1;
    // Seconds before the dialog answers No; one tick per second.
    static constexpr int kCountdownSeconds = 5;
    static constexpr int kTickMs = 1000;

    // Colours 0x00BBGGRR. The countdown starts at once.
    CCloseAlarmDialog(uint32_t backColor, uint32_t textColor, QWidget* parent = nullptr);
    ~CCloseAlarmDialog() override;

    // Handles the expiry of timer `id` as the window's timer does.
    void HandleTimer(int id);
    // Ends the dialog with `result` (Accepted = Yes) and stops the countdown.
    void done(int result) override;

    // --- state, for tests ---
    int countdown() const { return countdown_; }
    bool timerActive() const { return timer_.isActive(); }
    QLabel* label(int id) const;
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }

protected:
    void timerEvent(QTimerEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

private:
    // Keeps the window centred on its display: it is never moved elsewhere.
    void Place();

    uint32_t backColor_;            // 0x00BBGGRR
    uint32_t textColor_;            // 0x00BBGGRR
    int countdown_ = kCountdownSeconds; // seconds left before answering No
    bool closed_ = false;           // ended or closing: activation no longer handled
    bool wasActive_ = false;        // has been the active window
    QBasicTimer timer_;             // countdown tick
    QLabel* question_ = nullptr;    // 1024
    QLabel* count_ = nullptr;       // 1009
    QPushButton* yes_ = nullptr;    // 1
    QPushButton* no_ = nullptr;     // 2
};

// The ringing window's End alarm confirmation: runs a CCloseAlarmDialog modally;
// true when it answered Yes.
CloseConfirmer MakeCloseConfirmer();

} // namespace dawnbell
