#include "CStep1.h"

#include "Alarm.h"
#include "Clock.h"
#include "DayCheckBox.h"
#include "KitFont.h"
#include "Locale.h"
#include "Texts.h"

#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>

namespace dawnbell {

namespace {

enum TextId {
    kTextTitle = 60,     // "Time"
    kTextMonday = 42,    // ... 48 "Su"
    kTextStartAt = 90,   // "Start alarm at:"
    kTextNow = 161,      // "Now"
};

constexpr int kAdjustFontTenths = 70; // the adjust buttons' small font
constexpr int kPickerFontPoints = 14; // the time picker's large font

} // namespace

const CStep1::Adjust CStep1::kAdjusts[14] = {
    {1041, "+12h", 12 * 3600}, {1033, "+5h", 5 * 3600}, {1031, "+1h", 3600}, {1046, "+30m", 30 * 60},
    {1045, "+10m", 10 * 60},   {1044, "+5m", 5 * 60},   {1043, "+1m", 60},
    {1047, "-12h", -12 * 3600}, {1035, "-5h", -5 * 3600}, {1034, "-1h", -3600}, {1051, "-30m", -30 * 60},
    {1050, "-10m", -10 * 60},   {1049, "-5m", -5 * 60},   {1048, "-1m", -60},
};

CStep1::CStep1(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStep1::CreateControls()
{
    AddLabel(IdLabel);
    QPushButton* now = AddButton(IdNow);
    connect(now, &QPushButton::clicked, this, [this] { SetPicked(clock::Now()); });
    for (const Adjust& a : kAdjusts) {
        QPushButton* b = AddButton(a.id);
        b->setText(QString::fromLatin1(a.text));
        b->setFont(KitFontTenths(kAdjustFontTenths));
        const int seconds = a.seconds;
        connect(b, &QPushButton::clicked, this, [this, seconds] { SetPicked(PickedMoment() + seconds); });
    }
    for (int i = 0; i < 7; ++i) {
        m_days[i] = new DayCheckBox(this);
        m_days[i]->setObjectName(QString::number(kDayIds[i]));
    }
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QString::number(IdTime));
    const QString format = PictureToQtFormat(LocaleTimeFormat());
    m_time->setDisplayFormat(format.isEmpty() ? QStringLiteral("HH:mm:ss") : format);
    m_time->setWrapping(true);
    // The adjust buttons are the picker's arrows; the time gets the room.
    m_time->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_time->setAlignment(Qt::AlignCenter);
    m_time->setFont(KitFont(kPickerFontPoints));
}

void CStep1::ApplyCaptions()
{
    Ctl<QLabel>(IdLabel)->setText(Text(kTextStartAt));
    Ctl<QPushButton>(IdNow)->setText(Text(kTextNow));
    for (int i = 0; i < 7; ++i)
        m_days[i]->setText(Text(kTextMonday + i));
}

void CStep1::FillFromAlarm()
{
    SetPicked(m_work->alarmTime);
    for (int i = 0; i < 7; ++i)
        m_days[i]->setChecked((m_work->repeatDays & (1 << i)) != 0);
}

void CStep1::SetPicked(int64_t moment)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    m_date = moment;
    m_time->setTime(QTime(t.hour, t.minute, t.second));
}

int64_t CStep1::PickedMoment() const
{
    const clock::LocalTime d = clock::ToLocal(m_date);
    const QTime t = m_time->time();
    return clock::MakeLocal(d.year, d.month, d.day, t.hour(), t.minute(), t.second());
}

bool CStep1::StoreToAlarm()
{
    m_work->alarmTime = PickedMoment();
    int days = 0;
    for (int i = 0; i < 7; ++i) {
        if (m_days[i]->isChecked())
            days |= 1 << i;
    }
    m_work->repeatDays = days;
    return true;
}

} // namespace dawnbell
