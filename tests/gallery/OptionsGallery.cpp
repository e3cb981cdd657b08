// The options sheet, one entry per page (options-<page>-<state>.png), and the
// per-screen pictures of a template (more-images). The General page also in a
// dark colour scheme, the Today page with the item switched off, the Advanced
// page on an older platform (with the alarm-bug fix).
#include "Gallery.h"

#include "Alarm.h"
#include "AlarmStore.h"
#include "CMoreImagesDialog.h"
#include "COptionsWizard.h"
#include "Profile.h"
#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace dawnbell {
namespace {

const QString kSettings = QStringLiteral("settings");

// Templates the Templates page and the picture dialog show; they live as long as the process.
TemplateList* Templates()
{
    static TemplateList list;
    if (list.empty()) {
        const char* names[] = {"High Noon", "Medication", "Morning Mist", "Pizza Timer"};
        for (const char* name : names) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = QLatin1String(name);
            t->type = AlarmWizard;
            t->useBackColor = 1;
            t->backColor = 0x0000A5FF;
            list.push_back(std::move(t));
        }
        list[2]->SetBackImage(BackImageQVGA, QStringLiteral("morningMistQVGA.jpg"));
        list[2]->SetBackImage(BackImageSquare, QStringLiteral("morningMistSquare.jpg"));
    }
    return &list;
}

// A program folder with two language files and a few pictures.
QString ProgramFolder()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        QDir(dir.path()).mkpath(QStringLiteral("languages"));
        QDir(dir.path()).mkpath(QStringLiteral("images"));
        for (const char* name : {"languages/deutsch.xml", "languages/français.xml", "images/morningMistQVGA.jpg",
                                 "images/morningMistSquare.jpg", "images/sunrise.png"}) {
            QFile f(dir.filePath(QString::fromUtf8(name)));
            f.open(QIODevice::WriteOnly);
        }
        return true;
    }();
    Q_UNUSED(made);
    return dir.path();
}

QWidget* Sheet(int page, bool dark, bool older)
{
    Profile::WriteInt(kSettings, QStringLiteral("bgColor"), dark ? 0x402010 : 0xE6E6E6);
    Profile::WriteInt(kSettings, QStringLiteral("textColor"), dark ? 0xF0E0D0 : 0x505050);
    OptionsServices services;
    services.programDir = ProgramFolder();
    services.templates = Templates();
    services.namedColors = {{QStringLiteral("Blue"), 0xE6A88C}, {QStringLiteral("Gray"), 0xAAAAAA},
                            {QStringLiteral("Orange"), 0x0AB5FA}, {QStringLiteral("Red"), 0x2828DC}};
    services.olderPlatform = older;
    services.versionText = QStringLiteral("Dawnbell v1.0.0");
    services.moreImages = [](AlarmTemplate*, QWidget*) { return false; };
    auto* sheet = new COptionsWizard(std::move(services));
    sheet->ShowPage(page);
    return sheet;
}

struct PageEntry {
    const char* name;
    int page;
    QStringList states;
};

const bool registered = [] {
    const PageEntry pages[] = {
        {"options-general", COptionsWizard::PageGeneral, {QStringLiteral("light"), QStringLiteral("dark")}},
        {"options-colors", COptionsWizard::PageColors, {QStringLiteral("light")}},
        {"options-today", COptionsWizard::PageToday, {QStringLiteral("enabled"), QStringLiteral("disabled")}},
        {"options-templates", COptionsWizard::PageTemplates, {QStringLiteral("light")}},
        {"options-advanced", COptionsWizard::PageAdvanced, {QStringLiteral("newer"), QStringLiteral("older")}},
        {"options-about", COptionsWizard::PageAbout, {QStringLiteral("light")}},
    };
    for (const PageEntry& p : pages) {
        const int page = p.page;
        gallery::Register({QLatin1String(p.name), p.states, [page](const QString& state) -> QWidget* {
                               Profile::WriteInt(kSettings, QStringLiteral("todayLines"), 3);
                               RegKey item;
                               RegKey::Create(Hive::LocalMachine, OptionsSettings::kTodayItemKey, &item);
                               item.WriteDword("Enabled", state == QLatin1String("disabled") ? 0 : 1);
                               return Sheet(page, state == QLatin1String("dark"), state == QLatin1String("older"));
                           }});
    }
    gallery::Register({QStringLiteral("more-images"), {QStringLiteral("light")}, [](const QString&) -> QWidget* {
                           Profile::WriteInt(kSettings, QStringLiteral("bgColor"), 0xE6E6E6);
                           Profile::WriteInt(kSettings, QStringLiteral("textColor"), 0x505050);
                           return new CMoreImagesDialog((*Templates())[2].get(), nullptr,
                                                        ProgramFolder() + QStringLiteral("/images"));
                       }});
    return true;
}();

} // namespace
} // namespace dawnbell
