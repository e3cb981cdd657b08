#include "CStepCommand.h"

#include "Alarm.h"
#include "CommandAlarm.h"
#include "FileDialog.h"
#include "Profile.h"
#include "Texts.h"
#include "WizardServices.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace dawnbell {

namespace {

enum TextId {
    kTextTitle = 82,      // "Command"
    kTextParameter = 87,  // "Parameter:"
    kTextTarget = 88,     // "Application or file to open:"
    kTextBrowse = 89,
};

const QString kSettings = QStringLiteral("settings");
const QString kCommandFolder = QStringLiteral("lastSelectedCommandFolder");
const QString kSeparator = QStringLiteral("::"); // between a program and its parameters

} // namespace

CStepCommand::CStepCommand(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStepCommand::CreateControls()
{
    AddLabel(IdTargetLabel);
    AddLabel(IdParametersLabel);
    m_target = new QLineEdit(this);
    m_target->setObjectName(QString::number(IdTarget));
    QPushButton* browse = AddButton(IdBrowse);
    m_parameters = new QLineEdit(this);
    m_parameters->setObjectName(QString::number(IdParameters));
    setTabOrder(m_target, browse);
    setTabOrder(browse, m_parameters);
    connect(m_target, &QLineEdit::textChanged, this, [this] { TargetChanged(); });
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
}

void CStepCommand::ApplyCaptions()
{
    Ctl<QLabel>(IdTargetLabel)->setText(Text(kTextTarget));
    Ctl<QLabel>(IdParametersLabel)->setText(Text(kTextParameter));
    Ctl<QPushButton>(IdBrowse)->setText(Text(kTextBrowse));
}

void CStepCommand::FillFromAlarm()
{
    const CommandLaunch parts = PlanCommand(m_work->command);
    m_parameters->setText(parts.parameters);
    m_target->setText(parts.target);
    TargetChanged();
}

void CStepCommand::TargetChanged()
{
    const bool program = IsProgramTarget(m_target->text());
    m_parameters->setVisible(program);
    Ctl<QLabel>(IdParametersLabel)->setEnabled(program);
    update();
}

void CStepCommand::Browse()
{
    const QString folder = FileDialog::StartFolder(FileDialog::Purpose::Programs,
                                                   Profile::ReadText(kSettings, kCommandFolder, QString()));
    FileDialog chooser(FileDialog::Mode::Open, folder, window());
    chooser.SetFilter(FileDialog::ProgramFilter());
    chooser.SetSingleSelection(true);
    if (m_services->RunFileDialog(chooser) == QDialog::Accepted && !chooser.ChosenFiles().isEmpty())
        m_target->setText(chooser.ChosenFiles().first());
    Profile::WriteText(kSettings, kCommandFolder, chooser.CurrentFolder());
    Profile::Flush();
}

bool CStepCommand::StoreToAlarm()
{
    const QString target = m_target->text();
    m_work->command = IsProgramTarget(target) ? target + kSeparator + m_parameters->text() : target;
    return true;
}

} // namespace dawnbell
