#include "COptionsColors.h"

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
    kTextAdd = 20,
    kTextRemove = 21,
    kTextTitle = 115, // "Colors"
    kTextWarning = 126,
    kTextAsBack = 142,
    kTextAsText = 143,
    kTextTooAlike = 145,
};

const int kChannelIds[3] = {COptionsColors::IdRed, COptionsColors::IdGreen, COptionsColors::IdBlue};

// A square of one colour inside a frame in the tones of its window.
class ColorSwatch : public QWidget {
public:
    explicit ColorSwatch(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    void SetColor(uint32_t color)
    {
        m_color = color;
        update();
    }
    uint32_t color() const { return m_color; }

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
    connect(list, &QListWidget::currentRowChanged, this, [this] {
        ShowSelected();
        UpdateButtons();
    });

    auto* name = new QLineEdit(this);
    name->setObjectName(QString::number(IdName));
    name->setMaxLength(AlarmStore::kMaxColorNameChars); // longer names would not be read back
    connect(name, &QLineEdit::textChanged, this, &COptionsColors::UpdateButtons);

    const char* letters[3] = {"R", "G", "B"};
    const int labelIds[3] = {IdRedLabel, IdGreenLabel, IdBlueLabel};
    auto* swatch = new ColorSwatch(this);
    swatch->setObjectName(QString::number(IdPreview));
    for (int i = 0; i < 3; ++i) {
        AddLabel(labelIds[i])->setText(QLatin1String(letters[i]));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(kChannelIds[i]));
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), edit));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(edit, &QLineEdit::textEdited, this, [this, edit, swatch](const QString& text) {
            if (text.toInt() > kMaxChannel)
                edit->setText(QString::number(kMaxChannel));
            swatch->SetColor(FieldColor());
        });
        connect(edit, &QLineEdit::textChanged, this, [this, swatch] { swatch->SetColor(FieldColor()); });
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
