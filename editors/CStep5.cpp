#include "CStep5.h"

#include "Alarm.h"
#include "CFadeButtons.h"
#include "CFadeControl.h"
#include "FadeCurve.h"
#include "Texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

#include <algorithm>

namespace dawnbell {

namespace {

enum TextId {
    kTextVibrate = 23,
    kTextForceVolume = 30,
    kTextTitle = 64,   // "Volume"
    kTextFadeIn = 97,
    kTextInterval = 98,
};

} // namespace

CStep5::CStep5(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStep5::CreateControls()
{
    m_forceVolume = AddCheck(IdForceVolume);
    m_fadeIn = AddCheck(IdFadeIn);
    m_vibrate = AddCheck(IdVibrate);
    m_interval = AddCheck(IdInterval);
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setObjectName(QString::number(IdVolume));
    m_volume->setRange(0, 100);
    m_duration = new QSlider(Qt::Horizontal, this);
    m_duration->setObjectName(QString::number(IdDuration));
    m_duration->setRange(kMinDuration, kMaxDuration);
    m_curve = new CFadeControl(this);
    m_curve->setObjectName(QString::number(IdCurve));
    const int presetIds[3] = {IdPreset0, IdPreset1, IdPreset2};
    for (int type = 0; type < 3; ++type) {
        m_presets[type] = new CFadeButtons(this);
        m_presets[type]->setObjectName(QString::number(presetIds[type]));
        m_presets[type]->SetType(type);
        connect(m_presets[type], &QAbstractButton::clicked, this,
                [this, type] { m_curve->SetCurve(FadePresetCurve(type)); });
    }
    AddLabel(IdZeroLabel)->setText(QStringLiteral("0s"));
    AddLabel(IdDurationLabel)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    for (QCheckBox* box : {m_forceVolume, m_fadeIn, m_vibrate})
        connect(box, &QCheckBox::clicked, this, [this] { UpdateVisibility(); });
    connect(m_duration, &QSlider::valueChanged, this, [this](int v) { ShowDuration(v); });
}

void CStep5::ApplyCaptions()
{
    m_forceVolume->setText(Text(kTextForceVolume));
    m_fadeIn->setText(Text(kTextFadeIn));
    m_vibrate->setText(Text(kTextVibrate));
    m_interval->setText(Text(kTextInterval));
}

void CStep5::FillFromAlarm()
{
    const Alarm& a = *m_work;
    m_fadeIn->setChecked(a.useFade != 0);
    FadeCurve curve{};
    std::copy(a.fade.begin(), a.fade.end(), curve.begin());
    m_curve->SetCurve(curve);
    m_duration->setValue(std::clamp(a.fadeDuration, kMinDuration, kMaxDuration));
    ShowDuration(m_duration->value());
    m_vibrate->setChecked(a.vibrate != 0);
    m_interval->setChecked(a.vibrateInterval != 0);
    m_forceVolume->setChecked(a.forceVolume != 0);
    m_volume->setValue(std::clamp(a.volume, 0, 100));
    UpdateVisibility();
}

void CStep5::ShowDuration(int seconds)
{
    Ctl<QLabel>(IdDurationLabel)->setText(QStringLiteral("%1s").arg(seconds));
    m_curve->SetFadeSeconds(seconds); // the curve's description for screen readers
    update();
}

void CStep5::UpdateVisibility()
{
    const bool fade = m_fadeIn->isChecked();
    m_curve->setVisible(fade);
    for (CFadeButtons* b : m_presets)
        b->setVisible(fade);
    m_duration->setVisible(fade);
    Ctl<QLabel>(IdZeroLabel)->setEnabled(fade);
    Ctl<QLabel>(IdDurationLabel)->setEnabled(fade);
    m_volume->setVisible(m_forceVolume->isChecked());
    m_interval->setVisible(m_vibrate->isChecked());
    update();
}

bool CStep5::StoreToAlarm()
{
    Alarm& a = *m_work;
    const FadeCurve curve = m_curve->GetCurve();
    std::copy(curve.begin(), curve.end(), a.fade.begin());
    a.useFade = m_fadeIn->isChecked() ? 1 : 0;
    a.vibrate = m_vibrate->isChecked() ? 1 : 0;
    a.vibrateInterval = m_interval->isChecked() ? 1 : 0;
    a.volume = m_volume->value();
    a.forceVolume = m_forceVolume->isChecked() ? 1 : 0;
    a.fadeDuration = m_duration->value();
    return true;
}

} // namespace dawnbell
