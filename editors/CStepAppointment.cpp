#include "CStepAppointment.h"

#include "Alarm.h"
#include "Clock.h"
#include "KitFont.h"
#include "Locale.h"
#include "MessageBox.h"
#include "Texts.h"

#include <QDateEdit>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

namespace dawnbell {

namespace {

enum TextId {
    kTextTime = 4,      // "Time:"
    kTextDate = 52,     // "Date"
    kTextTitle = 60,    // "Time"
    kTextPast = 78,     // "The time of the alarm is in the past!"
    kTextError = 113,
    kTextNow = 161,
};

constexpr int kAdjustFontTenths = 70; // the adjust buttons' small font
constexpr int kPickerFontPoints = 14; // the time picker's large font
constexpr int kDateFontPoints = 10;   // the date picker's font

// The short date format with a four-digit year, as a Qt pattern.
QString DateFormat()
{
    QString format = PictureToQtFormat(LocaleShortDateFormat());
    if (format.isEmpty())
        format = QStringLiteral("yyyy-MM-dd");
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    if (!format.contains(QLatin1String("yyyy")))
        format += QLatin1String(" yyyy");
    return format;
}

} // namespace

const CStepAppointment::Adjust CStepAppointment::kAdjusts[14] = {
    {1041, "+12h", 12 * 60, "+12m", 12, 0}, {1033, "+5h", 5 * 60, "+5m", 5, 0},
    {1031, "+1h", 60, "+1m", 1, 0},         {1046, "+30m", 30, "+30d", 0, 30},
    {1045, "+10m", 10, "+10d", 0, 10},      {1044, "+5m", 5, "+5d", 0, 5},
    {1043, "+1m", 1, "+1d", 0, 1},
    {1047, "-12h", -12 * 60, "-12m", -12, 0}, {1035, "-5h", -5 * 60, "-5m", -5, 0},
    {1034, "-1h", -60, "-1m", -1, 0},         {1051, "-30m", -30, "-30d", 0, -30},
    {1050, "-10m", -10, "-10d", 0, -10},      {1049, "-5m", -5, "-5d", 0, -5},
    {1048, "-1m", -1, "-1d", 0, -1},
};

CStepAppointment::CStepAppointment(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

QDate CStepAppointment::AdjustDate(const QDate& date, int months, int days)
{
    // QDate keeps the day where the new month has it and otherwise takes the
    // month's last day, and counts days across month and year ends.
    return date.addMonths(months).addDays(days);
}

void CStepAppointment::CreateControls()
{
    AddLabel(IdTimeLabel);
    AddLabel(IdDateLabel);
    QPushButton* nowTime = AddButton(IdNowTime);
    QPushButton* nowDate = AddButton(IdNowDate);
    for (const Adjust& a : kAdjusts) {
        QPushButton* b = AddButton(a.id);
        b->setFont(KitFontTenths(kAdjustFontTenths));
        connect(b, &QPushButton::clicked, this, [this, &a] { Apply(a); });
    }
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QString::number(IdTime));
    const QString format = PictureToQtFormat(LocaleTimeFormat());
    m_time->setDisplayFormat(format.isEmpty() ? QStringLiteral("HH:mm:ss") : format);
    m_time->setWrapping(true);
    // The adjust buttons are the pickers' arrows; the values get the room.
    m_time->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_time->setAlignment(Qt::AlignCenter);
    m_time->setFont(KitFont(kPickerFontPoints));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QString::number(IdDate));
    m_date->setDisplayFormat(DateFormat());
    m_date->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_date->setMinimumDate(QDate(1601, 1, 1));
    m_date->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_date->setFont(KitFont(kDateFontPoints));

    connect(nowTime, &QPushButton::clicked, this, [this] {
        const clock::LocalTime t = clock::ToLocal(clock::Now());
        m_time->setTime(QTime(t.hour, t.minute, t.second));
    });
    connect(nowDate, &QPushButton::clicked, this, [this] {
        const clock::LocalTime t = clock::ToLocal(clock::Now());
        m_date->setDate(QDate(t.year, t.month, t.day));
    });
    // The mode follows the picker that receives the focus (the pickers' inner
    // edits take it when tapped).
    for (QWidget* w : {static_cast<QWidget*>(m_time), static_cast<QWidget*>(m_date)}) {
        w->installEventFilter(this);
        if (QLineEdit* inner = w->findChild<QLineEdit*>())
            inner->installEventFilter(this);
    }
}

void CStepAppointment::ApplyCaptions()
{
    Ctl<QLabel>(IdTimeLabel)->setText(Text(kTextTime));
    Ctl<QLabel>(IdDateLabel)->setText(Text(kTextDate) + QLatin1Char(':'));
    Ctl<QPushButton>(IdNowTime)->setText(Text(kTextNow));
    Ctl<QPushButton>(IdNowDate)->setText(Text(kTextNow));
    Relabel();
}

void CStepAppointment::FillFromAlarm()
{
    const clock::LocalTime t = clock::ToLocal(m_work->alarmTime);
    m_time->setTime(QTime(t.hour, t.minute, t.second));
    const QDate date(m_work->dateYear, m_work->dateMonth, m_work->dateDay);
    m_date->setDate(date.isValid() ? date : QDate(t.year, t.month, t.day));
}

bool CStepAppointment::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_time || watched->parent() == m_time)
            SetMode(Mode::Time);
        else if (watched == m_date || watched->parent() == m_date)
            SetMode(Mode::Date);
    }
    return CEditWizardPage::eventFilter(watched, event);
}

void CStepAppointment::SetMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    Relabel();
}

void CStepAppointment::Relabel()
{
    for (const Adjust& a : kAdjusts)
        Ctl<QPushButton>(a.id)->setText(QString::fromLatin1(m_mode == Mode::Time ? a.timeText : a.dateText));
}

void CStepAppointment::Apply(const Adjust& adjust)
{
    if (m_mode == Mode::Time)
        m_time->setTime(m_time->time().addSecs(adjust.minutes * 60));
    else
        m_date->setDate(AdjustDate(m_date->date(), adjust.months, adjust.days));

}

bool CStepAppointment::StoreToAlarm()
{
    const QDate d = m_date->date();
    const QTime t = m_time->time();
    const int64_t moment = clock::MakeLocal(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    if (d.year() <= 1969 || moment <= clock::Now()) {
        ShowMessageBox(Text(kTextPast), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
        return false;
    }
    m_work->alarmTime = moment;
    m_work->repeatDays = 0;
    m_work->dateYear = d.year();
    m_work->dateMonth = d.month();
    m_work->dateDay = d.day();
    return true;
}

} // namespace dawnbell
