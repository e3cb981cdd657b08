#include "CStep7.h"

#include "AccessibleOwnerDrawn.h"
#include "AccessibleParts.h"
#include "Alarm.h"
#include "ColorHelpers.h"
#include "KitFont.h"
#include "LongPress.h"
#include "MessageBox.h"
#include "PictureFiles.h"
#include "ScreenClass.h"
#include "TextFormat.h"
#include "Texts.h"
#include "WizardServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <cstdlib>

namespace dawnbell {

namespace {

enum TextId {
    kTextBlue = 32,  // the colour names name the channels for screen readers
    kTextRed = 33,
    kTextGreen = 34,
    kTextCustom = 39,
    kTextNone = 57,       // "(None)"
    kTextTitle = 66,      // "Colors"
    kTextBackColor = 99,
    kTextTextColor = 100,
    kTextImage = 101,
    kTextStretch = 102,
    kTextCenter = 103,
    kTextTile = 104,
    kTextDelete = 111,
    kTextError = 113,
    kTextWarning = 126,
    kTextAlike = 145,
    kTextNotDeleted = 274, // "The picture %s could not be deleted: %s"
    kTextAddPictures = 356, // "...", for screen readers
};

constexpr int kCustom = -1; // list data of "Custom"

// A small field filled with one colour. Screen readers find it as a picture
// named by its colour as the page shows it, with the colour's channels in words
// as its value.
class Swatch : public QWidget, public AccessibleParts {
public:
    explicit Swatch(QWidget* parent) : QWidget(parent) {}
    // Shows `color`; `name` is the named colour chosen for it, empty for a
    // custom one (which readers then call by its channels).
    void SetColor(uint32_t color, const QString& name)
    {
        m_color = color;
        const QString spoken = name.isEmpty() ? ColorInWords(color) : name;
        if (spoken != accessibleName())
            setAccessibleName(spoken); // tells a listening reader
        AccessibleOwnerDrawn::AnnounceValue(this);
        update();
    }
    uint32_t Color() const { return m_color; }

    QAccessible::Role AccessibleRole() const override { return QAccessible::Graphic; }
    QString AccessibleValue() const override { return ColorInWords(m_color); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), ToQColor(m_color));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    uint32_t m_color = 0; // 0x00BBGGRR
};

} // namespace

CStep7::CStep7(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

void CStep7::MakeGroup(Group* g, int useId, int listId, int swatchId, const int (&rgbIds)[3],
                       const int (&labelIds)[3])
{
    g->use = AddCheck(useId);
    g->use->setFont(KitFont(8)); // two groups side by side
    g->list = new QComboBox(this);
    g->list->setObjectName(QString::number(listId));
    auto* swatch = new Swatch(this);
    swatch->setObjectName(QString::number(swatchId));
    g->swatch = swatch;
    static const char* const kLetters[3] = {"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        g->labelIds[i] = labelIds[i];
        AddLabel(labelIds[i])->setText(QString::fromLatin1(kLetters[i]));
        g->rgb[i] = AddNumberEdit(rgbIds[i], 0, 999);
        QSpinBox* edit = g->rgb[i];
        edit->setFont(KitFont(8)); // six fields in one row: all three digits of 255 show
        connect(edit, &QSpinBox::valueChanged, this, [this, g, edit](int v) {
            if (v > 255)
                edit->setValue(255); // a channel ends at 255
            UpdateSwatch(g);
        });
    }
    connect(g->use, &QCheckBox::clicked, this, [this] { UpdateVisibility(); });
    connect(g->list, &QComboBox::activated, this, [this, g] { ColorChosen(g); });
}

void CStep7::CreateControls()
{
    MakeGroup(&m_back, IdUseBack, IdBackList, IdBackSwatch, {IdBackR, IdBackG, IdBackB},
              {IdBackRLabel, IdBackGLabel, IdBackBLabel});
    MakeGroup(&m_text, IdUseText, IdTextList, IdTextSwatch, {IdTextR, IdTextG, IdTextB},
              {IdTextRLabel, IdTextGLabel, IdTextBLabel});
    m_useImage = AddCheck(IdUseImage);
    m_imageList = new QComboBox(this);
    m_imageList->setObjectName(QString::number(IdImageList));
    m_browse = AddButton(IdBrowse);
    m_browse->setText(QStringLiteral("..."));
    m_menu = new QMenu(m_browse);
    QAction* del = m_menu->addAction(Text(kTextDelete));
    del->setData(kCmdDelete);
    m_hold = new LongPress(this);
    m_hold->Watch(m_browse);
    m_styles[0] = AddOption(IdStretch);
    m_styles[1] = AddOption(IdCenter);
    m_styles[2] = AddOption(IdTile);

    connect(m_useImage, &QCheckBox::clicked, this, [this] { UpdateVisibility(); });
    connect(m_imageList, &QComboBox::activated, this, [this] { ImageChosen(); });
    connect(m_browse, &QPushButton::clicked, this, [this] { AddImages(); });
    connect(del, &QAction::triggered, this, [this] { DeleteImage(); });
    connect(m_hold, &LongPress::held, this, [this, del](QWidget*, const QPoint& globalPos) {
        del->setEnabled(m_useImage->isChecked() && m_imageList->currentIndex() > 0);
        m_menu->exec(globalPos);
    });
}

void CStep7::ApplyCaptions()
{
    m_back.use->setText(Text(kTextBackColor));
    m_text.use->setText(Text(kTextTextColor));
    m_useImage->setText(Text(kTextImage));
    // Names for screen readers: a group's list, swatch and channels are told
    // with the group's caption.
    static const int kChannels[3] = {kTextRed, kTextGreen, kTextBlue};
    for (Group* g : {&m_back, &m_text}) {
        const QString group = g->use->text();
        g->list->setAccessibleName(group);
        g->swatch->setAccessibleDescription(group);
        for (int i = 0; i < 3; ++i) {
            g->rgb[i]->setAccessibleName(Text(kChannels[i]));
            g->rgb[i]->setAccessibleDescription(group);
        }
    }
    m_imageList->setAccessibleName(Text(kTextImage));
    m_browse->setAccessibleName(Text(kTextAddPictures));
    m_styles[0]->setText(Text(kTextStretch));
    m_styles[1]->setText(Text(kTextCenter));
    m_styles[2]->setText(Text(kTextTile));
}

void CStep7::FillGroup(Group* g, uint32_t color, bool use)
{
    g->use->setChecked(use);
    g->list->clear();
    g->list->addItem(Text(kTextCustom), kCustom);
    for (const NamedColor& named : m_services->namedColors)
        g->list->addItem(named.name, qint64(named.color & 0x00FFFFFF));
    int chosen = 0;
    for (int i = 1; i < g->list->count(); ++i) {
        if (uint32_t(g->list->itemData(i).toLongLong()) == (color & 0x00FFFFFF))
            chosen = i; // the last equal entry stays chosen
    }
    g->list->setCurrentIndex(chosen);
    for (int i = 0; i < 3; ++i) {
        g->rgb[i]->setValue(int((color >> (8 * i)) & 0xFF));
        g->rgb[i]->setEnabled(chosen == 0);
    }
    UpdateSwatch(g);
}

void CStep7::FillFromAlarm()
{
    const Alarm& a = *m_work;
    FillGroup(&m_back, a.backColor, a.useBackColor != 0);
    FillGroup(&m_text, a.textColor, a.useTextColor != 0);
    for (int f = 0; f < BackImageFieldCount; ++f)
        m_images[f] = a.BackImage(f);
    m_class = classify_screen();
    FillImageList();
    m_useImage->setChecked(a.backImageStyle != 0);
    const int style = a.backImageStyle == 3 ? 2 : a.backImageStyle == 2 ? 1 : 0;
    m_styles[style]->setChecked(true);
    UpdateVisibility();
}

void CStep7::ColorChosen(Group* g)
{
    const qint64 value = g->list->currentData().toLongLong();
    const bool custom = value == kCustom;
    for (int i = 0; i < 3; ++i) {
        if (!custom)
            g->rgb[i]->setValue(int((uint32_t(value) >> (8 * i)) & 0xFF));
        g->rgb[i]->setEnabled(custom);
    }
    UpdateSwatch(g);
}

uint32_t CStep7::ColorOf(const Group& g)
{
    return Rgb(uint32_t(g.rgb[0]->value()), uint32_t(g.rgb[1]->value()), uint32_t(g.rgb[2]->value()));
}

void CStep7::UpdateSwatch(Group* g)
{
    // A named colour chosen in the list is the swatch's name; "Custom" has none.
    const QString name = g->list->currentIndex() > 0 ? g->list->currentText() : QString();
    static_cast<Swatch*>(g->swatch)->SetColor(ColorOf(*g), name);
}

void CStep7::UpdateVisibility()
{
    for (Group* g : {&m_back, &m_text}) {
        const bool on = g->use->isChecked();
        g->list->setVisible(on);
        g->swatch->setVisible(on);
        for (int i = 0; i < 3; ++i) {
            g->rgb[i]->setVisible(on);
            Ctl<QLabel>(g->labelIds[i])->setEnabled(on);
        }
    }
    const bool image = m_useImage->isChecked();
    m_imageList->setVisible(image);
    m_browse->setVisible(image);
    for (QRadioButton* option : m_styles)
        option->setVisible(image);
    update();
}

// --- pictures -------------------------------------------------------------------------

void CStep7::FillImageList()
{
    m_imageList->clear();
    m_imageList->addItem(Text(kTextNone));
    m_imageList->addItems(PictureFiles::Names(m_services->ImagesDir()));
    const int field = ScreenClassImageField(m_class);
    const QString current = field >= 0 ? m_images[field] : QString();
    const int at = current.isEmpty() ? 0 : m_imageList->findText(current, Qt::MatchFixedString);
    if (at < 0 && !current.isEmpty()) {
        // A picture that is no longer in the folder stays the choice until changed.
        m_imageList->addItem(current);
        m_imageList->setCurrentIndex(m_imageList->count() - 1);
    } else {
        m_imageList->setCurrentIndex(std::max(at, 0));
    }
}

void CStep7::ImageChosen()
{
    const int field = ScreenClassImageField(m_class);
    if (field < 0)
        return;
    m_images[field] = m_imageList->currentIndex() > 0 ? m_imageList->currentText() : QString();
}

void CStep7::Placed()
{
    // A rotated device is another screen class: the choice made stays with the
    // old class, and the list shows the new class's picture.
    const int cls = classify_screen();
    if (m_class < 0 || cls == m_class)
        return;
    ImageChosen();
    m_class = cls;
    FillImageList();
}

void CStep7::AddImages()
{
    if (PictureFiles::AddWithChooser(m_services->ImagesDir(), window(), m_services->runFileDialog))
        FillImageList();
}

void CStep7::DeleteImage()
{
    if (!m_useImage->isChecked() || m_imageList->currentIndex() <= 0)
        return;
    const QString name = m_imageList->currentText();
    if (name.contains(QLatin1Char('/')) || name == QLatin1String("..") || name == QLatin1String("."))
        return;
    const QString path = PictureFiles::PathOf(m_services->ImagesDir(), name);
    QFile picture(path);
    if (!picture.remove()) {
        // A built-in picture of a package install, for one: its folder is not the user's.
        qWarning("Could not delete the picture %s: %s", qUtf8Printable(path), qUtf8Printable(picture.errorString()));
        ShowMessageBox(FormatTextId(kTextNotDeleted, {path, picture.errorString()}), Text(kTextError), MsgButtons::Ok,
                       MsgIcon::Error, window());
    }
    FillImageList();
}

// --- store ------------------------------------------------------------------------------

bool CStep7::StoreToAlarm()
{
    Alarm& a = *m_work;
    a.useBackColor = m_back.use->isChecked() ? 1 : 0;
    a.useTextColor = m_text.use->isChecked() ? 1 : 0;
    bool alike = true;
    for (int i = 0; i < 3; ++i)
        alike = alike && std::abs(m_back.rgb[i]->value() - m_text.rgb[i]->value()) < kAlikeDistance;
    if (alike
        && ShowMessageBox(Text(kTextAlike), Text(kTextWarning), MsgButtons::YesNo, MsgIcon::Warning, window())
               != MsgAnswer::Yes)
        return false;
    a.backColor = ColorOf(m_back);
    a.textColor = ColorOf(m_text);
    if (m_useImage->isChecked()) {
        ImageChosen();
        for (int f = 0; f < BackImageFieldCount; ++f)
            a.SetBackImage(f, m_images[f]);
        a.backImageStyle = m_styles[2]->isChecked() ? 3 : m_styles[1]->isChecked() ? 2 : 1;
    } else {
        a.backImageStyle = 0;
    }
    return true;
}

} // namespace dawnbell
