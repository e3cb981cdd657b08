#include "CCloseAlarmDialog.h"

#include "AutoStop.h"
#include "ColorHelpers.h"
#include "DialogLayout.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "KitStyle.h"
#include "Scaling.h"
#include "Texts.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimerEvent>

#include <algorithm>

namespace dawnbell {

namespace {

constexpr int kTextQuestion = 14; // "Close the alarm?"
constexpr int kTextYes = 15;      // "Yes"
constexpr int kTextNo = 16;       // "No"

// Window size at 96 dpi.
constexpr int kWidth = 171, kHeight = 89;
// Shade of the background gradient's top row.
constexpr int kGradientShade = 0x50;
// Point sizes of the question and the countdown.
constexpr int kQuestionPoints = 10;
constexpr int kCountdownPoints = 9;

} // namespace

CCloseAlarmDialog::CCloseAlarmDialog(uint32_t backColor, uint32_t textColor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      backColor_(backColor & 0xFFFFFF), textColor_(textColor & 0xFFFFFF)
{
    setObjectName(QStringLiteral("CCloseAlarmDialog"));
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted; nothing is erased
    ApplyKitColors(this, backColor_, textColor_);

    // The two labels only hold text and position; the window paints them.
    question_ = new QLabel(Text(kTextQuestion), this);
    question_->setObjectName(QString::number(IdQuestion));
    question_->setAlignment(Qt::AlignCenter);
    question_->setWordWrap(true);
    // Fonts shrink with the window on displays too small for its design size.
    int dx = 96, dy = 96;
    FitDensities(QSize(kWidth, kHeight), ScreenRect(this).size(), &dx, &dy);
    QFont bold = KitFont(std::max(4, mul_div_round(kQuestionPoints, dx, dpi_x())));
    bold.setBold(true);
    question_->setFont(bold);
    question_->hide();
    count_ = new QLabel(QString::number(countdown_), this);
    count_->setObjectName(QString::number(IdCountdown));
    count_->setAlignment(Qt::AlignCenter);
    count_->setFont(KitFont(std::max(4, mul_div_round(kCountdownPoints, dx, dpi_x()))));
    count_->hide();

    yes_ = new QPushButton(Text(kTextYes), this);
    yes_->setObjectName(QString::number(IdYes));
    yes_->setAutoDefault(false);
    yes_->setDefault(true); // Enter answers Yes; Escape answers No (reject)
    connect(yes_, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    no_ = new QPushButton(Text(kTextNo), this);
    no_->setObjectName(QString::number(IdNo));
    no_->setAutoDefault(false);
    connect(no_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
    if (dx != dpi_x()) {
        yes_->setFont(KitFont(std::max(4, mul_div_round(kCountdownPoints, dx, dpi_x()))));
        no_->setFont(yes_->font());
    }

    setFixedSize(mul_div_round(kWidth, dx, 96), mul_div_round(kHeight, dy, 96));
    DialogLayout::Load(kLayout).Apply(this, dx, dy);
    Place();
    timer_.start(kTickMs, this);
}

CCloseAlarmDialog::~CCloseAlarmDialog() = default;

CloseConfirmer MakeCloseConfirmer()
{
    return [](QWidget* parent, uint32_t backColor, uint32_t textColor) {
        CCloseAlarmDialog dialog(backColor, textColor, parent);
        return dialog.exec() == QDialog::Accepted;
    };
}

QLabel* CCloseAlarmDialog::label(int id) const
{
    return id == IdQuestion ? question_ : id == IdCountdown ? count_ : nullptr;
}

void CCloseAlarmDialog::Place()
{
    const QRect target(CentredOn(ScreenRect(this), size()), size());
    if (geometry() != target)
        setGeometry(target);
}

void CCloseAlarmDialog::HandleTimer(int id)
{
    if (id != TimerCountdown || closed_)
        return;
    countdown_ = std::max(countdown_ - 1, 0);
    count_->setText(QString::number(countdown_));
    update(count_->geometry());
    if (countdown_ == 0) {
        timer_.stop();
        done(QDialog::Rejected);
    }
}

void CCloseAlarmDialog::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == timer_.timerId()) {
        HandleTimer(TimerCountdown);
        return;
    }
    QDialog::timerEvent(e);
}

void CCloseAlarmDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    PaintWindowBackground(p, all, backColor_, kGradientShade);
    PaintCutFrame(p, all, GradientShade(backColor_, kGradientShade), textColor_);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(ToQColor(textColor_));
    for (const QLabel* l : {question_, count_}) {
        p.setFont(l->font());
        p.drawText(l->geometry(), Qt::AlignCenter | Qt::TextWordWrap, l->text());
    }
}

void CCloseAlarmDialog::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || closed_)
        return;
    if (isActiveWindow()) {
        wasActive_ = true;
        return;
    }
    if (!wasActive_)
        return;
    // Another program took the foreground (an incoming call, say): close the alarm.
    if (LostToAnotherWindow(this))
        done(QDialog::Accepted);
}

void CCloseAlarmDialog::done(int result)
{
    closed_ = true;
    timer_.stop();
    QDialog::done(result);
}

void CCloseAlarmDialog::closeEvent(QCloseEvent* e)
{
    closed_ = true;
    timer_.stop();
    QDialog::closeEvent(e);
}

void CCloseAlarmDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    Place();
}

void CCloseAlarmDialog::moveEvent(QMoveEvent* e)
{
    QDialog::moveEvent(e);
    Place();
}

} // namespace dawnbell
