// The snooze quiz played through its window as a user would: reading the prompt
// and the button labels, tapping buttons, and running its timers by hand.
#include "AccessibleFactory.h"
#include "CQuizDialog.h"
#include "Profile.h"
#include "RingingTestEnv.h"
#include "Scaling.h"
#include "Texts.h"

#include <QAccessible>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <map>

using namespace dawnbell;
using namespace dawnbell::test;

namespace {

// Stands in for the ringing window: counts pause requests and activation changes.
class Owner : public QWidget {
public:
    int pauses = 0;
    int activations = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == CQuizDialog::PauseRequestType())
            ++pauses;
        return QWidget::event(e);
    }
    // Where the ringing window handles activation changes.
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::ActivationChange)
            ++activations;
        QWidget::changeEvent(e);
    }
};

const QString kStar = QStringLiteral("*");

// Evaluates a quiz problem ("3 + 4", "12 - 5", "√49", "7 * 3 - 15", ...) with
// the usual precedence; -1 when the text is not a problem.
int Evaluate(const QString& text)
{
    QString t = text.trimmed();
    if (t.startsWith(QChar(0x221A))) {
        bool ok = false;
        const int n = t.mid(1).toInt(&ok);
        if (!ok || n < 0)
            return -1;
        int r = 0;
        while ((r + 1) * (r + 1) <= n)
            ++r;
        return r * r == n ? r : -1;
    }
    const QStringList tok = t.split(QLatin1Char(' '));
    if (tok.size() % 2 == 0)
        return -1;
    // First pass: * and /; second: + and -.
    QList<long long> values;
    QStringList ops;
    bool ok = false;
    values << tok[0].toLongLong(&ok);
    if (!ok)
        return -1;
    for (int i = 1; i + 1 < tok.size(); i += 2) {
        const long long v = tok[i + 1].toLongLong(&ok);
        if (!ok)
            return -1;
        if (tok[i] == QLatin1String("*")) {
            values.last() *= v;
        } else if (tok[i] == QLatin1String("/")) {
            if (v == 0 || values.last() % v != 0)
                return -1;
            values.last() /= v;
        } else if (tok[i] == QLatin1String("+") || tok[i] == QLatin1String("-")) {
            ops << tok[i];
            values << v;
        } else {
            return -1;
        }
    }
    long long r = values[0];
    for (int i = 0; i < ops.size(); ++i)
        r = ops[i] == QLatin1String("+") ? r + values[i + 1] : r - values[i + 1];
    return r >= 0 && r <= 9 ? static_cast<int>(r) : -1;
}

// The button showing `label`, -1 when none is visible.
int ButtonWithLabel(const CQuizDialog& quiz, const QString& label)
{
    for (int i = 0; i < 12; ++i) {
        if (!quiz.button(i)->isHidden() && quiz.button(i)->text() == label)
            return i;
    }
    return -1;
}

// The labels of the visible buttons read row by row, left to right.
QString KeypadReading(const CQuizDialog& quiz)
{
    QList<QPushButton*> shown;
    for (int i = 0; i < 12; ++i) {
        if (!quiz.button(i)->isHidden())
            shown << quiz.button(i);
    }
    std::sort(shown.begin(), shown.end(), [](QPushButton* a, QPushButton* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    QStringList labels;
    for (QPushButton* b : shown)
        labels << b->text();
    return labels.join(QLatin1Char(' '));
}

// Buttons showing "*" inverted: the one being presented in a Repeat game.
QList<int> InvertedButtons(const CQuizDialog& quiz)
{
    QList<int> out;
    for (int i = 0; i < 12; ++i) {
        if (quiz.button(i)->text() == kStar && quiz.game().inverted(i))
            out << i;
    }
    return out;
}

// Runs a Repeat presentation to its end by firing timer 2; returns the buttons
// shown in order, checking the timing of each step.
QList<int> WatchPresentation(CQuizDialog& quiz)
{
    QList<int> shown;
    for (int guard = 0; guard < 10000 && quiz.game().replayStep() != -1; ++guard) {
        if (!quiz.timerActive(QuizGame::TimerPresent))
            return {}; // the presentation stalled
        quiz.HandleTimer(QuizGame::TimerPresent);
        const QList<int> inverted = InvertedButtons(quiz);
        if (inverted.size() == 1) {
            shown << inverted[0];
            if (quiz.timerInterval(QuizGame::TimerPresent) != 1500)
                return {};
        } else if (!inverted.isEmpty()) {
            return {};
        }
    }
    return shown;
}

} // namespace

class QuizTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        env_ = std::make_unique<RingingEnv>();
        qputenv("DAWNBELL_SCREEN", "240x320");
        ResetDpiCacheForTesting();
        CQuizDialog::SetSeedForTesting(std::nullopt);
    }
    void cleanup()
    {
        CQuizDialog::SetSeedForTesting(std::nullopt);
        qunsetenv("DAWNBELL_SCREEN");
        ResetDpiCacheForTesting();
        env_.reset();
    }

    void mathProblemsAreSolvedByTheirDigit_data();
    void mathProblemsAreSolvedByTheirDigit();
    void squareRoots_data();
    void squareRoots();
    void memoryFaceUpPairsByLevel_data();
    void memoryFaceUpPairsByLevel();
    void memoryPlayedToTheEnd_data();
    void memoryPlayedToTheEnd();
    void memoryMismatchTurnsBack();
    void repeatSolvedByTheSequence_data();
    void repeatSolvedByTheSequence();
    void wrongRepeatReplaysTheSameSequence();
    void promptTapRestartsThePresentation();
    void layoutByOrientation_data();
    void layoutByOrientation();
    void lostActivation_data();
    void lostActivation();
    void escapeKeepsTheQuiz();
    void runnerRunsModally();
    void keysThroughTheirAccessibleActions();

private:
    std::unique_ptr<RingingEnv> env_;
};

// Every level's problem evaluates to the digit whose button ends the quiz; every
// other digit leaves it open; every tap asks the owner for a pause.
void QuizTest::mathProblemsAreSolvedByTheirDigit_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("form"); // the problem's shape
    const QString sum = QStringLiteral("^\\d+ \\+ \\d+$");
    QTest::newRow("level -1 plays as 0") << -1 << sum;
    QTest::newRow("0 sum") << 0 << sum;
    QTest::newRow("1 difference") << 1 << QStringLiteral("^\\d+ - \\d+$");
    QTest::newRow("2 quotient") << 2 << QStringLiteral("^\\d+ / \\d+$");
    QTest::newRow("3 root") << 3 << QStringLiteral("^\u221A\\d+$");
    QTest::newRow("4 sum and difference") << 4 << QStringLiteral("^\\d+ \\+ \\d+ - \\d+$");
    QTest::newRow("5 product forms") << 5 << QStringLiteral("^(\\d+ \\* \\d+ - \\d+|\\d+ - \\d+ \\* \\d+)$");
    QTest::newRow("12 as 5") << 12 << QStringLiteral("^(\\d+ \\* \\d+ - \\d+|\\d+ - \\d+ \\* \\d+)$");
}

void QuizTest::mathProblemsAreSolvedByTheirDigit()
{
    QFETCH(int, level);
    QFETCH(QString, form);
    const QRegularExpression shape(form);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        CQuizDialog::SetSeedForTesting(seed);
        Owner owner;
        CQuizDialog quiz(0x000000, 0xFFFFFF, level, QuizGame::Math, &owner);
        quiz.show();
        const QString prompt = quiz.game().prompt();
        QVERIFY2(shape.match(prompt).hasMatch(), qPrintable(prompt));
        const int answer = Evaluate(prompt);
        QVERIFY2(answer >= 0, qPrintable(prompt));
        QVERIFY(quiz.button(10)->isHidden() && quiz.button(11)->isHidden());

        int taps = 0;
        for (int d = 0; d <= 9; ++d) {
            if (d == answer)
                continue;
            quiz.TapButton(ButtonWithLabel(quiz, QString::number(d)));
            ++taps;
            QCOMPARE(owner.pauses, taps);
            QVERIFY2(quiz.isVisible(), qPrintable(prompt));
        }
        quiz.TapButton(ButtonWithLabel(quiz, QString::number(answer)));
        QCOMPARE(owner.pauses, taps + 1);
        QVERIFY2(!quiz.isVisible(), qPrintable(prompt));
        QCOMPARE(quiz.result(), int(QDialog::Accepted));
    }
}

// Level 3 shows the root sign and the square of the answer, including 0.
void QuizTest::squareRoots_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("7") << 7 << QStringLiteral("\u221A49");
    QTest::newRow("0") << 0 << QStringLiteral("\u221A0");
    QTest::newRow("9") << 9 << QStringLiteral("\u221A81");
}

void QuizTest::squareRoots()
{
    QFETCH(int, answer);
    QFETCH(QString, prompt);
    // Find a seed that draws the answer, then check what the quiz shows.
    for (unsigned seed = 1; seed < 1000; ++seed) {
        CQuizDialog::SetSeedForTesting(seed);
        CQuizDialog quiz(0, 0xFFFFFF, 3, QuizGame::Math);
        if (quiz.game().prompt() != prompt)
            continue;
        quiz.show();
        for (int d = 0; d <= 9; ++d) {
            if (d != answer)
                quiz.TapButton(ButtonWithLabel(quiz, QString::number(d)));
        }
        QVERIFY(quiz.isVisible());
        quiz.TapButton(ButtonWithLabel(quiz, QString::number(answer)));
        QCOMPARE(quiz.result(), int(QDialog::Accepted));
        return;
    }
    QFAIL("no seed shows the problem");
}

// Pairs dealt face up by level; tapping a face-up card changes nothing.
void QuizTest::memoryFaceUpPairsByLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("faceUpPairs");
    QTest::newRow("-1 as 0") << -1 << 5;
    QTest::newRow("0") << 0 << 5;
    QTest::newRow("1") << 1 << 4;
    QTest::newRow("4") << 4 << 1;
    QTest::newRow("5") << 5 << 0;
    QTest::newRow("7 as 5") << 7 << 0;
}

void QuizTest::memoryFaceUpPairsByLevel()
{
    QFETCH(int, level);
    QFETCH(int, faceUpPairs);
    for (unsigned seed : {3u, 17u, 2026u}) {
        CQuizDialog::SetSeedForTesting(seed);
        Owner owner;
        CQuizDialog quiz(0, 0xFFFFFF, level, QuizGame::Memory, &owner);
        quiz.show();
        QCOMPARE(quiz.game().prompt(), Text(68));
        std::map<QString, int> counts;
        for (int i = 0; i < 12; ++i) {
            QVERIFY(!quiz.button(i)->isHidden());
            ++counts[quiz.button(i)->text()];
        }
        QCOMPARE(counts[kStar], 12 - 2 * faceUpPairs);
        for (int k = 0; k < faceUpPairs; ++k)
            QCOMPARE(counts[QString::number(k)], 2); // pairs 0, 1, ... are the face-up ones

        QStringList before;
        for (int i = 0; i < 12; ++i)
            before << quiz.button(i)->text();
        for (int i = 0; i < 12; ++i) {
            if (quiz.button(i)->text() == kStar)
                continue;
            quiz.TapButton(i);
            QVERIFY(!quiz.timerActive(QuizGame::TimerMemoryShow));
        }
        QStringList after;
        for (int i = 0; i < 12; ++i)
            after << quiz.button(i)->text();
        QCOMPARE(after, before);
        QCOMPARE(owner.pauses, 2 * faceUpPairs);
        QVERIFY(quiz.isVisible());
    }
}

// A player who remembers every card uncovers the rest; the quiz ends exactly
// when the last pair is found.
void QuizTest::memoryPlayedToTheEnd_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("level 0") << 0 << 5u;
    QTest::newRow("level 2") << 2 << 8u;
    QTest::newRow("level 5") << 5 << 13u;
    QTest::newRow("level 7") << 7 << 21u;
}

void QuizTest::memoryPlayedToTheEnd()
{
    QFETCH(int, level);
    QFETCH(unsigned, seed);
    CQuizDialog::SetSeedForTesting(seed);
    Owner owner;
    CQuizDialog quiz(0, 0xFFFFFF, level, QuizGame::Memory, &owner);
    quiz.show();
    std::map<int, QString> seen;   // button -> value, for cards still face down
    int taps = 0;
    auto tap = [&](int i) {
        quiz.TapButton(i);
        ++taps;
        return quiz.isVisible() ? quiz.button(i)->text() : QString();
    };
    auto hidden = [&] {
        QList<int> out;
        for (int i = 0; i < 12; ++i) {
            if (quiz.button(i)->text() == kStar && !seen.count(i))
                out << i;
        }
        return out;
    };
    for (int guard = 0; guard < 60 && quiz.isVisible(); ++guard) {
        // A known pair first.
        int a = -1, b = -1;
        for (auto& [i, v] : seen) {
            for (auto& [j, w] : seen) {
                if (i < j && v == w) {
                    a = i;
                    b = j;
                }
            }
        }
        if (a >= 0) {
            tap(a);
            tap(b);
            seen.erase(a);
            seen.erase(b);
            if (quiz.isVisible())
                quiz.HandleTimer(QuizGame::TimerMemoryShow);
            continue;
        }
        const QList<int> unknown = hidden();
        QVERIFY(!unknown.isEmpty());
        const QString v = tap(unknown[0]);
        QVERIFY(v != kStar);
        // Its partner when already seen, else another unknown card.
        int partner = -1;
        for (auto& [j, w] : seen) {
            if (w == v)
                partner = j;
        }
        if (partner >= 0) {
            tap(partner);
            seen.erase(partner);
        } else {
            seen[unknown[0]] = v;
            const int other = unknown.size() > 1 ? unknown[1] : -1;
            QVERIFY(other >= 0);
            const QString w = tap(other);
            if (w == v)
                seen.erase(unknown[0]);
            else
                seen[other] = w;
        }
        if (quiz.isVisible()) {
            QVERIFY(quiz.timerActive(QuizGame::TimerMemoryShow));
            QCOMPARE(quiz.timerInterval(QuizGame::TimerMemoryShow), 2000);
            quiz.HandleTimer(QuizGame::TimerMemoryShow);
        }
    }
    QVERIFY(!quiz.isVisible());
    QCOMPARE(quiz.result(), int(QDialog::Accepted));
    QCOMPARE(quiz.game().pairsFound(), 5);
    QCOMPARE(owner.pauses, taps);
}

// Two different cards are shown for 2 seconds and then turned back; a third tap
// before that judges them at once.
void QuizTest::memoryMismatchTurnsBack()
{
    for (unsigned seed = 1; seed < 100; ++seed) {
        CQuizDialog::SetSeedForTesting(seed);
        CQuizDialog quiz(0, 0xFFFFFF, 5, QuizGame::Memory);
        quiz.show();
        quiz.TapButton(0);
        quiz.TapButton(1);
        const QString a = quiz.button(0)->text(), b = quiz.button(1)->text();
        QVERIFY(a != kStar && b != kStar);
        if (a == b)
            continue; // a pair; look for a seed that deals two different cards first
        // A third card before the timer: the two are turned back, the new one shown.
        quiz.TapButton(2);
        QCOMPARE(quiz.button(0)->text(), kStar);
        QCOMPARE(quiz.button(1)->text(), kStar);
        QVERIFY(quiz.button(2)->text() != kStar);
        QCOMPARE(quiz.timerInterval(QuizGame::TimerMemoryShow), 2000);
        // Left alone, a single card is turned back by the timer too.
        quiz.HandleTimer(QuizGame::TimerMemoryShow);
        QCOMPARE(quiz.button(2)->text(), kStar);
        QVERIFY(!quiz.timerActive(QuizGame::TimerMemoryShow));
        QCOMPARE(quiz.game().pairsFound(), 0);
        QVERIFY(quiz.isVisible());
        return;
    }
    QFAIL("no seed deals two different cards on buttons 0 and 1");
}

// The presentation shows level + 1 buttons; typing them back solves the quiz,
// with the typed labels as the prompt meanwhile.
void QuizTest::repeatSolvedByTheSequence_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<unsigned>("seed");
    QTest::newRow("level 0") << 0 << 11u;
    QTest::newRow("level -1 as 0") << -1 << 12u;
    QTest::newRow("level 1") << 1 << 13u;
    QTest::newRow("level 4") << 4 << 14u;
    QTest::newRow("level 60: the typed prompt outgrows its area") << 60 << 15u;
}

void QuizTest::repeatSolvedByTheSequence()
{
    QFETCH(int, level);
    QFETCH(unsigned, seed);
    CQuizDialog::SetSeedForTesting(seed);
    Owner owner;
    CQuizDialog quiz(0, 0xFFFFFF, level, QuizGame::Repeat, &owner);
    quiz.show();
    QCOMPARE(quiz.game().prompt(), Text(70));
    QVERIFY(quiz.timerActive(QuizGame::TimerPresent));
    QCOMPARE(quiz.timerInterval(QuizGame::TimerPresent), 500);
    // Taps during the presentation only pause the ringing.
    quiz.TapButton(0);
    QCOMPARE(owner.pauses, 1);

    const QList<int> shown = WatchPresentation(quiz);
    QCOMPARE(shown.size(), std::max(level, 0) + 1);
    QCOMPARE(quiz.game().prompt(), Text(69));
    QVERIFY(!quiz.timerActive(QuizGame::TimerPresent));
    QStringList typed;
    for (int i = 0; i < shown.size(); ++i) {
        QVERIFY(quiz.isVisible());
        quiz.TapButton(shown[i]);
        typed << QuizGame::RepeatLabel(shown[i]);
        if (i + 1 < shown.size())
            QCOMPARE(quiz.game().prompt(), typed.join(QLatin1Char(',')));
        if (i + 2 == shown.size())
            QVERIFY(!quiz.grab().isNull()); // painted, cut to the lines that fit
    }
    QVERIFY(!quiz.isVisible());
    QCOMPARE(quiz.result(), int(QDialog::Accepted));
    QCOMPARE(owner.pauses, 1 + shown.size());
}

void QuizTest::wrongRepeatReplaysTheSameSequence()
{
    CQuizDialog::SetSeedForTesting(31);
    CQuizDialog quiz(0, 0xFFFFFF, 2, QuizGame::Repeat);
    quiz.show();
    const QList<int> shown = WatchPresentation(quiz);
    QCOMPARE(shown.size(), 3);
    quiz.TapButton(shown[0]);
    quiz.TapButton(shown[1]);
    quiz.TapButton((shown[2] + 1) % 12);
    QVERIFY(quiz.isVisible());
    QCOMPARE(quiz.game().prompt(), Text(71));
    QCOMPARE(quiz.timerInterval(QuizGame::TimerPresent), 1000);
    QCOMPARE(WatchPresentation(quiz), shown);
    for (int b : shown)
        quiz.TapButton(b);
    QCOMPARE(quiz.result(), int(QDialog::Accepted));
}

// A tap on the prompt while answering shows the sequence again at once; what
// was typed before does not count towards the new answer.
void QuizTest::promptTapRestartsThePresentation()
{
    CQuizDialog::SetSeedForTesting(47);
    CQuizDialog quiz(0, 0xFFFFFF, 1, QuizGame::Repeat);
    quiz.show();
    const QList<int> shown = WatchPresentation(quiz);
    QCOMPARE(shown.size(), 2);
    quiz.TapButton(shown[0]);
    QTest::mouseClick(&quiz, Qt::LeftButton, {}, quiz.promptRect().center());
    QCOMPARE(InvertedButtons(quiz), QList<int>{shown[0]});
    QCOMPARE(quiz.game().prompt(), Text(70));
    // A tap on the prompt during the presentation does nothing.
    QTest::mouseClick(&quiz, Qt::LeftButton, {}, quiz.promptRect().center());
    QCOMPARE(quiz.game().replayStep(), 1);
    QVERIFY(quiz.timerActive(QuizGame::TimerPresent));
    QCOMPARE(WatchPresentation(quiz), shown.mid(1));
    quiz.TapButton(shown[0]);
    QVERIFY(quiz.isVisible());
    quiz.TapButton(shown[1]);
    QCOMPARE(quiz.result(), int(QDialog::Accepted));
}

// Window size, centring and keypad order on portrait, landscape and square
// displays; the four-column Repeat keypad still reads 1 to 12.
void QuizTest::layoutByOrientation_data()
{
    QTest::addColumn<QByteArray>("screen");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("layout");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("reading");
    const QString digits = QStringLiteral("1 2 3 4 5 6 7 8 9 0");
    const QString twelve = QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12");
    QTest::newRow("portrait math") << QByteArray("240x320") << 1 << 185 << QRect(26, 27, 188, 265) << digits;
    QTest::newRow("portrait repeat") << QByteArray("240x320") << 4 << 185 << QRect(26, 27, 188, 265) << twelve;
    QTest::newRow("landscape math") << QByteArray("320x240") << 1 << 186 << QRect(47, 22, 225, 195) << digits;
    QTest::newRow("landscape repeat") << QByteArray("320x240") << 4 << 186 << QRect(47, 22, 225, 195) << twelve;
    QTest::newRow("square repeat") << QByteArray("240x240") << 4 << 186 << QRect(7, 22, 225, 195) << twelve;
    QTest::newRow("high density portrait") << QByteArray("480x800@192") << 4 << 185 << QRect(26, 67, 188, 265)
                                           << twelve;
    QTest::newRow("smaller than designed for") << QByteArray("240x320@192") << 1 << 185 << QRect(3, 0, 114, 160)
                                               << digits;
    QTest::newRow("wide landscape") << QByteArray("800x480@192") << 1 << 186 << QRect(87, 22, 225, 195) << digits;
}

void QuizTest::layoutByOrientation()
{
    QFETCH(QByteArray, screen);
    QFETCH(int, type);
    QFETCH(int, layout);
    QFETCH(QRect, geometry);
    QFETCH(QString, reading);
    qputenv("DAWNBELL_SCREEN", screen);
    ResetDpiCacheForTesting();
    CQuizDialog::SetSeedForTesting(1);
    CQuizDialog quiz(0, 0xFFFFFF, 0, type);
    quiz.show();
    QCOMPARE(quiz.layoutId(), layout);
    QCOMPARE(quiz.geometry(), geometry);
    if (geometry.height() >= 195)
        QCOMPARE(quiz.promptRect(), QRect(11, 12, geometry.width() - 22, 26));
    // (A Repeat keypad is read before its presentation covers a button.)
    QCOMPARE(KeypadReading(quiz), reading);
    for (int i = 0; i < 12; ++i) {
        QVERIFY(quiz.rect().contains(quiz.button(i)->geometry()));
        QVERIFY(!quiz.button(i)->geometry().intersects(quiz.promptRect()));
    }
}

// Losing activation to a window that is neither the parent nor the quiz's own
// ends the quiz and tells the parent, unless the automatic stop is off.
void QuizTest::lostActivation_data()
{
    QTest::addColumn<int>("disableAutoStop");
    QTest::addColumn<bool>("toParent");
    QTest::addColumn<bool>("ends");
    QTest::newRow("another window") << 0 << false << true;
    QTest::newRow("another window, automatic stop off") << 1 << false << false;
    QTest::newRow("the parent") << 0 << true << false;
}

void QuizTest::lostActivation()
{
    QFETCH(int, disableAutoStop);
    QFETCH(bool, toParent);
    QFETCH(bool, ends);
    QVERIFY(Profile::WriteInt(QStringLiteral("settings"), QStringLiteral("disableAutoStop"), disableAutoStop));
    Owner owner;
    owner.resize(100, 100);
    owner.show();
    QWidget stranger;
    stranger.resize(50, 50);
    stranger.show();
    CQuizDialog quiz(0, 0xFFFFFF, 1, QuizGame::Math, &owner);
    quiz.show();
    quiz.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&quiz));
    const int before = owner.activations;
    QWidget* next = toParent ? static_cast<QWidget*>(&owner) : &stranger;
    next->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(next));
    QCoreApplication::processEvents();
    QCOMPARE(!quiz.isVisible(), ends);
    if (ends)
        QCOMPARE(quiz.result(), int(QDialog::Accepted));
    // The owner hears of it exactly when the quiz ended for another window.
    if (!toParent)
        QTRY_COMPARE(owner.activations - before, ends ? 1 : 0);
}

// Escape is no way out of the quiz; the window's close message is.
void QuizTest::escapeKeepsTheQuiz()
{
    CQuizDialog quiz(0, 0xFFFFFF, 2, QuizGame::Repeat);
    quiz.show();
    QTest::keyClick(&quiz, Qt::Key_Escape);
    QVERIFY(quiz.isVisible());
    QVERIFY(quiz.close());
    QVERIFY(!quiz.isVisible());
    // Its timers stop with it.
    QVERIFY(!quiz.timerActive(QuizGame::TimerPresent));
}

// The ringing window's hook runs the quiz modally until it is solved.
void QuizTest::runnerRunsModally()
{
    CQuizDialog::SetSeedForTesting(5);
    Owner owner;
    const QuizRunner run = MakeQuizRunner();
    bool solvedInside = false;
    QTimer::singleShot(0, [&] {
        auto* quiz = qobject_cast<CQuizDialog*>(QApplication::activeModalWidget());
        QVERIFY(quiz);
        QVERIFY(quiz->isModal());
        quiz->TapButton(ButtonWithLabel(*quiz, QString::number(Evaluate(quiz->game().prompt()))));
        solvedInside = true;
    });
    run(&owner, 0x000000, 0xFFFFFF, 0, QuizGame::Math);
    QVERIFY(solvedInside);
    QCOMPARE(owner.pauses, 1);
}

// A screen reader reads the question and presses the keys through their
// actions: a wrong digit is entered (and shown as the answer), the right one
// solves the quiz; a key lit during Repeat's presentation is read as its
// number, shown.
void QuizTest::keysThroughTheirAccessibleActions()
{
    InstallAccessibleFactory();
    CQuizDialog::SetSeedForTesting(3);
    Owner owner;
    CQuizDialog quiz(0x000000, 0xFFFFFF, 0, QuizGame::Math, &owner);
    quiz.show();
    const int answer = Evaluate(quiz.game().prompt());
    QVERIFY(answer >= 0);
    QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(&quiz);
    QCOMPARE(dialog->text(QAccessible::Name), QStringLiteral("Quiz"));
    QCOMPARE(dialog->child(CQuizDialog::PartQuestion)->text(QAccessible::Name), quiz.game().prompt());
    QAccessibleInterface* entered = dialog->child(CQuizDialog::PartAnswer);
    QCOMPARE(entered->text(QAccessible::Name), QStringLiteral("Answer"));
    QCOMPARE(entered->text(QAccessible::Value), QString());

    const QString wrong = QString::number((answer + 1) % 10);
    QAccessibleInterface* key = QAccessible::queryAccessibleInterface(quiz.button(ButtonWithLabel(quiz, wrong)));
    QCOMPARE(key->role(), QAccessible::Button);
    QCOMPARE(key->text(QAccessible::Name), wrong);
    key->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(owner.pauses, 1); // the press is a tap: the ringing pauses
    QCOMPARE(entered->text(QAccessible::Value), wrong);
    QVERIFY(quiz.isVisible());

    key = QAccessible::queryAccessibleInterface(quiz.button(ButtonWithLabel(quiz, QString::number(answer))));
    key->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(!quiz.isVisible());
    QCOMPARE(quiz.result(), int(QDialog::Accepted));

    // Repeat: the lit star is read as the number the key shows otherwise.
    CQuizDialog::SetSeedForTesting(31);
    CQuizDialog repeat(0x000000, 0xFFFFFF, 0, QuizGame::Repeat, &owner);
    repeat.show();
    repeat.HandleTimer(QuizGame::TimerPresent);
    const QList<int> lit = InvertedButtons(repeat);
    QCOMPARE(lit.size(), 1);
    const QString number = lit[0] == 0 ? QStringLiteral("11") : lit[0] == 11 ? QStringLiteral("12") : QString::number(lit[0]);
    QCOMPARE(QAccessible::queryAccessibleInterface(repeat.button(lit[0]))->text(QAccessible::Name),
             number + QStringLiteral(", shown"));
    // Once it is to be repeated, pressing the question shows it again.
    QAccessibleInterface* question = QAccessible::queryAccessibleInterface(&repeat)->child(CQuizDialog::PartQuestion);
    QVERIFY(question->actionInterface()->actionNames().isEmpty()); // while it is shown
    for (int step = 0; step < 3 && repeat.game().replayStep() != -1; ++step)
        repeat.HandleTimer(QuizGame::TimerPresent);
    QCOMPARE(repeat.game().replayStep(), -1);
    question->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(repeat.game().replayStep() != -1);
    QCOMPARE(InvertedButtons(repeat), lit);
}

QTEST_MAIN(QuizTest)
#include "QuizTest.moc"
