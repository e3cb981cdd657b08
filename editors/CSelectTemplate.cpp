#include "CSelectTemplate.h"

#include "Alarm.h"
#include "CTemplatePreviewStatic.h"
#include "ColorHelpers.h"
#include "DevicePaths.h"
#include "DialogLayout.h"
#include "KitArrowButton.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "NewAlarm.h"
#include "PictureFiles.h"
#include "Scaling.h"
#include "TemplateLibrary.h"
#include "Texts.h"
#include "WindowGeometry.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

// The layout data is compiled into this static library; the initialiser must be
// called explicitly or the linker drops it.
static void InitSelectTemplateResources()
{
    Q_INIT_RESOURCE(CSelectTemplate);
}

namespace dawnbell {

namespace {

enum TextId {
    kTextOk = 24,
    kTextCancel = 25,
    kTextTitle = 73, // "Select template"
    kTextNewWizard = 74,
    kTextNewCompact = 75,
    kTextNewCommand = 76,
    kTextNewAppointment = 77,
    kTextDelete = 111,
};

const QString kSeparator = QString(48, QLatin1Char('-'));
constexpr int kSquareChoiceHeight = 16; // the choice list's height in the square layout, 96 dpi

// Entries 0-3: the text of the entry and the alarm type it makes (the preview
// shows that type's picture).
constexpr struct {
    int text;
    int type;
} kKinds[4] = {{kTextNewWizard, AlarmWizard},
               {kTextNewCompact, AlarmCompact},
               {kTextNewAppointment, AlarmAppointment},
               {kTextNewCommand, AlarmCommand}};

DialogLayout LoadLayout(int id)
{
    static const bool initialised = (InitSelectTemplateResources(), true);
    Q_UNUSED(initialised);
    return DialogLayout::LoadFrom(QStringLiteral(":/editors/CSelectTemplate.json"), id);
}

} // namespace

CSelectTemplate::CSelectTemplate(Alarm* alarm, QWidget* parent, Services services)
    : KitDialog(parent), m_alarm(alarm), m_services(std::move(services)), m_boxes(this)
{
    setObjectName(QStringLiteral("CSelectTemplate"));
    setWindowTitle(QStringLiteral("Dawnbell"));
    setFont(KitFont(9));
    SetEdgeFrame(false);
    SetGradientShade(kShade);
    if (m_services.programDir.isEmpty())
        m_services.programDir = QString::fromStdString(ProgramDir());
    CreateControls();
    m_preview->SetImagesDir(PictureFiles::Folder(m_services.programDir));
    SetKitColors(AppBackColor(), AppTextColor());
    FillChoices();

    const QSize design = LoadLayout(kPortraitLayout).ScaledSize(dpi_x(), dpi_y());
    PlaceWindow(this, design);
    if (AvailableArea(this).isEmpty()) // no screen at all
        resize(design);
    LayOutFor(size());
    Choose(EntryWizard);
}

void CSelectTemplate::CreateControls()
{
    m_title = new QLabel(this);
    m_title->setObjectName(QString::number(IdTitle));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_title->hide(); // the dialog paints the title itself

    m_choice = new QComboBox(this);
    m_choice->setObjectName(QString::number(IdChoice));
    connect(m_choice, &QComboBox::currentIndexChanged, this, &CSelectTemplate::SelectionChanged);

    m_preview = new CTemplatePreviewStatic(this);
    m_preview->setObjectName(QString::number(IdPreview));

    auto button = [this](int id) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_delete = button(IdDelete);
    m_ok = button(IdOk);
    m_cancel = button(IdCancel);
    m_ok->setDefault(true); // Enter is OK (nothing while OK is disabled); Escape is Cancel
    m_up = new KitArrowButton(Qt::UpArrow, this);
    m_up->setObjectName(QString::number(IdUp));
    m_down = new KitArrowButton(Qt::DownArrow, this);
    m_down->setObjectName(QString::number(IdDown));

    connect(m_delete, &QPushButton::clicked, this, &CSelectTemplate::Delete);
    connect(m_up, &QAbstractButton::clicked, this, &CSelectTemplate::Up);
    connect(m_down, &QAbstractButton::clicked, this, &CSelectTemplate::Down);
    connect(m_ok, &QPushButton::clicked, this, &CSelectTemplate::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CSelectTemplate::reject);
}

void CSelectTemplate::FillChoices()
{
    const QSignalBlocker quiet(m_choice);
    m_choice->clear();
    for (const auto& kind : kKinds)
        m_choice->addItem(Text(kind.text));
    m_choice->addItem(kSeparator);
    if (m_services.templates) {
        for (const auto& t : *m_services.templates)
            m_choice->addItem(t->name);
    }
}

// --- state ------------------------------------------------------------------------------

int CSelectTemplate::Current() const
{
    return m_choice->currentIndex();
}

int CSelectTemplate::Count() const
{
    return m_choice->count();
}

QAbstractButton* CSelectTemplate::Button(int id) const
{
    return findChild<QAbstractButton*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

QString CSelectTemplate::TitleText() const
{
    return m_title->text();
}

AlarmTemplate* CSelectTemplate::TemplateAt(int index) const
{
    const int i = index - kFirstTemplate;
    if (!m_services.templates || i < 0 || i >= int(m_services.templates->size()))
        return nullptr;
    return (*m_services.templates)[size_t(i)].get();
}

// --- choosing ------------------------------------------------------------------------------

void CSelectTemplate::Choose(int index)
{
    if (index < 0 || index >= Count())
        return;
    if (index == Current())
        SelectionChanged();
    else
        m_choice->setCurrentIndex(index);
}

void CSelectTemplate::Up()
{
    Choose(Current() - 1);
}

void CSelectTemplate::Down()
{
    Choose(Current() + 1);
}

void CSelectTemplate::SelectionChanged()
{
    const int s = Current();
    m_ok->setEnabled(s != EntrySeparator);
    m_up->setEnabled(s > 0);
    m_down->setEnabled(s < Count() - 1);
    m_delete->setEnabled(s > EntrySeparator);
    if (const AlarmTemplate* t = TemplateAt(s)) {
        m_preview->SetAlarm(t);
        m_preview->SetName(t->name);
        m_preview->SetKind(-1);
    } else {
        m_preview->SetAlarm(nullptr);
        m_preview->SetName(QString());
        m_preview->SetKind(s >= 0 && s < EntrySeparator ? kKinds[s].type : -1);
    }
}

void CSelectTemplate::Delete()
{
    AlarmTemplate* t = TemplateAt(Current());
    if (!t)
        return;
    m_preview->SetAlarm(nullptr); // it may show the template about to go
    if (TemplateLibrary(m_services.templates, m_services.programDir, &m_boxes).Delete(t)) {
        FillChoices();
        Choose(EntryWizard);
    } else {
        SelectionChanged();
    }
}

void CSelectTemplate::accept()
{
    const int s = Current();
    if (s == EntrySeparator || s < 0)
        return; // the separator chooses nothing: the dialog stays
    if (const AlarmTemplate* t = TemplateAt(s))
        m_alarm->CopyFrom(*t);
    else
        NewAlarm::Prepare(m_alarm, kKinds[s].type, m_services.programDir);
    const EditorRunner* run = nullptr;
    if (m_alarm->type == AlarmCompact)
        run = &m_services.compactEditor;
    else if (m_alarm->type == AlarmWizard || m_alarm->type == AlarmAppointment || m_alarm->type == AlarmCommand)
        run = &m_services.wizard;
    if (!run || !*run) {
        reject(); // no editor for this kind
        return;
    }
    if ((*run)(m_alarm, this))
        KitDialog::accept();
    else
        reject();
}

// --- layout and painting --------------------------------------------------------------------

void CSelectTemplate::LayOutFor(const QSize& size)
{
    LayoutPass pass;
    if (!m_ok || !BeginLayoutPass(size, {kPortraitLayout, kLandscapeLayout, kSquareLayout, &LoadLayout}, &pass))
        return;
    pass.layout.Apply(this, pass.dpiX, pass.dpiY);
    if (pass.variant == DialogLayout::Square) // the square layout's list is lower
        m_choice->resize(m_choice->width(), mul_div_round(kSquareChoiceHeight, pass.dpiY, 96));

    // Centre the design on screens larger than it was made for, measured on OK.
    const QPoint shift = CentringShift(pass, size, m_ok->geometry());
    for (QWidget* w : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_choice),
                       static_cast<QWidget*>(m_preview), static_cast<QWidget*>(m_delete),
                       static_cast<QWidget*>(m_up), static_cast<QWidget*>(m_down), static_cast<QWidget*>(m_ok),
                       static_cast<QWidget*>(m_cancel)})
        w->move(w->pos() + shift);

    m_title->setText(Text(kTextTitle));
    m_titleFont = FitTitleLineFont(m_title);
    m_delete->setText(Text(kTextDelete));
    m_ok->setText(Text(kTextOk));
    m_cancel->setText(Text(kTextCancel));
    update();
}

void CSelectTemplate::PaintLabels(QPainter& painter)
{
    PaintTitleLine(painter, m_title, m_titleFont);
}

} // namespace dawnbell
