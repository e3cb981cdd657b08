#include "CQuizDialog.h"

#include "AccessibleOwnerDrawn.h"
#include "AutoStop.h"
#include "CAlarmDialog.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "DialogLayout.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "KitStyle.h"
#include "Scaling.h"
#include "Texts.h"
#include "WindowPlacement.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimerEvent>

#include <algorithm>

namespace dawnbell {

namespace {

// Shade of the background gradient's top row.
constexpr int kGradientShade = 0x50;
// Window size at 96 dpi, portrait and landscape keypads.
constexpr int kPortraitWidth = 188, kPortraitHeight = 265;
constexpr int kLandscapeWidth = 225, kLandscapeHeight = 195;
// Prompt area at 96 dpi: left/right margin, top and bottom.
constexpr int kPromptMargin = 11, kPromptTop = 12, kPromptBottom = 38;
// Word the line height of the prompt is measured on.
const char* const kSampleWord = "Wg";
// Texts told to screen readers.
constexpr int kTextQuiz = 339;   // "Quiz"
constexpr int kTextAnswer = 340; // "Answer"

std::optional<unsigned> g_testSeed; // seed for tests instead of the time

} // namespace

QEvent::Type CQuizDialog::PauseRequestType() { return CAlarmDialog::PauseEventType; }

void CQuizDialog::SetSeedForTesting(std::optional<unsigned> seed) { g_testSeed = seed; }

CQuizDialog::CQuizDialog(uint32_t textColor, uint32_t backColor, int level, int type, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      game_(type, level), textColor_(textColor & 0xFFFFFF), backColor_(backColor & 0xFFFFFF), timers_(this, kTimers)
{
    setObjectName(QStringLiteral("CQuizDialog"));
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted; nothing is erased
    ApplyKitColors(this, backColor_, textColor_);
    CreateButtons();
    game_.Start(g_testSeed ? *g_testSeed : static_cast<unsigned>(clock::Now()));
    UpdateLayout();
    Refresh();
    SyncTimers();
    // A rotated display gets the keypad of its new orientation.
    if (QScreen* s = screen())
        connect(s, &QScreen::geometryChanged, this, [this] {
            UpdateLayout();
            Refresh();
        });
}

CQuizDialog::~CQuizDialog() = default;

QuizRunner MakeQuizRunner()
{
    return [](QWidget* parent, uint32_t textColor, uint32_t backColor, int level, int type) {
        CQuizDialog quiz(textColor, backColor, level, type, parent);
        quiz.exec();
    };
}

void CQuizDialog::CreateButtons()
{
    for (int i = 0; i < QuizGame::kButtons; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::number(kButtonIds[i]));
        // Tab and Space answer without a pointer (a tap never focuses a key);
        // no key is a default button, so Enter guesses nothing.
        b->setFocusPolicy(Qt::TabFocus);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, i] { TapButton(i); });
        buttons_[i] = b;
    }
}

QPushButton* CQuizDialog::button(int index) const
{
    return index >= 0 && index < QuizGame::kButtons ? buttons_[index] : nullptr;
}

void CQuizDialog::UpdateLayout()
{
    const QRect screen = ScreenRect(this);
    const bool portrait = screen.width() < screen.height();
    const int id = portrait ? kPortraitLayout : kLandscapeLayout;
    if (id == layoutId_)
        return;
    layoutId_ = id;
    const QSize design = portrait ? QSize(kPortraitWidth, kPortraitHeight) : QSize(kLandscapeWidth, kLandscapeHeight);
    int dx = 96, dy = 96;
    FitDensities(design, screen.size(), &dx, &dy);
    dpiX_ = dx;
    setFixedSize(mul_div_round(design.width(), dx, 96), mul_div_round(design.height(), dy, 96));

    const DialogLayout layout = DialogLayout::Load(id);
    layout.Apply(this, dx, dy);
    // The four-column Repeat keypad reads 1 to 12 with buttons 9 and 10 swapped.
    if (!portrait && game_.type() == QuizGame::Repeat) {
        QRect r9, r10;
        if (layout.ControlRect(kButtonIds[9], &r9) && layout.ControlRect(kButtonIds[10], &r10)) {
            buttons_[9]->setGeometry(DialogLayout::Scale(r10, dx, dy));
            buttons_[10]->setGeometry(DialogLayout::Scale(r9, dx, dy));
        }
    }
    const int margin = mul_div_round(kPromptMargin, dx, 96);
    promptRect_ = QRect(QPoint(margin, mul_div_round(kPromptTop, dy, 96)),
                        QPoint(width() - margin - 1, mul_div_round(kPromptBottom, dy, 96) - 1));
    fittedFor_.clear();
    OrderKeysForReading();
    Centre();
}

// Tab and a screen reader meet the keypad as it is painted, row by row and left
// to right: the layouts place the keys in another order than they are made in
// (0 is made first and painted last), and both follow the order of the
// dialog's children. Call after every change of the keys' geometry.
void CQuizDialog::OrderKeysForReading()
{
    std::array<QPushButton*, QuizGame::kButtons> order = buttons_;
    std::stable_sort(order.begin(), order.end(), [](const QPushButton* a, const QPushButton* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    QPushButton* previous = nullptr;
    for (QPushButton* key : order) {
        key->raise(); // moves it to the end of the children: the reader's order
        if (previous)
            setTabOrder(previous, key);
        previous = key;
    }
}

void CQuizDialog::Centre()
{
    const QPoint target = CentredOn(ScreenRect(this), size());
    if (pos() != target)
        move(target);
}

void CQuizDialog::Refresh()
{
    // The font is fitted to the prompt and used by the keypad as well.
    if (fittedFor_ != game_.prompt() || fittedFor_.isNull()) {
        const int u = ((dpiX_ + 24) * 2) / 96;
        promptFont_ = FitFont(game_.prompt(), promptRect_, u);
        fittedFor_ = game_.prompt().isNull() ? QStringLiteral("") : game_.prompt();
    }
    for (int i = 0; i < QuizGame::kButtons; ++i) {
        QPushButton* b = buttons_[i];
        b->setFont(promptFont_);
        b->setText(game_.label(i));
        // A sign ("*") is read in words; Qt tells a reader when the name changes.
        b->setAccessibleName(game_.SpokenLabel(i));
        b->setVisible(game_.visible(i));
        // Inverted colours: the text colour as the face, the background as text.
        b->setPalette(game_.inverted(i) ? KitPalette(textColor_, backColor_) : KitPalette(backColor_, textColor_));
    }
    update();
    // A new question (or "That was wrong", "Repeat...") and each key entered
    // are told to a listening reader.
    if (toldPrompt_ != game_.prompt()) {
        toldPrompt_ = game_.prompt();
        AccessibleOwnerDrawn::AnnouncePart(this, PartQuestion, QAccessible::NameChanged);
    }
    const QString answer = game_.Entered().join(QLatin1String(", "));
    if (toldAnswer_ != answer) {
        toldAnswer_ = answer;
        AccessibleOwnerDrawn::AnnouncePartValue(this, PartAnswer, answer);
    }
}

void CQuizDialog::SyncTimers()
{
    for (const QuizGame::TimerRequest& r : game_.TakeTimerRequests()) {
        if (r.ms < 0)
            timers_.Kill(r.id);
        else
            timers_.Start(r.id, r.ms);
    }
}


void CQuizDialog::TapButton(int index)
{
    // The ringing pauses on every tap, whatever the tap does.
    if (QWidget* owner = parentWidget()) {
        QEvent pause(PauseRequestType());
        QCoreApplication::sendEvent(owner, &pause);
    }
    const bool solved = game_.Tap(index);
    SyncTimers();
    if (solved) {
        closed_ = true;
        accept();
        return;
    }
    Refresh();
}

void CQuizDialog::TapPrompt()
{
    game_.TapPrompt();
    SyncTimers();
    Refresh();
}

void CQuizDialog::HandleTimer(int id)
{
    game_.OnTimer(id);
    SyncTimers();
    Refresh();
}

void CQuizDialog::timerEvent(QTimerEvent* e)
{
    if (const int id = timers_.Find(e->timerId()))
        HandleTimer(id);
    else
        QDialog::timerEvent(e);
}

void CQuizDialog::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && promptRect_.contains(e->position().toPoint()))
        TapPrompt();
    QDialog::mouseReleaseEvent(e);
}

void CQuizDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    PaintWindowBackground(p, all, backColor_, kGradientShade);
    PaintCutFrame(p, all, GradientShade(backColor_, kGradientShade), textColor_);

    p.setBackgroundMode(Qt::TransparentMode);
    p.setFont(promptFont_);
    p.setPen(ToQColor(textColor_));
    const int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap;
    const QString& prompt = game_.prompt();
    const QFontMetrics fm(promptFont_, this);
    const int needed = fm.boundingRect(promptRect_, flags, prompt).height();
    if (needed <= promptRect_.height()) {
        p.drawText(promptRect_, flags, prompt);
        return;
    }
    // Too tall: the whole lines that fit, centred, from the first line on.
    const int lineHeight = std::max(1, fm.boundingRect(QString::fromLatin1(kSampleWord)).height());
    const QRect band = CenteredTextBand(promptRect_, needed, lineHeight);
    p.setClipRect(band);
    p.drawText(QRect(band.left(), band.top(), band.width(), needed), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               prompt);
}

void CQuizDialog::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || closed_)
        return;
    if (isActiveWindow()) {
        wasActive_ = true;
        return;
    }
    if (wasActive_)
        LostActivation();
}

void CQuizDialog::LostActivation()
{
    if (!LostToAnotherWindow(this))
        return;
    closed_ = true;
    accept();
    // The ringing window decides about the automatic stop on its own activation change.
    if (QWidget* owner = parentWidget())
        QCoreApplication::postEvent(owner, new QEvent(QEvent::ActivationChange));
}

void CQuizDialog::closeEvent(QCloseEvent* e)
{
    // A close request from the window system (Alt+F4, the title bar) must not
    // skip the quiz: it is solved, or lost to another program. The program's own
    // close (the ringing ended, the program is ending) does end it.
    if (e->spontaneous()) {
        e->ignore();
        return;
    }
    closed_ = true;
    timers_.KillAll();
    e->accept();
    QDialog::done(QDialog::Rejected);
}

void CQuizDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    Centre();
}

void CQuizDialog::reject() {}

// --- assistive technology ---------------------------------------------------

QString CQuizDialog::AccessibleName() const { return Text(kTextQuiz); }

AccessiblePart CQuizDialog::AccessiblePartAt(int index) const
{
    AccessiblePart part;
    part.rect = promptRect_;
    part.state.readOnly = true;
    switch (index) {
    case PartQuestion:
        part.name = game_.prompt();
        part.role = QAccessible::StaticText;
        if (ReplayOffered())
            part.actions = {QAccessibleActionInterface::pressAction()};
        break;
    case PartAnswer:
        // Entered with the keys only: a text a reader reads, not one it types into.
        part.name = Text(kTextAnswer);
        part.value = game_.Entered().join(QLatin1String(", "));
        part.role = QAccessible::EditableText;
        break;
    default: break;
    }
    return part;
}

void CQuizDialog::AccessiblePartAction(int index, const QString& action)
{
    if (index == PartQuestion && action == QAccessibleActionInterface::pressAction() && ReplayOffered())
        TapPrompt();
}

bool CQuizDialog::ReplayOffered() const
{
    return game_.type() == QuizGame::Repeat && game_.replayStep() == -1 && !game_.solved();
}

} // namespace dawnbell
