#pragma once
// The outside pieces a ringing window works with, gathered so the program can
// install its own once and tests can substitute theirs.
#include "KeepAwake.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace dawnbell {

// Runs the snooze quiz modally and returns when it is done (its result does not
// matter). Colours are 0x00BBGGRR; type is 1 Math, 2 Memory or 4 Repeat.
using QuizRunner = std::function<void(QWidget* parent, uint32_t textColor, uint32_t backColor, int level,
                                      int type)>;
// Asks whether the alarm should end; true means "Yes, close it".
using CloseConfirmer = std::function<bool(QWidget* parent, uint32_t backColor, uint32_t textColor)>;
// Makes the window's keep-awake object (null: none, nothing is kept awake).
using KeepAwakeFactory = std::function<std::unique_ptr<KeepAwake>()>;

struct RingingServices {
    KeepAwakeFactory keepAwake;   // empty: no keep-awake
    QuizRunner quiz;              // empty: snoozes that reach the quiz need none
    CloseConfirmer confirmClose;  // empty: a Yes/No question box "Close the alarm?"
    QString imagesDir;            // background images; empty: <program folder>/images
    QString wakeProgram;          // started by the snooze wake-up; empty: this program
    // Nobody can see or touch the ringing (there is no display): a snooze ends
    // the ringing and leaves a notification that starts the wake program with
    // the alarm's key when the snooze is over, and a ringing the alarm sets no
    // end for (no closeAfterMinutes, and no closeAfterTimes that can be reached)
    // ends after AlarmRinging::kLongestUnattendedMinutes.
    bool unattended = false;
};

// Asks with services.confirmClose, or with a Yes/No question box "Close the
// alarm?" when it is empty; true means close the alarm.
bool ConfirmClose(const RingingServices& services, QWidget* parent, uint32_t backColor, uint32_t textColor);

// The services every ringing window starts with unless it is given its own;
// initially the program's quiz and closing confirmation windows.
void SetDefaultRingingServices(const RingingServices& services);
const RingingServices& DefaultRingingServices();

} // namespace dawnbell
