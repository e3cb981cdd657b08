#pragma once
// The rules of the snooze quiz, apart from its window: three small games on a
// keypad of twelve buttons (index 0-11).
//
//  * Math (type 1): a problem whose answer is a digit; buttons 0-9 show "0".."9",
//    10 and 11 are hidden. The right digit solves it.
//  * Memory (type 2): six pairs dealt face down ("*"); pairs are face up from the
//    start by level (level 0 leaves one pair to find, level 5 and above all six).
//  * Repeat (type 4): level + 1 buttons are shown one after the other, then the
//    user taps them in the same order.
//
// Random numbers come from the C library generator (rand), drawn in a fixed
// order after srand(seed), so a seed replays a quiz exactly. The game never
// runs timers itself: it asks for them (TakeTimerRequests) and the window
// reports their expiry (OnTimer).
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace dawnbell {

class QuizGame {
public:
    // Game types (one of the bits of the alarm's quizTypes).
    enum Type : int { Math = 1, Memory = 2, Repeat = 4 };
    // Timers the game asks for; the value is the timer's id.
    enum TimerId : int {
        TimerMemoryShow = 1, // 2 s: a shown pair (or card) is judged and turned back
        TimerPresent = 2,    // Repeat: the next step of the presentation
    };

    static constexpr int kButtons = 12;
    static constexpr int kPairs = 6;
    // Levels are used in 0..kMaxLevel; lower levels count as 0, higher ones as
    // kMaxLevel (which bounds the Repeat sequence at kMaxLevel + 1 entries).
    static constexpr int kMaxLevel = 999;
    // Periods, ms.
    static constexpr int kMemoryShowMs = 2000;
    static constexpr int kPresentStartMs = 500;
    static constexpr int kPresentStarMs = 1500;
    static constexpr int kPresentLabelMs = 300;
    static constexpr int kWrongReplayMs = 1000;

    // A timer to (re)start with a period in ms, or to kill (ms < 0).
    struct TimerRequest {
        int id;
        int ms;
    };

    // A game of `type` (1, 2 or 4; anything else plays Math) at `level`
    // (clamped to 0..kMaxLevel). Nothing is dealt until Start.
    QuizGame(int type, int level);

    // Seeds the generator with `seed` and sets up the game (labels, problem,
    // deal or sequence). Call once.
    void Start(unsigned seed);

    // The user tapped button `index` (0-11; others are ignored). True when that
    // solved the quiz.
    bool Tap(int index);
    // The user tapped the prompt: in Repeat's answer phase the presentation
    // starts again at once, with the typed buttons forgotten.
    void TapPrompt();
    // Timer `id` expired (the window keeps it running until asked to kill it).
    void OnTimer(int id);

    // Timer starts and kills asked for since the last call, in order.
    std::vector<TimerRequest> TakeTimerRequests();

    // --- what the window shows ---
    int type() const { return type_; }
    int level() const { return level_; }
    bool solved() const { return solved_; }
    const QString& prompt() const { return prompt_; }
    QString label(int index) const { return valid(index) ? labels_[index] : QString(); }
    bool visible(int index) const { return valid(index) && visible_[index]; }
    // Drawn in inverted colours (Repeat's "*" during the presentation).
    bool inverted(int index) const { return valid(index) && inverted_[index]; }
    // Repeat: the step of the presentation, -1 in the answer phase.
    int replayStep() const { return replayStep_; }
    // Memory: the index of the pair being uncovered (0-5).
    int pairsFound() const { return pairsFound_; }
    // Repeat: the button indexes to repeat.
    const std::vector<int>& sequence() const { return sequence_; }

    // --- what a screen reader says ---
    // Button `index` in words: its label, except that a face-down card is
    // "Hidden card" and a key lit during Repeat's presentation is its number
    // followed by ", shown"; "" for an index out of range.
    QString SpokenLabel(int index) const;
    // What the user has entered towards the answer, as the keys' labels: Math
    // the last digit tapped (a wrong one: the right one ends the quiz), Memory
    // the cards turned over for the pair being uncovered, Repeat the keys typed
    // so far. Empty before the first tap and after a judged answer.
    QStringList Entered() const;

    // The text of button `index` in a Repeat game ("1".."12" reading the keypad in order).
    static QString RepeatLabel(int index);
    // One of the game types set in `quizTypes` (bit 0 Math, 1 Memory, 2 Repeat;
    // other bits are ignored), chosen with rand() after srand(seed); Math when
    // none is set.
    static int ChooseType(int quizTypes, unsigned seed);

private:
    static bool valid(int index) { return index >= 0 && index < kButtons; }
    void StartMath();
    void StartMemory();
    void StartRepeat();
    bool TapMemory(int index);
    bool TapRepeat(int index);
    void MemoryTimer();
    void PresentStep();
    void SetTimer(int id, int ms) { requests_.push_back({id, ms}); }
    void KillTimer(int id) { requests_.push_back({id, -1}); }
    bool InAnySlot(int index) const;

    int type_;                                  // Math, Memory or Repeat
    int level_;                                 // 0..kMaxLevel
    bool solved_ = false;                       // the quiz has been solved
    QString prompt_;                            // text above the keypad
    std::array<QString, kButtons> labels_;      // button texts
    std::array<bool, kButtons> visible_{};      // shown buttons
    std::array<bool, kButtons> inverted_{};     // drawn in inverted colours

    int answer_ = -1;                           // Math: index of the right button
    int lastTapped_ = -1;                       // Math: the button last tapped, -1 none

    std::array<int, kButtons> cards_{};         // Memory: pair number 0-5 per button, -1 undealt
    std::array<std::array<int, 2>, kPairs> slots_{}; // Memory: buttons of the k-th pair found, -1 empty
    int pairsFound_ = 0;                        // Memory: index of the pair being uncovered

    std::vector<int> sequence_;                 // Repeat: level + 1 button indexes
    int replayStep_ = 0;                        // Repeat: presentation step, -1 = answer phase
    std::vector<int> input_;                    // Repeat: buttons typed so far

    std::vector<TimerRequest> requests_;        // pending timer starts/kills
};

} // namespace dawnbell
