// The wizard, one entry per page (wizard-<page>-<state>.png): a new alarm, a
// filled one with every optional control shown, and dark colours, plus the
// appointment, command and save pages. Pictures and templates are made in the
// gallery's temporary home.
#include "Gallery.h"

#include "Alarm.h"
#include "AlarmStore.h"
#include "CEditWizard.h"
#include "Clock.h"
#include "FadeCurve.h"
#include "Profile.h"
#include "Texts.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <memory>
#include <vector>

namespace dawnbell {
namespace {

// Pictures for the colour page's list and the save page's preview.
QString ImagesDir()
{
    static QString dir;
    if (!dir.isEmpty())
        return dir;
    dir = qEnvironmentVariable("DAWNBELL_HOME") + QStringLiteral("/wizard-images");
    QDir().mkpath(dir);
    QImage sky(160, 160, QImage::Format_RGB32);
    QPainter p(&sky);
    QLinearGradient g(0, 0, 0, 160);
    g.setColorAt(0, QColor(0x20, 0x30, 0x70));
    g.setColorAt(1, QColor(0xf0, 0xa0, 0x60));
    p.fillRect(sky.rect(), g);
    p.end();
    sky.save(dir + QStringLiteral("/Dawn sky.png"));
    sky.mirrored().save(dir + QStringLiteral("/Dusk.png"));
    return dir;
}

// The templates the save page lists; they live as long as the process.
std::vector<std::unique_ptr<AlarmTemplate>>* Templates()
{
    static std::vector<std::unique_ptr<AlarmTemplate>> list;
    if (list.empty()) {
        const char* names[] = {"Morning Mist", "High Noon", "Pizza Timer"};
        for (const char* name : names) {
            auto t = std::make_unique<AlarmTemplate>();
            t->name = QString::fromUtf8(name);
            list.push_back(std::move(t));
        }
        list[0]->backImageStyle = 1;
        list[0]->SetBackImage(BackImageSquare, QStringLiteral("Dawn sky.png"));
        list[1]->useBackColor = 1;
        list[1]->backColor = 0x0030A0F0;
        list[1]->useTextColor = 1;
        list[1]->textColor = 0x00402000;
    }
    return &list;
}

Alarm* KeepAlarm()
{
    static std::vector<std::unique_ptr<Alarm>> alarms;
    alarms.push_back(std::make_unique<Alarm>());
    return alarms.back().get();
}

void SetColors(bool dark)
{
    Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("bgColor"), dark ? 0x402010 : 0xE6E6E6);
    Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("textColor"), dark ? 0xF0E0D0 : 0x505050);
}

// An alarm with every optional control of the wizard's pages switched on.
void Fill(Alarm* a)
{
    a->alarmTime = clock::MakeLocal(2026, 3, 16, 6, 45, 0);
    a->repeatDays = 0x1F;
    a->title = QStringLiteral("Work");
    a->message = QStringLiteral("Bus leaves at 7:20\r\nTake the umbrella");
    a->playlist = {QStringLiteral("/home/user/Music/Morning Birds.mp3"),
                   QStringLiteral("/home/user/Music/Sunrise with a very long file name.mp3"),
                   QStringLiteral("/home/user/Music/Zen Gong.mp3")};
    a->forceVolume = 1;
    a->volume = 70;
    a->fadeDuration = 30;
    const FadeCurve curve = FadePresetCurve(FadePresetParabola);
    std::copy(curve.begin(), curve.end(), a->fade.begin());
    a->quiz = 2;
    a->quizLevel = 3;
    a->closeAfterMinutes = 15;
    a->useBackColor = 1;
    a->backColor = 16448000; // the named colour "Turquoise (light)", one of the longest names
    a->useTextColor = 1;
    a->textColor = 0x00C0F0FF;
    a->backImageStyle = 2;
    a->SetBackImage(BackImageSquare, QStringLiteral("Dusk.png"));
    a->layoutStyle = 2;
    a->showSoundControls = 1;
    a->command = QStringLiteral("/usr/bin/xmessage::Good morning");
}

// A wizard for an alarm of `type` showing page `page` (1-based).
QWidget* Build(int type, int page, const QString& state)
{
    SetColors(state == QLatin1String("dark"));
    Alarm* alarm = KeepAlarm();
    alarm->type = type;
    if (state != QLatin1String("new"))
        Fill(alarm);
    if (type == AlarmAppointment) {
        alarm->alarmTime = clock::MakeLocal(2026, 3, 20, 9, 30, 0);
        alarm->dateYear = 2026;
        alarm->dateMonth = 3;
        alarm->dateDay = 20;
    }
    WizardServices services;
    services.templates = Templates();
    services.imagesDir = ImagesDir();
    for (const DefaultColor& c : AlarmStore::DefaultNamedColors())
        services.namedColors.append({Text(c.textId), c.color});
    auto* wizard = new CEditWizard(alarm, nullptr, std::move(services));
    for (int i = 1; i < page; ++i)
        wizard->Next();
    return wizard;
}

struct PageEntry {
    const char* name;
    int type;
    int page;
    QStringList states;
};

const bool registered = [] {
    const QStringList normal{QStringLiteral("new"), QStringLiteral("filled"), QStringLiteral("dark")};
    const PageEntry pages[] = {
        {"wizard-step1", AlarmWizard, 1, normal},
        {"wizard-step2", AlarmWizard, 2, normal},
        {"wizard-step3", AlarmWizard, 3, normal},
        {"wizard-step4", AlarmWizard, 4, normal},
        {"wizard-step5", AlarmWizard, 5, normal},
        {"wizard-step6", AlarmWizard, 6, normal},
        {"wizard-step7", AlarmWizard, 7, normal},
        {"wizard-step8", AlarmWizard, 8, normal},
        {"wizard-save", AlarmWizard, 9, normal},
        {"wizard-appointment", AlarmAppointment, 1, normal},
        {"wizard-command", AlarmCommand, 3, normal},
    };
    for (const PageEntry& e : pages) {
        const int type = e.type;
        const int page = e.page;
        gallery::Register({QString::fromLatin1(e.name), e.states,
                           [type, page](const QString& state) { return Build(type, page, state); }});
    }
    return true;
}();

} // namespace
} // namespace dawnbell
