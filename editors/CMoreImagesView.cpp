#include "CMoreImagesView.h"

#include "Alarm.h"
#include "ColorHelpers.h"
#include "DialogLayout.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "Texts.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>

// The layout data is compiled into this static library; the initialiser must be
// called explicitly or the linker drops it.
static void InitMoreImagesResources()
{
    Q_INIT_RESOURCE(CMoreImagesDialog);
}

namespace dawnbell {

namespace {

constexpr int kTextNone = 57; // "(None)"

} // namespace

// The labels are the layout's fixed texts; each names the screen class whose
// field the list edits (its numbers as the platform's layout gives them).
const CMoreImagesView::Row CMoreImagesView::kRows[11] = {
    {1132, "WVGA (800x480):", BackImageWVGA},
    {1078, "WVGA-Landscape (480x800):", BackImageWVGALandscape},
    {1079, "WQVGA (400x240):", BackImageWQVGA},
    {1080, "WQVGA-Landscape (240x400):", BackImageWQVGALandscape},
    {1130, "QVGA (320x240):", BackImageQVGA},
    {1072, "QVGA-Landscape (240x320):", BackImageQVGAWide},
    {1073, "QVGA-Square (320x320):", BackImageQVGASquare},
    {1074, "VGA (640x480):", BackImageVGA},
    {1075, "VGA-Landscape (480x640):", BackImageVGAWide},
    {1076, "VGA-Square (480x480):", BackImageVGASquare},
    {1077, "Square (240x240):", BackImageSquare},
};

DialogLayout MoreImagesLayout(int id)
{
    static const bool initialised = (InitMoreImagesResources(), true);
    Q_UNUSED(initialised);
    return DialogLayout::LoadFrom(QStringLiteral(":/editors/CMoreImagesDialog.json"), id);
}

CMoreImagesView::CMoreImagesView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CMoreImagesView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(KitFont(9));
    for (const Row& row : kRows) {
        auto* label = new QLabel(QLatin1String(row.label), this);
        label->setObjectName(QString::number(row.listId + kLabelIdOffset));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->hide(); // the form paints the text
        auto* list = new QComboBox(this);
        list->setObjectName(QString::number(row.listId));
    }
}

QComboBox* CMoreImagesView::List(int listId) const
{
    return findChild<QComboBox*>(QString::number(listId), Qt::FindDirectChildrenOnly);
}

void CMoreImagesView::Fill(const Alarm& alarm, const QStringList& pictures)
{
    const QString none = Text(kTextNone);
    for (const Row& row : kRows) {
        QComboBox* list = List(row.listId);
        list->clear();
        list->addItem(none);
        list->addItems(pictures);
        const QString name = alarm.BackImage(row.field);
        int chosen = 0;
        if (!name.isEmpty()) {
            chosen = list->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
            if (chosen < 1) { // a picture the folder lacks (or named like "(None)") stays chosen
                list->addItem(name);
                chosen = list->count() - 1;
            }
        }
        list->setCurrentIndex(chosen);
    }
}

void CMoreImagesView::Store(Alarm* alarm) const
{
    for (const Row& row : kRows) {
        const QComboBox* list = List(row.listId);
        alarm->SetBackImage(row.field, list->currentIndex() > 0 ? list->currentText() : QString());
    }
}

void CMoreImagesView::Place(int width, int dpiX, int dpiY)
{
    const DialogLayout layout = MoreImagesLayout(kLayout);
    for (int id : layout.ControlIds()) {
        QRect r;
        QWidget* w = findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
        if (!w || !layout.ControlRect(id, &r))
            continue;
        QRect placed = DialogLayout::Scale(r, dpiX, dpiY);
        placed.setWidth(std::max(1, width - 2 * placed.x())); // rows span the form's width
        w->setGeometry(placed);
    }
    resize(width, layout.ScaledSize(dpiX, dpiY).height());
}

void CMoreImagesView::SetColors(uint32_t background, uint32_t text, int shade)
{
    m_background = background & 0x00FFFFFF;
    m_text = text & 0x00FFFFFF;
    m_shade = shade;
    update();
}

void CMoreImagesView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintWindowBackground(painter, rect(), m_background, m_shade);
    HiddenLabelStyle style;
    style.background = m_background;
    style.text = m_text;
    style.shade = m_shade;
    style.textBorder = false;
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        PaintHiddenLabel(painter, this, label, style);
}

} // namespace dawnbell
