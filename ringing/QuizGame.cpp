#include "QuizGame.h"

#include "TextFormat.h"
#include "Texts.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace dawnbell {

namespace {

// Texts of the string table.
constexpr int kTextFindPairs = 68;  // "Find all pairs"
constexpr int kTextRepeatNow = 69;  // "Repeat..."
constexpr int kTextRemember = 70;   // "Remember this sequence"
constexpr int kTextWrong = 71;      // "That was wrong"
constexpr int kTextHiddenCard = 341; // "Hidden card"
constexpr int kTextKeyShown = 342;   // "%s, shown"

const QString kStar = QStringLiteral("*");
constexpr char16_t kSquareRoot = u'\u221A';

} // namespace

QuizGame::QuizGame(int type, int level)
    : type_(type == Memory || type == Repeat ? type : Math), level_(std::clamp(level, 0, kMaxLevel))
{
    cards_.fill(-1);
    for (auto& slot : slots_)
        slot = {-1, -1};
}

QString QuizGame::RepeatLabel(int index)
{
    if (index == 0)
        return QStringLiteral("11");
    if (index == 11)
        return QStringLiteral("12");
    return QString::number(index);
}

void QuizGame::Start(unsigned seed)
{
    std::srand(seed);
    switch (type_) {
    case Memory:
        StartMemory();
        break;
    case Repeat:
        StartRepeat();
        break;
    default:
        StartMath();
        break;
    }
}

// --- Math --------------------------------------------------------------------

void QuizGame::StartMath()
{
    for (int i = 0; i < kButtons; ++i) {
        labels_[i] = i < 10 ? QString::number(i) : QString();
        visible_[i] = i < 10;
    }
    // The numbers are drawn in the order they are listed for each level.
    if (level_ == 0) {
        const int answer = std::rand() % 10;
        const int x = std::rand() % (answer + 1);
        answer_ = answer;
        prompt_ = QStringLiteral("%1 + %2").arg(x).arg(answer - x);
    } else if (level_ == 1) {
        const int answer = std::rand() % 10;
        const int y = std::rand() % 100;
        answer_ = answer;
        prompt_ = QStringLiteral("%1 - %2").arg(answer + y).arg(y);
    } else if (level_ == 2) {
        const int answer = std::rand() % 9 + 1;
        const int y = std::rand() % 50 + 1;
        answer_ = answer;
        prompt_ = QStringLiteral("%1 / %2").arg(answer * y).arg(y);
    } else if (level_ == 3) {
        const int answer = std::rand() % 10;
        answer_ = answer;
        prompt_ = QString(QChar(kSquareRoot)) + QString::number(answer * answer);
    } else if (level_ == 4) {
        const int answer = std::rand() % 10;
        const int a = std::rand() % 100;
        const int b = std::rand() % 100;
        answer_ = answer;
        prompt_ = QStringLiteral("%1 + %2 - %3").arg(a).arg(b).arg(a + b - answer);
    } else {
        const bool firstForm = std::rand() % 2 == 0;
        const int answer = std::rand() % 10;
        const int a = std::rand() % 50;
        const int b = std::rand() % 50;
        answer_ = answer;
        if (firstForm)
            prompt_ = QStringLiteral("%1 * %2 - %3").arg(a).arg(b).arg(a * b - answer);
        else
            prompt_ = QStringLiteral("%1 - %2 * %3").arg(a * b + answer).arg(a).arg(b);
    }
}

// --- Memory ------------------------------------------------------------------

void QuizGame::StartMemory()
{
    labels_.fill(kStar);
    visible_.fill(true);
    prompt_ = Text(kTextFindPairs);

    // The (r + 1)-th button that holds no card yet.
    auto place = [this](int r, int value) {
        for (int i = 0; i < kButtons; ++i) {
            if (cards_[i] != -1)
                continue;
            if (r-- == 0) {
                cards_[i] = value;
                return i;
            }
        }
        return -1; // not reached: r is always below the number of free buttons
    };
    for (int k = 0; k < kPairs; ++k) {
        const int first = place(std::rand() % (12 - 2 * k), k);
        const int second = place(std::rand() % (11 - 2 * k), k);
        if (k < 5 - level_ && first >= 0 && second >= 0) {
            labels_[first] = labels_[second] = QString::number(k);
            slots_[k] = {first, second};
            ++pairsFound_;
        }
    }
}

bool QuizGame::InAnySlot(int index) const
{
    for (const auto& slot : slots_) {
        if (slot[0] == index || slot[1] == index)
            return true;
    }
    return false;
}

bool QuizGame::TapMemory(int a)
{
    if (pairsFound_ >= kPairs)
        return false;
    // 1. A pair still on show is judged now.
    if (slots_[pairsFound_][0] >= 0 && slots_[pairsFound_][1] >= 0) {
        KillTimer(TimerMemoryShow);
        MemoryTimer();
    }
    // 2.
    if (InAnySlot(a))
        return false;
    // 3.
    auto& slot = slots_[pairsFound_];
    labels_[a] = QString::number(cards_[a]);
    inverted_[a] = false;
    if (slot[0] < 0)
        slot[0] = a;
    else
        slot[1] = a;
    // 4.
    if (slot[1] >= 0 && cards_[slot[0]] == cards_[slot[1]] && pairsFound_ == kPairs - 1) {
        solved_ = true;
        return true;
    }
    prompt_ = Text(kTextFindPairs);
    // 5.
    SetTimer(TimerMemoryShow, kMemoryShowMs);
    return false;
}

void QuizGame::MemoryTimer()
{
    KillTimer(TimerMemoryShow);
    if (pairsFound_ >= kPairs)
        return;
    const auto& slot = slots_[pairsFound_];
    if (slot[0] >= 0 && slot[1] >= 0 && cards_[slot[0]] == cards_[slot[1]])
        ++pairsFound_;
    if (pairsFound_ < kPairs)
        slots_[pairsFound_] = {-1, -1};
    for (int i = 0; i < kButtons; ++i) {
        if (!InAnySlot(i) && labels_[i] != kStar)
            labels_[i] = kStar;
    }
}

// --- Repeat ------------------------------------------------------------------

void QuizGame::StartRepeat()
{
    for (int i = 0; i < kButtons; ++i)
        labels_[i] = RepeatLabel(i);
    visible_.fill(true);
    sequence_.clear();
    sequence_.reserve(static_cast<size_t>(level_) + 1);
    for (int i = 0; i <= level_; ++i)
        sequence_.push_back(std::rand() % 12);
    replayStep_ = 0;
    prompt_ = Text(kTextRemember);
    SetTimer(TimerPresent, kPresentStartMs);
}

void QuizGame::PresentStep()
{
    KillTimer(TimerPresent);
    if (replayStep_ < 0)
        return;
    const int s = replayStep_;
    if (s / 2 > level_) {
        prompt_ = Text(kTextRepeatNow);
        replayStep_ = -1;
        return;
    }
    const int b = sequence_[static_cast<size_t>(s / 2)];
    if (s % 2 == 0) {
        labels_[b] = kStar;
        inverted_[b] = true;
        SetTimer(TimerPresent, kPresentStarMs);
    } else {
        labels_[b] = RepeatLabel(b);
        inverted_[b] = false;
        SetTimer(TimerPresent, kPresentLabelMs);
    }
    ++replayStep_;
    prompt_ = Text(kTextRemember);
}

bool QuizGame::TapRepeat(int a)
{
    if (replayStep_ != -1)
        return false; // the presentation is running
    input_.push_back(a);
    if (input_.size() < sequence_.size()) {
        QStringList typed;
        for (int i : input_)
            typed << labels_[i];
        prompt_ = typed.join(QLatin1Char(','));
        return false;
    }
    if (input_ == sequence_) {
        solved_ = true;
        return true;
    }
    prompt_ = Text(kTextWrong);
    input_.clear();
    replayStep_ = 0;
    SetTimer(TimerPresent, kWrongReplayMs);
    return false;
}

void QuizGame::TapPrompt()
{
    if (type_ != Repeat || replayStep_ != -1 || solved_)
        return;
    // Typed buttons belong to the presentation the user asked to see again.
    input_.clear();
    replayStep_ = 0;
    PresentStep();
}

// --- common ------------------------------------------------------------------

bool QuizGame::Tap(int index)
{
    if (!valid(index) || solved_ || !visible_[index])
        return false;
    switch (type_) {
    case Memory:
        return TapMemory(index);
    case Repeat:
        return TapRepeat(index);
    default:
        lastTapped_ = index;
        if (index == answer_) {
            solved_ = true;
            return true;
        }
        return false;
    }
}

void QuizGame::OnTimer(int id)
{
    if (solved_)
        return;
    if (id == TimerMemoryShow && type_ == Memory)
        MemoryTimer();
    else if (id == TimerPresent && type_ == Repeat)
        PresentStep();
}

std::vector<QuizGame::TimerRequest> QuizGame::TakeTimerRequests()
{
    std::vector<TimerRequest> out;
    out.swap(requests_);
    return out;
}

QString QuizGame::SpokenLabel(int index) const
{
    if (!valid(index))
        return QString();
    if (labels_[index] != kStar)
        return labels_[index];
    // Repeat shows its sequence as lit stars over the numbered keys.
    if (type_ == Repeat)
        return FormatTextId(kTextKeyShown, {RepeatLabel(index)});
    return Text(kTextHiddenCard);
}

QStringList QuizGame::Entered() const
{
    QStringList entered;
    switch (type_) {
    case Memory:
        if (pairsFound_ < kPairs) {
            for (int b : slots_[pairsFound_]) {
                if (b >= 0)
                    entered << QString::number(cards_[b]);
            }
        }
        break;
    case Repeat:
        for (int b : input_)
            entered << RepeatLabel(b);
        break;
    default:
        if (lastTapped_ >= 0 && !solved_)
            entered << labels_[lastTapped_];
        break;
    }
    return entered;
}

int QuizGame::ChooseType(int quizTypes, unsigned seed)
{
    const int bits = quizTypes & (Math | Memory | Repeat);
    if (bits == 0)
        return Math;
    int count = 0;
    for (int b = 0; b < 3; ++b)
        count += (bits >> b) & 1;
    std::srand(seed);
    int index = std::rand() % count;
    for (int b = 0; b < 3; ++b) {
        if (((bits >> b) & 1) && index-- == 0)
            return 1 << b;
    }
    return Math;
}

} // namespace dawnbell
