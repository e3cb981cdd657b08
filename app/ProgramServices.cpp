#include "ProgramServices.h"

#include "AlarmChanges.h"
#include "AlarmStore.h"
#include "CAlarmApp.h"
#include "CEditAlarm.h"
#include "CEditWizard.h"
#include "CMainDialog.h"
#include "CMoreImagesDialog.h"
#include "COptionsWizard.h"
#include "CSelectTemplate.h"
#include "DevicePaths.h"
#include "SessionInhibitor.h"
#include "SystemAlarmSimulation.h"
#include "VersionInfo.h"

namespace dawnbell {

namespace {

bool RunCompactEditor(Alarm* alarm, CMainDialog* owner)
{
    CEditAlarm editor(alarm, owner, [owner, alarm](const Alarm& candidate) { return owner->TimeClash(candidate, alarm); });
    return editor.exec() == QDialog::Accepted;
}

bool RunWizard(Alarm* alarm, CMainDialog* owner)
{
    WizardServices services;
    services.clash = [owner, alarm](const Alarm& candidate) { return owner->TimeClash(candidate, alarm); };
    services.templates = &owner->Templates();
    if (CAlarmApp* app = CAlarmApp::Instance())
        services.namedColors = app->NamedColors();
    else
        AlarmStore::LoadNamedColors(&services.namedColors);
    CEditWizard wizard(alarm, owner, std::move(services));
    return wizard.exec() == QDialog::Accepted;
}

bool RunTemplateSelection(Alarm* alarm, CMainDialog* owner)
{
    CSelectTemplate::Services services;
    services.templates = &owner->Templates();
    if (CAlarmApp* app = CAlarmApp::Instance())
        services.programDir = app->programDir;
    services.compactEditor = [owner](Alarm* a, QWidget*) { return RunCompactEditor(a, owner); };
    services.wizard = [owner](Alarm* a, QWidget*) { return RunWizard(a, owner); };
    CSelectTemplate selection(alarm, owner, std::move(services));
    return selection.exec() == QDialog::Accepted;
}

bool RunOptions(CMainDialog* owner)
{
    OptionsServices services;
    CAlarmApp* app = CAlarmApp::Instance();
    services.programDir = app ? app->programDir : QString::fromStdString(ProgramDir());
    services.templates = &owner->Templates();
    if (app)
        services.namedColors = app->NamedColors();
    else
        AlarmStore::LoadNamedColors(&services.namedColors);
    services.olderPlatform = CAlarmApp::NeedsAlarmBugFix(CAlarmApp::CurrentPlatformVersion());
    VersionInfo version;
    version.Load();
    services.versionText = QStringLiteral("Dawnbell v") + version.FileVersion();
    const QString images = PictureFiles::Folder(services.programDir);
    services.moreImages = [images](AlarmTemplate* t, QWidget* sheet) {
        CMoreImagesDialog dialog(t, sheet, images);
        return dialog.exec() == QDialog::Accepted;
    };
    if (app) {
        // The new language applies at once: the main window and every window
        // opened later show its texts.
        services.setLanguage = [app](const QString& file) {
            app->languageFile = file;
            app->languageTable.Load(app->programDir, file);
        };
        services.setColors = [app](uint32_t bg, uint32_t text) {
            app->bgColor = bg;
            app->textColor = text;
        };
        services.setNamedColors = [app](const QList<NamedColor>& colors) { app->namedColors = colors; };
    }
    COptionsWizard sheet(std::move(services), owner);
    return sheet.exec() == QDialog::Accepted;
}

} // namespace

void InstallScheduleServices()
{
    static bool installed = false; // one subscription for the process
    if (installed)
        return;
    installed = true;
    QObject::connect(&AlarmChanges::Instance(), &AlarmChanges::scheduleRebuilt,
                     [] { SessionInhibitor::SimulateUserActivity(); });
}

MainWindowServices ProgramMainWindowServices()
{
    MainWindowServices s;
    s.compactEditor = RunCompactEditor;
    s.options = RunOptions;
    s.wizard = RunWizard;
    s.templateSelection = RunTemplateSelection;
    s.simulation = [](Alarm* next) { SystemAlarmSimulation::Refresh(next); };
    return s;
}

} // namespace dawnbell
