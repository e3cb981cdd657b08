#include "CStep4.h"

#include "Alarm.h"
#include "Texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>

#include <algorithm>

namespace dawnbell {

namespace {

enum TextId {
    kTextSnooze = 19,     // "Snooze (min.):"
    kTextTitle = 63,      // "Snooze"
    kTextUseSnooze = 92,
    kTextUseQuiz = 93,
    kTextQuizAfter = 94,  // "Start quiz after no. of snoozes:"
    kTextMath = 95,
    kTextMemory = 96,
    kTextRepeat = 140,
    kTextLevel = 154,     // "Starting level:"
};

} // namespace

CStep4::CStep4(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStep4::CreateControls()
{
    m_useSnooze = AddCheck(IdUseSnooze);
    m_useQuiz = AddCheck(IdUseQuiz);
    AddLabel(IdSnoozeLabel);
    AddLabel(IdQuizLabel)->setWordWrap(true);
    AddLabel(IdLevelLabel);
    m_types[0] = AddCheck(IdMath);
    m_types[1] = AddCheck(IdMemory);
    m_types[2] = AddCheck(IdRepeat);
    m_snooze = AddNumberEdit(IdSnooze, 1, 999);
    m_quiz = AddNumberEdit(IdQuiz, 1, 99);
    m_level = AddNumberEdit(IdLevel, 1, 99);
    setTabOrder(m_useSnooze, m_snooze);
    setTabOrder(m_snooze, m_useQuiz);
    setTabOrder(m_useQuiz, m_quiz);
    setTabOrder(m_quiz, m_level);

    connect(m_useSnooze, &QCheckBox::clicked, this, [this] { UpdateVisibility(); });
    connect(m_useQuiz, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked && m_work->quiz == 0)
            m_quiz->setValue(1);
        UpdateVisibility();
    });
}

void CStep4::ApplyCaptions()
{
    m_useSnooze->setText(Text(kTextUseSnooze));
    m_useQuiz->setText(Text(kTextUseQuiz));
    Ctl<QLabel>(IdSnoozeLabel)->setText(Text(kTextSnooze));
    Ctl<QLabel>(IdQuizLabel)->setText(Text(kTextQuizAfter));
    Ctl<QLabel>(IdLevelLabel)->setText(Text(kTextLevel));
    m_types[0]->setText(Text(kTextMath));
    m_types[1]->setText(Text(kTextMemory));
    m_types[2]->setText(Text(kTextRepeat));
}

void CStep4::FillFromAlarm()
{
    const Alarm& a = *m_work;
    m_useSnooze->setChecked(a.useSnooze != 0);
    m_snooze->setValue(a.snooze >= 1 && a.snooze < 60 ? 1 : std::clamp(a.snooze / 60, 1, 999));
    m_useQuiz->setChecked(a.quiz != 0);
    m_quiz->setValue(std::clamp(a.quiz, 1, 99));
    m_level->setValue(std::clamp(a.quizLevel, 1, 99));
    for (int i = 0; i < 3; ++i)
        m_types[i]->setChecked((a.quizTypes & (1 << i)) != 0);
    UpdateVisibility();
}

void CStep4::UpdateVisibility()
{
    const bool snooze = m_useSnooze->isChecked();
    const bool quiz = snooze && m_useQuiz->isChecked();
    m_snooze->setVisible(snooze);
    Ctl<QLabel>(IdSnoozeLabel)->setEnabled(snooze);
    m_useQuiz->setVisible(snooze);
    m_quiz->setVisible(quiz);
    m_level->setVisible(quiz);
    for (QCheckBox* box : m_types)
        box->setVisible(quiz);
    Ctl<QLabel>(IdQuizLabel)->setEnabled(quiz);
    Ctl<QLabel>(IdLevelLabel)->setEnabled(quiz);
    update();
}

bool CStep4::StoreToAlarm()
{
    Alarm& a = *m_work;
    if (m_useSnooze->isChecked()) {
        a.useSnooze = 1;
        a.snooze = m_snooze->value() * 60;
    } else {
        a.useSnooze = 0;
    }
    if (m_useQuiz->isChecked()) {
        a.quiz = m_quiz->value();
        a.quizLevel = m_level->value();
    } else {
        a.quiz = 0;
    }
    a.quizTypes = (m_types[0]->isChecked() ? 1 : 0) + (m_types[1]->isChecked() ? 2 : 0)
                  + (m_types[2]->isChecked() ? 4 : 0);
    return true;
}

} // namespace dawnbell
