#include "COptionsColors.h"

#include "AccessibleOwnerDrawn.h"
#include "AccessibleParts.h"
#include "COptionsWizard.h"
#include "ColorHelpers.h"
#include "KitPainter.h"
#include "MessageBox.h"
#include "Texts.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace dawnbell {

namespace {

enum TextId {
    kTextBlue = 32, // the colour names name the channels for screen readers
    kTextRed = 33,
    kTextGreen = 34,
    kTextName = 50,
    kTextAdd = 20,
    kTextRemove = 21,
    kTextTitle = 115, // "Colors"
    kTextWarning = 126,
    kTextAsBack = 142,
    kTextAsText = 143,
    kTextTooAlike = 145,
};

const int kChannelIds[3] = {COptionsColors::IdRed, COptionsColors::IdGreen, COptionsColors::IdBlue};

// A square of one colour inside a frame in the tones of its window. Screen
// readers find it as a picture named by its colour, with the colour's channels
// in words as its value.
class ColorSwatch : public QWidget, public AccessibleParts {
public:
    explicit ColorSwatch(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    // Shows `color`; `name` is the named colour it is, empty for none (readers
    // then call it by its channels).
    void SetColor(uint32_t color, const QString& name)
    {
        m_color = color;
        const QString spoken = name.isEmpty() ? ColorInWords(color) : name;
        if (spoken != accessibleName())
            setAccessibleName(spoken); // tells a listening reader
        AccessibleOwnerDrawn::AnnounceValue(this);
        update();
    }
    uint32_t color() const { return m_color; }

    QAccessible::Role AccessibleRole() const override { return QAccessible::Graphic; }
    QString AccessibleValue() const override { return ColorInWords(m_color); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const uint32_t bg = FromQColor(palette().color(QPalette::Window));
        const uint32_t text = FromQColor(palette().color(QPalette::WindowText));
        painter.fillRect(rect(), ToQColor(m_color));
        PaintCutFrame(painter, rect(), text, bg);
    }

private:
    uint32_t m_color = 0; // 0x00BBGGRR
};

} // namespace

COptionsColors::COptionsColors(COptionsWizard* sheet)
    : COptionsPage(sheet, kLayout, kTextTitle)
{
}

void COptionsColors::CreateControls()
{
    auto* list = new QListWidget(this);
    list->setObjectName(QString::number(IdList));
    list->setAccessibleName(Text(kTextTitle));
    connect(list, &QListWidget::currentRowChanged, this, [this] {
        ShowSelected();
        UpdateButtons();
    });

    auto* name = new QLineEdit(this);
    name->setObjectName(QString::number(IdName));
    name->setMaxLength(AlarmStore::kMaxColorNameChars); // longer names would not be read back
    name->setAccessibleName(Text(kTextName));
    connect(name, &QLineEdit::textChanged, this, &COptionsColors::UpdateButtons);

    const char* letters[3] = {"R", "G", "B"};
    const int labelIds[3] = {IdRedLabel, IdGreenLabel, IdBlueLabel};
    const int channelNames[3] = {kTextRed, kTextGreen, kTextBlue};
    auto* swatch = new ColorSwatch(this);
    swatch->setObjectName(QString::number(IdPreview));
    for (int i = 0; i < 3; ++i) {
        AddLabel(labelIds[i])->setText(QLatin1String(letters[i]));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(kChannelIds[i]));
        edit->setAccessibleName(Text(channelNames[i]));
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), edit));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(edit, &QLineEdit::textEdited, this, [this, edit](const QString& text) {
            if (text.toInt() > kMaxChannel)
                edit->setText(QString::number(kMaxChannel));
            ShowPreview();
        });
        connect(edit, &QLineEdit::textChanged, this, &COptionsColors::ShowPreview);
    }

    connect(AddButton(IdAdd, kTextAdd), &QPushButton::clicked, this, &COptionsColors::Add);
    connect(AddButton(IdRemove, kTextRemove), &QPushButton::clicked, this, &COptionsColors::Remove);
    connect(AddButton(IdAsBack, kTextAsBack), &QPushButton::clicked, this, [this] { UseAs(true); });
    connect(AddButton(IdAsText, kTextAsText), &QPushButton::clicked, this, [this] { UseAs(false); });
}

void COptionsColors::Fill()
{
    FillList(Work().colors.isEmpty() ? -1 : 0);
}

void COptionsColors::FillList(int row)
{
    auto* list = Ctl<QListWidget>(IdList);
    const QSignalBlocker quiet(list);
    list->clear();
    for (const NamedColor& c : Work().colors)
        list->addItem(c.name);
    list->setCurrentRow(row);
    ShowSelected();
    ShowPreview(); // also when nothing is selected and the fields stay
    UpdateButtons();
}

void COptionsColors::ShowSelected()
{
    const int row = Ctl<QListWidget>(IdList)->currentRow();
    if (row < 0 || row >= Work().colors.size())
        return;
    const NamedColor& c = Work().colors.at(row);
    Ctl<QLineEdit>(IdName)->setText(c.name);
    for (int i = 0; i < 3; ++i)
        Ctl<QLineEdit>(kChannelIds[i])->setText(QString::number((c.color >> (8 * i)) & 0xFF));
}

void COptionsColors::UpdateButtons()
{
    // A colour needs a name: an empty one would become the key's unnamed value.
    Ctl<QPushButton>(IdAdd)->setEnabled(!Ctl<QLineEdit>(IdName)->text().isEmpty());
    Ctl<QPushButton>(IdRemove)->setEnabled(Ctl<QListWidget>(IdList)->currentRow() >= 0);
}

void COptionsColors::ShowPreview()
{
    const uint32_t color = FieldColor();
    // The preview's name: the selected colour when the fields hold it, else
    // the first named colour that is this colour, else none.
    const int row = Ctl<QListWidget>(IdList)->currentRow();
    const QVector<NamedColor>& colors = Work().colors;
    QString name;
    if (row >= 0 && row < colors.size() && (colors.at(row).color & 0x00FFFFFF) == color)
        name = colors.at(row).name;
    for (int i = 0; i < colors.size() && name.isEmpty(); ++i) {
        if ((colors.at(i).color & 0x00FFFFFF) == color)
            name = colors.at(i).name;
    }
    static_cast<ColorSwatch*>(Ctl<QWidget>(IdPreview))->SetColor(color, name);
}

uint32_t COptionsColors::FieldColor() const
{
    int v[3];
    for (int i = 0; i < 3; ++i)
        v[i] = Ctl<QLineEdit>(kChannelIds[i])->text().toInt();
    return OptionsSettings::ColorFromChannels(v[0], v[1], v[2]);
}

void COptionsColors::Add()
{
    const QString name = Ctl<QLineEdit>(IdName)->text();
    if (name.isEmpty())
        return;
    FillList(OptionsSettings::AddNamedColor(&Work().colors, NamedColor{name, FieldColor()}));
}

void COptionsColors::Remove()
{
    const int row = Ctl<QListWidget>(IdList)->currentRow();
    if (row < 0 || row >= Work().colors.size())
        return;
    Work().colors.removeAt(row);
    FillList(Work().colors.isEmpty() ? -1 : 0);
}

void COptionsColors::UseAs(bool asBack)
{
    const uint32_t color = FieldColor();
    const uint32_t other = asBack ? Work().textColor : Work().bgColor;
    if (OptionsSettings::TooAlike(color, other)
        && ShowMessageBox(Text(kTextTooAlike), Text(kTextWarning), MsgButtons::YesNo, MsgIcon::Warning, m_sheet)
               == MsgAnswer::No)
        return;
    (asBack ? Work().bgColor : Work().textColor) = color;
    m_sheet->RecolorFromWork();
}

} // namespace dawnbell
