#include "CStepSave.h"

#include "Alarm.h"
#include "CTemplatePreviewStatic.h"
#include "KitArrowButton.h"
#include "TemplateName.h"
#include "Texts.h"
#include "WizardServices.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace dawnbell {

namespace {

enum TextId {
    kTextTitle = 79, // "Save template"
    kTextNew = 152,  // "(New)"
};

} // namespace

CStepSave::CStepSave(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStepSave::CreateControls()
{
    m_name = new QComboBox(this);
    m_name->setObjectName(QString::number(IdName));
    m_name->setEditable(true);
    m_name->setInsertPolicy(QComboBox::NoInsert);
    m_name->setCompleter(nullptr);
    // Only names a template can be stored under (TemplateName::IsStorable):
    // one registry key level, so no backslash, and not too long.
    m_name->lineEdit()->setMaxLength(TemplateName::kMaxChars);
    m_name->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\\\]*")), m_name));
    m_up = AddArrow(IdUp, Qt::UpArrow);
    m_down = AddArrow(IdDown, Qt::DownArrow);
    m_preview = new CTemplatePreviewStatic(this);
    m_preview->setObjectName(QString::number(IdPreview));
    m_preview->SetImagesDir(m_services->ImagesDir());

    connect(m_name, &QComboBox::currentIndexChanged, this, [this] { Update(); });
    connect(m_name, &QComboBox::editTextChanged, this, [this](const QString& text) {
        // Typing renames the preview; it keeps showing the same alarm.
        if (m_name->currentIndex() < 0 || text != m_name->itemText(m_name->currentIndex()))
            m_preview->SetName(text);
    });
    connect(m_up, &QAbstractButton::clicked, this, [this] { Up(); });
    connect(m_down, &QAbstractButton::clicked, this, [this] { Down(); });
}

void CStepSave::ApplyCaptions()
{
}

void CStepSave::showEvent(QShowEvent* event)
{
    CEditWizardPage::showEvent(event);
    if (m_name->currentIndex() < 0) {
        m_preview->SetAlarm(nullptr); // drops the picture made from the old values
        m_preview->SetAlarm(m_work);
    }
}

void CStepSave::FillFromAlarm()
{
    m_name->clear();
    if (m_services->templates) {
        for (const auto& t : *m_services->templates)
            m_name->addItem(t->name, QVariant::fromValue<void*>(t.get()));
    }
    ResetToNew();
}

void CStepSave::ResetToNew()
{
    m_name->setCurrentIndex(-1);
    m_name->setEditText(Text(kTextNew));
    m_name->lineEdit()->selectAll();
    m_name->setFocus();
    Update();
}

void CStepSave::Update()
{
    const int s = m_name->currentIndex();
    const int n = m_name->count();
    m_up->setEnabled(s >= 0 && n >= 1);
    m_down->setEnabled(n >= 1 && s != n - 1);
    if (s < 0) {
        m_preview->SetAlarm(m_work);
        m_preview->SetName(Text(kTextNew));
    } else {
        const auto* t = static_cast<const AlarmTemplate*>(m_name->itemData(s).value<void*>());
        m_preview->SetAlarm(t);
        m_preview->SetName(t ? t->name : QString());
    }
}

void CStepSave::Up()
{
    const int s = m_name->currentIndex();
    if (s < 0)
        return;
    if (s == 0) {
        ResetToNew(); // the selection goes away
        return;
    }
    m_name->setCurrentIndex(s - 1);
}

void CStepSave::Down()
{
    const int s = m_name->currentIndex();
    if (s + 1 < m_name->count())
        m_name->setCurrentIndex(s + 1);
}

bool CStepSave::StoreToAlarm()
{
    // An empty name clears an earlier one, so an emptied box saves nothing.
    m_work->pendingTemplateName = m_name->currentText();
    return true;
}

} // namespace dawnbell
