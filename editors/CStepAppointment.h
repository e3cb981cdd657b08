#pragma once
// Wizard page "Time" of an appointment alarm: a time picker and a date picker,
// a "Now" for each, and fourteen adjust buttons that change the time (hours,
// minutes) or the date (months, days) after whichever picker had the focus
// last. The page refuses a moment that is not in the future.
#include "CEditWizardPage.h"

#include <QDate>

class QDateEdit;
class QTimeEdit;

namespace dawnbell {

class CStepAppointment : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdTime = 1007,      // time picker
        IdTimeLabel = 1021, // "Time:"
        IdNowTime = 1052,   // "Now" for the time
        IdNowDate = 1053,   // "Now" for the date
        IdDate = 1116,      // date picker
        IdDateLabel = 1117, // "Date:"
    };
    static constexpr int kLayout = 241;

    // What the adjust buttons change.
    enum class Mode { Time, Date };

    // An adjust button: its id, its texts in time and date mode, the change of
    // the time in minutes, and of the date in months and days.
    struct Adjust {
        int id;
        const char* timeText;
        int minutes;
        const char* dateText;
        int months;
        int days;
    };
    static const Adjust kAdjusts[14];

    CStepAppointment(Alarm* work, const WizardServices* services);

    // Refuses (with "The time of the alarm is in the past!") a date before 1970
    // or a moment not later than now.
    bool StoreToAlarm() override;

    Mode AdjustMode() const { return m_mode; }
    // The date `months` months and then `days` days from `date`: a day that does
    // not exist in the new month becomes its last day; days roll over month and
    // year ends (Gregorian calendar).
    static QDate AdjustDate(const QDate& date, int months, int days);

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetMode(Mode mode);
    // Gives the adjust buttons the texts of the mode.
    void Relabel();
    void Apply(const Adjust& adjust);

    QTimeEdit* m_time = nullptr; // 1007
    QDateEdit* m_date = nullptr; // 1116
    Mode m_mode = Mode::Time;    // time at construction
};

} // namespace dawnbell
