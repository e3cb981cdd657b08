#pragma once
// The snooze quiz: a small window centred on the screen with a prompt and a
// keypad of twelve buttons, running one QuizGame (Math, Memory or Repeat). It
// ends itself with Accepted when solved. Every keypad tap first asks the owner
// (the ringing window) to pause the ringing for 5 seconds.
//
// When the quiz loses activation to a window that is neither its parent nor its
// child, and the setting disableAutoStop is 0, it ends with Accepted and posts
// an activation change to its parent so the ringing window applies its
// automatic stop.
//
// Screen readers find the window as a dialog named "Quiz" with the painted
// question, the answer entered so far and the visible keypad keys, each named
// in words ("7", "Hidden card"); pressing a key through its action taps it.
#include "AccessibleParts.h"
#include "QuizGame.h"
#include "RingingServices.h"
#include "WindowTimers.h"

#include <QDialog>
#include <QEvent>
#include <QFont>

#include <array>
#include <cstdint>
#include <optional>

class QPushButton;

namespace dawnbell {

class CQuizDialog : public QDialog, public AccessibleParts {
    Q_OBJECT
public:
    // Control ids of the keypad buttons by index 0-11 (kept as object names).
    static constexpr std::array<int, QuizGame::kButtons> kButtonIds = {
        1048, 1053, 1047, 1056, 1055, 1052, 1058, 1054, 1051, 1057, 1059, 1060};
    // Layouts: three-column portrait keypad and four-column landscape keypad.
    static constexpr int kPortraitLayout = 185;
    static constexpr int kLandscapeLayout = 186;
    // The event sent to the owner on every keypad tap (a pause request); by
    // default the ringing window's own pause event type.
    static QEvent::Type PauseRequestType();

    // A quiz of `type` (1 Math, 2 Memory, 4 Repeat) at `level` (below 0 counts
    // as 0) in the two colours (0x00BBGGRR). The game is dealt at once; Repeat's
    // presentation starts 500 ms after the window is shown.
    CQuizDialog(uint32_t textColor, uint32_t backColor, int level, int type, QWidget* parent = nullptr);
    ~CQuizDialog() override;

    // Makes every later quiz seed its generator with `seed` instead of the
    // current time; nullopt goes back to the time.
    static void SetSeedForTesting(std::optional<unsigned> seed);

    // A tap on keypad button `index` (0-11), as a click delivers it.
    void TapButton(int index);
    // A tap on the prompt area.
    void TapPrompt();
    // Handles the expiry of timer `id` (QuizGame::TimerId) as the window's timer does.
    void HandleTimer(int id);

    // --- state, for tests ---
    const QuizGame& game() const { return game_; }
    QPushButton* button(int index) const;
    // The prompt area in window pixels.
    QRect promptRect() const { return promptRect_; }
    // The layout in use (185 or 186).
    int layoutId() const { return layoutId_; }
    bool timerActive(int id) const { return timers_.Active(id); }
    int timerInterval(int id) const { return timers_.Interval(id); } // ms of the last start; -1 never
    QFont promptFont() const { return promptFont_; }

    // Assistive technology (AccessibleParts): the painted question and the
    // answer entered so far, before the keypad's keys (real buttons).
    enum AccessiblePartIndex : int {
        PartQuestion = 0, // the prompt as painted ("3 + 4", "Find all pairs")
        PartAnswer = 1,   // what has been entered: the keys' labels, ", " between
        PartCount = 2
    };
    QAccessible::Role AccessibleRole() const override { return QAccessible::Dialog; }
    QString AccessibleName() const override; // "Quiz"
    int AccessiblePartCount() const override { return PartCount; }
    AccessiblePart AccessiblePartAt(int index) const override;
    // "Press" on the question while a sequence is to be repeated shows it
    // again, as a tap on the prompt does.
    void AccessiblePartAction(int index, const QString& action) override;

protected:
    void timerEvent(QTimerEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    // Escape does not dismiss the quiz, nor does the window system's close
    // request: only solving it, the automatic stop or the program's own close
    // message do.
    void reject() override;

private:
    void CreateButtons();
    void UpdateLayout();
    void OrderKeysForReading();
    void Centre();
    void Refresh();
    void SyncTimers();
    void LostActivation();
    // Whether a tap on the prompt shows the sequence again now (Repeat, answer phase).
    bool ReplayOffered() const;

    static constexpr int kTimers = 3;             // ids 1 and 2 are used

    QuizGame game_;                               // the rules and their state
    uint32_t textColor_;                          // 0x00BBGGRR
    uint32_t backColor_;                          // 0x00BBGGRR
    std::array<QPushButton*, QuizGame::kButtons> buttons_{}; // keypad by index
    WindowTimers timers_;                         // indexed by QuizGame::TimerId
    int layoutId_ = 0;                            // layout applied, 0 = none yet
    int dpiX_ = 96;                               // horizontal density the layout was scaled with
    QRect promptRect_;                            // prompt area, window pixels
    QFont promptFont_;                            // fitted prompt and keypad font
    QString fittedFor_;                           // prompt text promptFont_ was fitted to
    bool closed_ = false;                         // ended or closing: activation no longer handled
    bool wasActive_ = false;                      // has been the active window
    QString toldPrompt_;                          // question as last told to a reader
    QString toldAnswer_;                          // answer as last told to a reader
};

// The ringing window's quiz hook: runs a CQuizDialog modally.
QuizRunner MakeQuizRunner();

} // namespace dawnbell
