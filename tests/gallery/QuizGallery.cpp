// The snooze quiz in each game and stage, and the closing confirmation, in the
// program's default colours and a dark scheme. The display decides the
// orientation: portrait screens show the three-column keypad, the others the
// four-column one.
#include "Gallery.h"

#include "CCloseAlarmDialog.h"
#include "CQuizDialog.h"

namespace dawnbell {
namespace {

constexpr uint32_t kDefaultBack = 0x00E6E6E6; // the program's default background
constexpr uint32_t kDefaultText = 0x00505050; // and text colour
constexpr uint32_t kDarkBack = 0x00301810;    // night blue
constexpr uint32_t kDarkText = 0x00E0F0FF;    // warm white
constexpr unsigned kSeed = 2026;              // fixed draws: the same pictures every run

QWidget* BuildQuiz(const QString& state)
{
    CQuizDialog::SetSeedForTesting(kSeed);
    const bool dark = state.endsWith(QLatin1String("-dark"));
    const uint32_t back = dark ? kDarkBack : kDefaultBack;
    const uint32_t text = dark ? kDarkText : kDefaultText;
    CQuizDialog* quiz = nullptr;
    if (state.startsWith(QLatin1String("math-sum"))) {
        quiz = new CQuizDialog(text, back, 0, QuizGame::Math);
    } else if (state == QLatin1String("math-root")) {
        quiz = new CQuizDialog(text, back, 3, QuizGame::Math);
    } else if (state == QLatin1String("math-product")) {
        quiz = new CQuizDialog(text, back, 6, QuizGame::Math);
    } else if (state.startsWith(QLatin1String("memory-level0"))) {
        quiz = new CQuizDialog(text, back, 0, QuizGame::Memory);
    } else if (state == QLatin1String("memory-uncovering")) {
        // Level 5: nothing face up; two cards turned over.
        quiz = new CQuizDialog(text, back, 5, QuizGame::Memory);
        quiz->TapButton(4);
        quiz->TapButton(7);
    } else if (state.startsWith(QLatin1String("repeat-shown"))) {
        // The first button of the sequence on show, inverted.
        quiz = new CQuizDialog(text, back, 2, QuizGame::Repeat);
        quiz->HandleTimer(QuizGame::TimerPresent);
    } else if (state == QLatin1String("repeat-answer")) {
        // The answer phase with two of three buttons typed.
        quiz = new CQuizDialog(text, back, 2, QuizGame::Repeat);
        while (quiz->game().replayStep() != -1)
            quiz->HandleTimer(QuizGame::TimerPresent);
        quiz->TapButton(quiz->game().sequence()[0]);
        quiz->TapButton(quiz->game().sequence()[1]);
    } else if (state == QLatin1String("repeat-wrong")) {
        quiz = new CQuizDialog(text, back, 0, QuizGame::Repeat);
        while (quiz->game().replayStep() != -1)
            quiz->HandleTimer(QuizGame::TimerPresent);
        quiz->TapButton((quiz->game().sequence()[0] + 1) % QuizGame::kButtons);
    }
    CQuizDialog::SetSeedForTesting(std::nullopt);
    return quiz;
}

const bool registeredQuiz = gallery::Register(
    {QStringLiteral("quiz"),
     {QStringLiteral("math-sum"), QStringLiteral("math-sum-dark"), QStringLiteral("math-root"),
      QStringLiteral("math-product"), QStringLiteral("memory-level0"), QStringLiteral("memory-level0-dark"),
      QStringLiteral("memory-uncovering"), QStringLiteral("repeat-shown"), QStringLiteral("repeat-shown-dark"),
      QStringLiteral("repeat-answer"), QStringLiteral("repeat-wrong")},
     BuildQuiz});

const bool registeredClose = gallery::Register(
    {QStringLiteral("close-confirm"),
     {QStringLiteral("light"), QStringLiteral("dark"), QStringLiteral("counting")},
     [](const QString& state) -> QWidget* {
         const bool dark = state == QLatin1String("dark");
         auto* dialog = new CCloseAlarmDialog(dark ? kDarkBack : kDefaultBack, dark ? kDarkText : kDefaultText);
         if (state == QLatin1String("counting")) {
             dialog->HandleTimer(CCloseAlarmDialog::TimerCountdown);
             dialog->HandleTimer(CCloseAlarmDialog::TimerCountdown);
         }
         return dialog;
     }});

} // namespace
} // namespace dawnbell
