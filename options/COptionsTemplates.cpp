#include "COptionsTemplates.h"

#include "Alarm.h"
#include "COptionsWizard.h"
#include "CTemplatePreviewStatic.h"
#include "TemplateLibrary.h"
#include "Texts.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>

namespace dawnbell {

namespace {

enum TextId {
    kTextTitle = 117, // "Templates"
    kTextImport = 122,
    kTextExport = 123,
    kTextMoreImages = 124,
};

} // namespace

COptionsTemplates::COptionsTemplates(COptionsWizard* sheet)
    : COptionsPage(sheet, kLayout, kTextTitle), m_boxes(sheet)
{
    if (sheet->Services().runChooser)
        m_boxes.SetChooserRunner(sheet->Services().runChooser);
}

void COptionsTemplates::CreateControls()
{
    connect(AddCombo(IdList), &QComboBox::currentIndexChanged, this, &COptionsTemplates::SelectionChanged);
    m_preview = new CTemplatePreviewStatic(this); // continues the sheet's gradient (its grandparent)
    m_preview->setObjectName(QString::number(IdPreview));
    if (!m_sheet->Services().programDir.isEmpty())
        m_preview->SetImagesDir(QDir(m_sheet->Services().programDir).filePath(QStringLiteral("images")));
    connect(AddButton(IdImport, kTextImport), &QPushButton::clicked, this, &COptionsTemplates::Import);
    connect(AddButton(IdExport, kTextExport), &QPushButton::clicked, this, &COptionsTemplates::Export);
    QPushButton* more = AddButton(IdMoreImages, kTextMoreImages);
    connect(more, &QPushButton::clicked, this, &COptionsTemplates::MoreImages);
    more->setVisible(static_cast<bool>(m_sheet->Services().moreImages)); // no picture dialog, no button
}

void COptionsTemplates::Fill()
{
    FillList(QString());
}

void COptionsTemplates::FillList(const QString& name)
{
    auto* list = Ctl<QComboBox>(IdList);
    {
        const QSignalBlocker quiet(list);
        list->clear();
        if (const TemplateList* templates = m_sheet->Services().templates) {
            for (const auto& t : *templates)
                list->addItem(t->name);
        }
        const int found = name.isEmpty() ? -1 : list->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        list->setCurrentIndex(found >= 0 ? found : (list->count() > 0 ? 0 : -1));
    }
    SelectionChanged();
}

AlarmTemplate* COptionsTemplates::Selected() const
{
    const TemplateList* templates = m_sheet->Services().templates;
    const int i = Ctl<QComboBox>(IdList)->currentIndex();
    if (!templates || i < 0 || i >= int(templates->size()))
        return nullptr;
    return (*templates)[size_t(i)].get();
}

void COptionsTemplates::SelectionChanged()
{
    const AlarmTemplate* t = Selected();
    m_preview->SetAlarm(nullptr); // drops a picture cached before More images
    m_preview->SetAlarm(t);
    m_preview->SetName(t ? t->name : QString());
    Ctl<QPushButton>(IdImport)->setEnabled(m_sheet->Services().templates != nullptr);
    Ctl<QPushButton>(IdExport)->setEnabled(t != nullptr);
    Ctl<QPushButton>(IdMoreImages)->setEnabled(t && t->type != AlarmCommand);
}

void COptionsTemplates::Import()
{
    TemplateList* templates = m_sheet->Services().templates;
    if (!templates)
        return;
    const AlarmTemplate* before = Selected();
    const QString keep = before ? before->name : QString();
    TemplateLibrary(templates, m_sheet->Services().programDir, &m_boxes).Import();
    FillList(keep);
}

void COptionsTemplates::Export()
{
    if (const AlarmTemplate* t = Selected())
        TemplateLibrary(m_sheet->Services().templates, m_sheet->Services().programDir, &m_boxes).Export(t);
}

void COptionsTemplates::MoreImages()
{
    AlarmTemplate* t = Selected();
    if (t && t->type != AlarmCommand && m_sheet->Services().moreImages) {
        m_sheet->Services().moreImages(t, m_sheet);
        SelectionChanged(); // the preview shows the pictures now chosen
    }
}

} // namespace dawnbell
