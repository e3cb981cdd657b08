#include "COptionsGeneral.h"

#include "COptionsWizard.h"
#include "LanguageTable.h"
#include "MessageBox.h"
#include "Process.h"
#include "TextFormat.h"
#include "Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

#include <cerrno>

#include <sys/wait.h>

namespace dawnbell {

namespace {

enum TextId {
    kTextActivate = 7,
    kTextRemove = 21,
    kTextEdit = 26,
    kTextLanguage = 28,
    kTextDoubleClick = 49,
    kTextError = 113,
    kTextAutoExit = 120,
    kTextTitle = 116, // "General"
    kTextHelp = 141,
    kTextGuideMissing = 249, // "The user guide %s is missing."
    kTextNoOpener = 250,     // no program to open it could be started
    kTextOpenerFailed = 251, // the opener ended at once with a status

};

// The double-tap actions in the order of the drop-down, with their values.
constexpr struct {
    int value;
    int text;
} kActions[] = {{0, kTextEdit}, {1, kTextActivate}, {2, kTextRemove}};

const QString kBuiltInLanguage = QStringLiteral("english");

} // namespace

COptionsGeneral::COptionsGeneral(COptionsWizard* sheet)
    : COptionsPage(sheet, kLayout, kTextTitle)
{
}

QString COptionsGeneral::HelpPath(const QString& programDir)
{
    return programDir + QStringLiteral("/help/index.html");
}

void COptionsGeneral::CreateControls()
{
    AddLabel(IdLanguageLabel, kTextLanguage);
    AddCombo(IdLanguage);
    AddLabel(IdDoubleClickLabel, kTextDoubleClick);
    AddCombo(IdDoubleClick);
    AddCheck(IdAutoExit, kTextAutoExit);
    connect(AddButton(IdHelp, kTextHelp), &QPushButton::clicked, this, &COptionsGeneral::OpenHelp);
}

void COptionsGeneral::Fill()
{
    auto* language = Ctl<QComboBox>(IdLanguage);
    language->addItems(LanguageTable::AvailableLanguages(m_sheet->Services().programDir));
    const int stored = language->findText(Work().languageFile, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    language->setCurrentIndex(Work().languageFile.isEmpty() || stored < 0 ? language->findText(kBuiltInLanguage)
                                                                           : stored);

    auto* action = Ctl<QComboBox>(IdDoubleClick);
    for (const auto& a : kActions)
        action->addItem(Text(a.text), a.value);
    action->setCurrentIndex(action->findData(Work().doubleClick)); // none for an unknown stored value

    Ctl<QCheckBox>(IdAutoExit)->setChecked(Work().autoExit != 0);
}

void COptionsGeneral::Store()
{
    const auto* language = Ctl<QComboBox>(IdLanguage);
    if (language->currentIndex() >= 0)
        Work().languageFile = language->currentText();
    const auto* action = Ctl<QComboBox>(IdDoubleClick);
    if (action->currentIndex() >= 0)
        Work().doubleClick = action->currentData().toInt();
    Work().autoExit = Ctl<QCheckBox>(IdAutoExit)->isChecked() ? 1 : 0;
}

int COptionsGeneral::OpenWithDesktop(const QString& path)
{
    int ended = -1;
    process::SpawnOptions options;
    options.watchMs = kOpenerWatchMs;
    options.endStatus = &ended;
    const int error = process::SpawnDetachedArgs("xdg-open", {path.toStdString()}, nullptr, options);
    if (error != 0)
        return error;
    if (ended == -1 || (WIFEXITED(ended) && WEXITSTATUS(ended) == 0))
        return 0; // still running (it shows the guide), or done
    return WIFEXITED(ended) ? -WEXITSTATUS(ended) : -(128 + WTERMSIG(ended));
}

void COptionsGeneral::OpenHelp()
{
    const QString path = HelpPath(m_sheet->Services().programDir);
    QString problem;
    if (!QFileInfo(path).isFile()) {
        problem = FormatTextId(kTextGuideMissing, {path});
    } else {
        const auto& open = m_sheet->Services().openDocument;
        const int result = open ? open(path) : OpenWithDesktop(path);
        if (result > 0)
            problem = FormatTextId(kTextNoOpener, {path});
        else if (result < 0)
            problem = FormatTextId(kTextOpenerFailed, {-result, path});
    }
    if (problem.isEmpty())
        return;
    qWarning("%s", qPrintable(problem));
    ShowMessageBox(problem, Text(kTextError), MsgButtons::Ok, MsgIcon::Error, m_sheet);
}

} // namespace dawnbell
