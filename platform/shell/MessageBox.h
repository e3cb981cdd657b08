#pragma once
// The one message box of the program.
//
// Automation: DAWNBELL_AUTO_ANSWER=yes|no|ok|cancel answers every box at once
// without showing it; DAWNBELL_MSGBOX_RECORD=FILE appends one line per box
// (caption, a tab, the text with line breaks written as \n). Without a display
// (no QApplication, or the offscreen platform) a box is written to stderr and
// answered with its safe default: OK, or No / Cancel for questions.
#include <QString>

class QWidget;

namespace dawnbell {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Error, Warning, Question, Information };
// Answers, numbered like the classic dialog results.
enum class MsgAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

MsgAnswer ShowMessageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                         QWidget* owner = nullptr);

} // namespace dawnbell
