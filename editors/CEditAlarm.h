#pragma once
// The compact one-screen editor of an alarm: time of day and repeat days (or a
// countdown), title, message, snooze length, quiz threshold, vibration, forced
// volume, random order and the playlist. It edits one Alarm in place and only
// when the user presses OK; everything else the alarm holds is left untouched.
// Apart from the setting lastSelectedSoundFolder it never writes the registry:
// activating, saving and listing the alarm are the caller's business.
//
// The dialog fills its screen. Its labels are hidden holders of text and place
// that the dialog paints itself over its gradient. Changing the device volume
// (Force volume, its slider, a test with Force volume on) first keeps the old
// wave-out volume, which OK, Cancel, unchecking Force volume and destruction put
// back.
//
// Tests drive it without a modal loop through the methods under "driving".
#include "KitDialog.h"
#include "ForcedDeviceVolume.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimeEdit;

namespace dawnbell {

class Alarm;
class DialogLayout;
class FileDialog;
class MediaPlayer;

class CEditAlarm : public KitDialog {
    Q_OBJECT
public:
    // Control ids, kept as the controls' object names.
    enum ControlId : int {
        IdOk = 1,
        IdCancel = 2,
        IdTitle = 1005,
        IdMessage = 1006,
        IdTime = 1007,
        IdSnooze = 1010,
        IdVibrate = 1011,
        IdList = 1013,
        IdAdd = 1014,
        IdRemove = 1015,
        IdRandom = 1016,
        IdUp = 1017,
        IdDown = 1018,
        IdForceVolume = 1019,
        IdTimeLabel = 1021,
        IdSnoozeLabel = 1023,
        IdTitleLabel = 1025,
        IdMessageLabel = 1026,
        IdVolume = 1029,
        IdMonday = 1030,
        IdTuesday = 1032,
        IdWednesday = 1037,
        IdThursday = 1038,
        IdFriday = 1039,
        IdSaturday = 1040,
        IdSunday = 1042,
        IdQuiz = 1045,
        IdQuizLabel = 1049,
    };
    // Day check boxes, Monday (bit 0 of repeatDays) first.
    static constexpr int kDayIds[7] = {IdMonday, IdTuesday, IdWednesday, IdThursday,
                                       IdFriday, IdSaturday, IdSunday};
    // Dialog layouts: narrower than tall, wider than tall, square.
    static constexpr int kPortraitLayout = 130;
    static constexpr int kLandscapeLayout = 131;
    static constexpr int kSquareLayout = 207;
    // Limits of the edits.
    static constexpr int kMaxTextLength = 1000; // title and message, characters
    static constexpr int kMaxSnoozeMinutes = 99; // unless the alarm already has more
    static constexpr int kMaxQuiz = 9;

    // Answers whether a candidate alarm rings at the same time as another alarm
    // of the caller's list (the edited alarm excluded); may be empty (no clash).
    using ClashCheck = std::function<bool(const Alarm& candidate)>;
    // Runs a prepared file chooser and returns its result (QDialog::Accepted or
    // Rejected); by default exec(). Tests drive the real chooser instead.
    using FileDialogRunner = std::function<int(FileDialog& dialog)>;

    // An editor of `alarm` (not owned; must outlive the dialog), filled with its
    // values. `clash` is asked at OK.
    CEditAlarm(Alarm* alarm, QWidget* parent = nullptr, ClashCheck clash = {});
    // Stops test playback and puts back a wave-out volume still saved.
    ~CEditAlarm() override;

    // Replaces how every later Add runs the file chooser; empty restores exec().
    static void SetFileDialogRunnerForTesting(FileDialogRunner runner);

    // --- driving (what the user's taps do) ---------------------------------
    // A tap inside the time label: switches countdown mode.
    void TapTimeLabel();
    // Sets the time picker to h:m:s.
    void SetPickedTime(int hour, int minute, int second);
    // Selects playlist row `row` (-1 clears the selection).
    void SelectRow(int row);
    // A double tap on playlist row `row`: selects it and plays it as a test.
    void DoubleTapRow(int row);
    // A tap on one of the buttons or check boxes (ControlId): Add, Remove, Up,
    // Down, Force volume (toggles it), OK, Cancel, or a day/option box (toggles).
    void Press(int id);
    // Moves the volume slider to `percent` as the user's drag does.
    void MoveVolumeSlider(int percent);

    // --- state, for the caller and tests ------------------------------------
    bool countdownMode() const { return m_countdown; }
    // The working playlist (full paths in row order) and the rows' texts.
    QStringList playlist() const;
    QStringList rowTexts() const;
    // Selected row; -1 when none.
    int selectedRow() const;
    // The wave-out volume kept before this dialog changed it; -1 when none.
    int64_t savedWaveVolume() const { return m_savedDevice.saved() ? int64_t(m_savedDevice.level().volume) : -1; }
    // The player of test playback; null until the first test and after OK/Cancel.
    MediaPlayer* player() const { return m_player.get(); }
    // Contents of the run-time edits and the picker as shown.
    QString snoozeText() const;
    QString quizText() const;
    QString pickerText() const;
    QTimeEdit* timePicker() const { return m_time; }
    QLabel* timeLabel() const { return m_timeLabel; }

    // --- pure helpers --------------------------------------------------------
    // Seconds from the current time of day `nowSecondOfDay` to the next `picked`
    // time of day: 0 <= result < 86400.
    static int CountdownSeconds(int pickedSecondOfDay, int nowSecondOfDay);
    // Text of a playlist row: the full path, or with fullPath 0 the part after
    // the last "/" or "\".
    static QString RowTextFor(const QString& path, bool fullPath);

public slots:
    void accept() override;
    void reject() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Hidden labels that are disabled or empty are not painted.
    void PaintLabels(QPainter& painter) override;

private:
    void CreateControls();
    void FillFromAlarm();
    // Places every control for a dialog of `size` (see the class comment).
    void LayOutFor(const QSize& size) override;
    void ApplyCaptions();
    // Names for screen readers: the fields take the texts of the labels the dialog
    // paints (without their colon); the arrow buttons and the slider their own.
    void ApplyAccessibleNames();
    void UpdateButtons();
    void SetPickerFormat();
    // Steps the time picker's font down from the dialog's (the kit's smaller
    // font, at most twice) until its text fits the edit field: the square
    // layout's picker is too narrow for a time with seconds.
    void FitPickerFont();
    void AddRow(const QString& path);
    void MoveRow(int delta);
    void RemoveRow();
    void AddFiles();
    void ForceVolumeToggled();
    void SliderMoved(int percent);
    void TestPlay(int row);
    // Keeps the current wave-out volume unless one is kept already.
    void SaveWaveVolume();
    // Sets the wave-out volume to the slider's percentage.
    void ApplySliderVolume();
    // Puts back the kept wave-out volume (if any) and forgets it.
    void RestoreWaveVolume();
    void ReleasePlayer();
    // The OK steps; false keeps the dialog open.
    bool TryAccept();
    // Moment of the picker outside countdown mode: the picker date at the picked time.
    int64_t PickedMoment() const;
    int PickedSeconds() const;

    Alarm* m_alarm;                       // edited alarm, not owned
    ClashCheck m_clash;                   // time-clash question of the caller
    bool m_countdown = false;             // the picker shows a duration
    int64_t m_pickerDate = 0;             // a moment whose local date the picker's time belongs to
    std::unique_ptr<MediaPlayer> m_player; // test playback; created at the first test
    ForcedDeviceVolume m_savedDevice;     // the device volume and mute before our change
    bool m_closing = false;               // OK or Cancel finished: no more volume restores

    QLabel* m_titleLabel = nullptr;       // 1025 "Title:"
    QLabel* m_messageLabel = nullptr;     // 1026 "Message:"
    QLabel* m_timeLabel = nullptr;        // 1021 "Time:" / "Remaining Time:"
    QLabel* m_snoozeLabel = nullptr;      // 1023 "Snooze (min.):"
    QLabel* m_quizLabel = nullptr;        // 1049 "Quiz:"
    QLineEdit* m_title = nullptr;         // 1005
    QLineEdit* m_message = nullptr;       // 1006
    QTimeEdit* m_time = nullptr;          // 1007
    QSpinBox* m_snooze = nullptr;         // 1010, minutes 0-99
    QSpinBox* m_quiz = nullptr;           // 1045, 0-9
    QCheckBox* m_days[7] = {};            // Monday ... Sunday
    QCheckBox* m_vibrate = nullptr;       // 1011
    QCheckBox* m_random = nullptr;        // 1016
    QCheckBox* m_forceVolume = nullptr;   // 1019
    QSlider* m_volume = nullptr;          // 1029, percent 0-100
    QListWidget* m_list = nullptr;        // 1013, rows carry their full path
    QPushButton* m_add = nullptr;         // 1014
    QPushButton* m_remove = nullptr;      // 1015
    QPushButton* m_up = nullptr;          // 1017 "^"
    QPushButton* m_down = nullptr;        // 1018 "v"
    QPushButton* m_ok = nullptr;          // 1
    QPushButton* m_cancel = nullptr;      // 2
};

} // namespace dawnbell
