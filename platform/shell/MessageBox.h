#pragma once
// The one message box of the program.
//
// Automation: DAWNBELL_AUTO_ANSWER=yes|no|ok|cancel answers every box at once
// without showing it; DAWNBELL_MSGBOX_RECORD=FILE appends one line per box
// (caption, a tab, the text with line breaks written as \n).
//
// Showing a box is the presenter's job. Programs with windows install one that
// draws a dialog (InstallWidgetMessageBox, ui/); without a presenter (tools such
// as dawnbell-alarm, which must run without a display, and the headless paths)
// a box is written to stderr as "caption: text" and answered with its safe
// default: OK, or No / Cancel for questions. This library itself needs Qt Core only.
#include <QString>

#include <functional>

class QWidget;

namespace dawnbell {

// YesNoSafe: Yes and No with No as the button Enter presses, for questions
// whose Yes deletes or replaces something of the user's.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoSafe };
enum class MsgIcon { None, Error, Warning, Question, Information };
// Answers, numbered like the classic dialog results.
enum class MsgAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

MsgAnswer ShowMessageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                         QWidget* owner = nullptr);

// Shows one box and returns the answer; called after the automation and the
// record had their turn.
using MessageBoxPresenter =
    std::function<MsgAnswer(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                            QWidget* owner)>;
// Installs the presenter (an empty function restores the stderr default).
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The answer a box gets when nobody can be asked: OK, or No / Cancel for questions.
MsgAnswer SafeMessageBoxAnswer(MsgButtons buttons);
// Writes "caption: text" to stderr and returns SafeMessageBoxAnswer(buttons).
MsgAnswer MessageBoxToStderr(const QString& text, const QString& caption, MsgButtons buttons);

} // namespace dawnbell
