// The template selection: a new alarm kind chosen, a template with its
// picture and name box, a command template with its target's icon, and the
// template entry in a dark colour scheme.
#include "Gallery.h"

#include "Alarm.h"
#include "CSelectTemplate.h"
#include "CTemplatePreviewStatic.h"
#include "Profile.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>

namespace dawnbell {
namespace {

const QString kSettings = QStringLiteral("settings");

// A folder with a square sunrise picture for the template's preview.
QString ImagesFolder()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        QImage picture(320, 320, QImage::Format_RGB32);
        QPainter p(&picture);
        QLinearGradient sky(0, 0, 0, 320);
        sky.setColorAt(0, QColor(40, 60, 140));
        sky.setColorAt(0.7, QColor(250, 170, 90));
        sky.setColorAt(1, QColor(250, 220, 160));
        p.fillRect(picture.rect(), sky);
        p.setBrush(QColor(255, 240, 200));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(160, 230), 50, 50);
        p.end();
        return picture.save(dir.filePath(QStringLiteral("sunriseSquare.png")));
    }();
    Q_UNUSED(made);
    return dir.path();
}

TemplateList* Templates()
{
    static TemplateList list;
    if (list.empty()) {
        auto morning = std::make_unique<AlarmTemplate>();
        morning->name = QStringLiteral("Morning Mist");
        morning->type = AlarmWizard;
        morning->useBackColor = 1;
        morning->backColor = 701690; // orange
        morning->useTextColor = 1;
        morning->textColor = 150; // dark red
        morning->backImageStyle = 1;
        morning->SetBackImage(BackImageQVGASquare, QStringLiteral("sunriseSquare.png"));
        list.push_back(std::move(morning));
        auto radio = std::make_unique<AlarmTemplate>();
        radio->name = QStringLiteral("Radio");
        radio->type = AlarmCommand;
        radio->command = QStringLiteral("/bin/sh");
        list.push_back(std::move(radio));
    }
    return &list;
}

Alarm* NewAlarm()
{
    static std::vector<std::unique_ptr<Alarm>> alarms;
    alarms.push_back(std::make_unique<Alarm>());
    return alarms.back().get();
}

const bool registered = gallery::Register(
    {QStringLiteral("template-selection"),
     {QStringLiteral("new"), QStringLiteral("template"), QStringLiteral("command"), QStringLiteral("dark")},
     [](const QString& state) -> QWidget* {
         const bool dark = state == QLatin1String("dark");
         Profile::WriteInt(kSettings, QStringLiteral("bgColor"), dark ? 0x402010 : 0xE6E6E6);
         Profile::WriteInt(kSettings, QStringLiteral("textColor"), dark ? 0xF0E0D0 : 0x505050);
         CSelectTemplate::Services services;
         services.templates = Templates();
         services.compactEditor = [](Alarm*, QWidget*) { return false; };
         services.wizard = [](Alarm*, QWidget*) { return false; };
         auto* dialog = new CSelectTemplate(NewAlarm(), nullptr, std::move(services));
         dialog->Preview()->SetImagesDir(ImagesFolder());
         if (state == QLatin1String("template") || dark)
             dialog->Choose(CSelectTemplate::kFirstTemplate);
         else if (state == QLatin1String("command"))
             dialog->Choose(CSelectTemplate::kFirstTemplate + 1);
         return dialog;
     }});

} // namespace
} // namespace dawnbell
