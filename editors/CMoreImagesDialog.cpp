#include "CMoreImagesDialog.h"

#include "Alarm.h"
#include "CMoreImagesView.h"
#include "ColorHelpers.h"
#include "KitFont.h"
#include "Scaling.h"
#include "Texts.h"
#include "WindowGeometry.h"

#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace dawnbell {

namespace {

enum TextId {
    kTextAdd = 20,
    kTextOk = 24,
    kTextCancel = 25,
};

} // namespace

CMoreImagesDialog::CMoreImagesDialog(AlarmTemplate* t, QWidget* parent, const QString& imagesDir)
    : KitDialog(parent), m_template(t), m_imagesDir(imagesDir.isEmpty() ? PictureFiles::Folder() : imagesDir)
{
    setObjectName(QStringLiteral("CMoreImagesDialog"));
    setWindowTitle(QStringLiteral("Dawnbell"));
    setFont(KitFont(9));
    SetEdgeFrame(false);
    SetGradientShade(kShade);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    m_view = new CMoreImagesView;
    m_scroll->setWidget(m_view);

    const int ids[3] = {IdAdd, IdOk, IdCancel};
    const int texts[3] = {kTextAdd, kTextOk, kTextCancel};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(Text(texts[i]), this);
        b->setObjectName(QString::number(ids[i]));
        b->setAutoDefault(false);
        m_buttons[i] = b;
    }
    m_buttons[1]->setDefault(true); // Enter is OK; Escape is Cancel
    connect(m_buttons[0], &QPushButton::clicked, this, &CMoreImagesDialog::Add);
    connect(m_buttons[1], &QPushButton::clicked, this, &CMoreImagesDialog::accept);
    connect(m_buttons[2], &QPushButton::clicked, this, &CMoreImagesDialog::reject);

    SetKitColors(AppBackColor(), AppTextColor());
    m_view->SetColors(BackgroundColor(), TextColor(), kShade);
    Refill();

    // A handheld's dialog fills the screen; a desktop window shows the whole form.
    const DialogLayout layout = MoreImagesLayout(kLayout);
    const QSize design = layout.ScaledSize(dpi_x(), dpi_y());
    QRect view;
    layout.AreaRect(QStringLiteral("view"), &view);
    const int form = MoreImagesLayout(CMoreImagesView::kLayout).DesignSize().height();
    PlaceWindow(this, QSize(design.width(), ScaleY(layout.DesignSize().height() - view.height() + form)));
    if (AvailableArea(this).isEmpty()) // no screen at all
        resize(design);
    DoLayout();
}

QPushButton* CMoreImagesDialog::Button(int id) const
{
    for (QPushButton* b : m_buttons) {
        if (b->objectName() == QString::number(id))
            return b;
    }
    return nullptr;
}

void CMoreImagesDialog::Refill()
{
    m_view->Fill(*m_template, PictureFiles::Names(m_imagesDir));
}

void CMoreImagesDialog::Add()
{
    PictureFiles::AddWithChooser(m_imagesDir, this, m_run);
    Refill(); // from the stored fields: unconfirmed choices are dropped
}

void CMoreImagesDialog::accept()
{
    m_view->Store(m_template);
    m_template->Save();
    KitDialog::accept();
}

void CMoreImagesDialog::resizeEvent(QResizeEvent* event)
{
    KitDialog::resizeEvent(event);
    DoLayout();
}

void CMoreImagesDialog::DoLayout()
{
    if (!m_scroll)
        return;
    const DialogLayout layout = MoreImagesLayout(kLayout);
    int dpiX = dpi_x(), dpiY = dpi_y();
    FitDensities(layout.DesignSize(), size(), &dpiX, &dpiY);
    // The buttons keep their row at the bottom and share the width in their
    // layout's proportions; the form fills the rest.
    const QSize design = layout.DesignSize();
    QRect ok;
    layout.ControlRect(IdOk, &ok);
    const int rowTop = height() - mul_div_round(design.height() - ok.y(), dpiY, 96);
    for (QPushButton* b : m_buttons) {
        QRect r;
        if (!layout.ControlRect(b->objectName().toInt(), &r))
            continue;
        const int x0 = r.x() * width() / design.width();
        const int x1 = (r.x() + r.width()) * width() / design.width();
        b->setGeometry(x0, rowTop + mul_div_round(r.y() - ok.y(), dpiY, 96), x1 - x0,
                       mul_div_round(r.height(), dpiY, 96));
    }
    QRect view;
    layout.AreaRect(QStringLiteral("view"), &view);
    m_scroll->setGeometry(0, 0, width(), std::max(1, rowTop - mul_div_round(ok.y() - view.height(), dpiY, 96)));
    m_view->Place(m_scroll->viewport()->width(), dpiX, dpiY);
    if (m_view->height() > m_scroll->height()) // room for the scroll bar
        m_view->Place(m_scroll->width() - m_scroll->verticalScrollBar()->sizeHint().width(), dpiX, dpiY);
}

} // namespace dawnbell
