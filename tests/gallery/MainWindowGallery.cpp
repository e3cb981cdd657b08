// The main window: empty, with a few alarms of every kind, with many alarms
// scrolled to the middle, with the Activate button's menu open, and in a dark
// colour scheme. Alarms are stored in the gallery's temporary home first, so the
// window loads them the way the program does.
#include "Gallery.h"

#include "Alarm.h"
#include "AlarmStore.h"
#include "CAlarmListCtrl.h"
#include "CMainDialog.h"
#include "Clock.h"
#include "Profile.h"
#include "ProgramServices.h"
#include "Scaling.h"

#include <QMenu>
#include <QPainter>
#include <QPushButton>

namespace dawnbell {
namespace {

constexpr uint32_t kDarkBack = 0x00301810; // night blue
constexpr uint32_t kDarkText = 0x00E0F0FF; // warm white

// Removes every stored alarm and template.
void ClearAlarms()
{
    std::vector<std::unique_ptr<Alarm>> alarms;
    std::vector<std::unique_ptr<AlarmTemplate>> templates;
    AlarmStore::LoadAll(&alarms, &templates);
    for (const auto& a : alarms)
        AlarmStore::DeleteSection(*a);
}

void StoreAlarm(int type, int hour, int minute, int days, bool active, const QString& title, int day = 16)
{
    Alarm a;
    a.type = type;
    a.repeatDays = days;
    a.activated = active ? 1 : 0;
    a.title = title;
    a.alarmTime = clock::MakeLocal(2026, 3, day, hour, minute, 0);
    a.dateYear = 2026;
    a.dateMonth = 3;
    a.dateDay = day;
    a.Save();
}

void StoreFew()
{
    StoreAlarm(AlarmCompact, 6, 30, 0x1F, true, QStringLiteral("Work"));
    StoreAlarm(AlarmWizard, 8, 0, 0x60, true, QStringLiteral("Weekend"));
    StoreAlarm(AlarmAppointment, 14, 15, 0, true, QStringLiteral("Dentist"));
    StoreAlarm(AlarmCommand, 7, 45, 0x7F, true, QStringLiteral("Morning radio"));
    StoreAlarm(AlarmCompact, 21, 0, 0, false, QStringLiteral("Evening walk"));
}

void StoreMany()
{
    const char* titles[] = {"Wake up", "Gym", "Pills", "Call mum", "Standup", "Lunch", "Bus", "Tea",
                            "Pick up kids", "Piano", "Bins out", "Plants", "Read", "Sleep", "Backup",
                            "Dentist", "Meeting", "Market", "Laundry", "Stretch"};
    for (int i = 0; i < 20; ++i) {
        const int type = i % 4;
        StoreAlarm(type, 5 + i % 17, (i * 7) % 60, type == AlarmAppointment ? 0 : (i * 37) % 128, i % 5 != 3,
                   QString::fromLatin1(titles[i]), 15 + i % 10);
    }
}

// The main window with its Activate menu drawn open over it, as one picture.
class MenuPicture : public QWidget {
public:
    explicit MenuPicture(CMainDialog* window)
    {
        setGeometry(window->geometry());
        window->show();
        m_picture = window->grab();
        QPushButton* button = window->button(CMainDialog::IdActivate);
        QMenu* menu = window->menuFor(CMainDialog::IdActivate);
        menu->ensurePolished();
        menu->adjustSize();
        const QPixmap menuPicture = menu->grab();
        // Opened at a press in the middle of the button, kept on the window.
        QPoint at = button->geometry().center();
        at.setX(std::min(at.x(), window->width() - menu->width()));
        at.setY(std::min(at.y(), window->height() - menu->height()));
        QPainter p(&m_picture);
        p.drawPixmap(at, menuPicture);
        delete window;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap m_picture; // the window with the menu
};

QWidget* BuildMainWindow(const QString& state)
{
    ClearAlarms();
    const bool dark = state.contains(QLatin1String("dark"));
    Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("bgColor"), dark ? int(kDarkBack) : 15132390);
    Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("textColor"), dark ? int(kDarkText) : 5263440);
    if (state.startsWith(QLatin1String("few")) || state == QLatin1String("menu"))
        StoreFew();
    else if (state.startsWith(QLatin1String("many")))
        StoreMany();

    auto* window = new CMainDialog(ProgramMainWindowServices());
    if (state.startsWith(QLatin1String("many"))) {
        CAlarmListCtrl* list = window->list();
        list->Select(std::min(6, list->Count() - 1));
        list->SetScrollOffset(list->maxScrollOffset() / 2);
    }
    if (state == QLatin1String("menu"))
        return new MenuPicture(window);
    return window;
}

const bool registered = gallery::Register(
    {QStringLiteral("main"),
     {QStringLiteral("empty"), QStringLiteral("few"), QStringLiteral("many-scrolled"), QStringLiteral("menu"),
      QStringLiteral("few-dark")},
     BuildMainWindow});

} // namespace
} // namespace dawnbell
