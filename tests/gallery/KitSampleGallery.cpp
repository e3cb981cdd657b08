// A sample window with every control of the kit on a gradient background, in a
// light and a dark colour scheme; split into six pages so that even the
// smallest display shows each control at a usable size.
#include "Gallery.h"

#include "ColorHelpers.h"
#include "KitArrowButton.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "KitStyle.h"
#include "Scaling.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace dawnbell {
namespace {

constexpr uint32_t kLightBack = 0x00F0E6DC; // pale blue-grey
constexpr uint32_t kLightText = 0x00402010; // dark navy
constexpr uint32_t kDarkBack = 0x00301810;  // night blue
constexpr uint32_t kDarkText = 0x00E0F0FF;  // warm white
constexpr int kGradient = 0x50;             // shade of the background's top row

class KitSample : public QWidget {
public:
    KitSample(bool dark, const QString& page)
    {
        const ScreenGeometry screen = CurrentScreen();
        setGeometry(0, 0, screen.logicalWidth, screen.logicalHeight);
        m_back = dark ? kDarkBack : kLightBack;
        m_text = dark ? kDarkText : kLightText;
        ApplyKitColors(this, m_back, m_text);

        // The title is a hidden label: the window paints its text itself.
        m_title = new QLabel(QStringLiteral("Control kit: %1").arg(page), this);
        m_title->setObjectName(QStringLiteral("1019"));
        m_title->setAlignment(Qt::AlignCenter);
        m_title->setWordWrap(true);
        m_title->setFrameShape(QFrame::Box);
        m_title->hide();

        const int margin = ScaleX(4);
        const int titleHeight = qBound(ScaleY(16), height() / 9, ScaleY(36));
        m_title->setGeometry(margin, margin, width() - 2 * margin, titleHeight);
        m_title->setFont(FitFont(m_title->text(), m_title->geometry(), 1));

        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(margin, margin + titleHeight + ScaleY(3), margin, margin);
        grid->setSpacing(ScaleY(3));
        // Columns by page and width; small displays show fewer controls per page.
        int columns = qBound(1, width() / ScaleX(110), 3);
        if (page == QLatin1String("buttons"))
            columns = qBound(2, width() / ScaleX(80), 3);
        else if (page == QLatin1String("edits"))
            columns = 1;
        for (int c = 0; c < columns; ++c)
            grid->setColumnStretch(c, 1);
        int cell = 0;
        auto add = [&](QWidget* w, int span = 1) {
            if (cell % columns + span > columns)
                cell += columns - cell % columns;
            grid->addWidget(w, cell / columns, cell % columns, 1, qMin(span, columns));
            cell += qMin(span, columns);
        };

        if (page == QLatin1String("buttons")) {
            add(new QPushButton(QStringLiteral("Normal")));
            auto* pressed = new QPushButton(QStringLiteral("Down"));
            pressed->setDown(true);
            add(pressed);
            auto* disabled = new QPushButton(QStringLiteral("Off"));
            disabled->setEnabled(false);
            add(disabled);
            auto* focused = new QPushButton(QStringLiteral("Focus"));
            focused->setObjectName(QStringLiteral("1"));
            add(focused);
            setFocusProxy(focused);
            auto* arrows = new QWidget;
            auto* row = new QHBoxLayout(arrows);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(ScaleX(3));
            row->addWidget(new KitArrowButton(Qt::LeftArrow));
            row->addWidget(new KitArrowButton(Qt::RightArrow));
            auto* off = new KitArrowButton(Qt::UpArrow);
            off->setEnabled(false);
            row->addWidget(off);
            auto* skip = new QPushButton(QStringLiteral(">>"));
            skip->setObjectName(QStringLiteral("1035"));
            row->addWidget(skip, 1);
            add(arrows, columns);
        } else if (page == QLatin1String("checks")) {
            auto* vibrate = new QCheckBox(QStringLiteral("Vibrate"));
            vibrate->setChecked(true);
            vibrate->setObjectName(QStringLiteral("1030"));
            add(vibrate);
            add(new QCheckBox(QStringLiteral("Random")));
            auto* force = new QCheckBox(QStringLiteral("Forced"));
            force->setChecked(true);
            force->setEnabled(false);
            add(force);
            auto* tri = new QCheckBox(QStringLiteral("Some"));
            tri->setTristate(true);
            tri->setCheckState(Qt::PartiallyChecked);
            add(tri);
        } else if (page == QLatin1String("radios")) {
            add(new QRadioButton(QStringLiteral("Small")));
            auto* medium = new QRadioButton(QStringLiteral("Medium"));
            medium->setChecked(true);
            add(medium);
            auto* big = new QRadioButton(QStringLiteral("Big"));
            big->setEnabled(false);
            add(big);
        } else if (page == QLatin1String("edits")) {
            auto* slider = new QSlider(Qt::Horizontal);
            slider->setRange(0, 100);
            slider->setValue(60);
            slider->setObjectName(QStringLiteral("1037"));
            add(slider, columns);
            add(new QLineEdit(QStringLiteral("Wake up!")), columns);
        } else if (page == QLatin1String("boxes")) {
            auto* spin = new QSpinBox;
            spin->setRange(0, 99);
            spin->setValue(5);
            add(spin);
            auto* combo = new QComboBox;
            combo->addItems({QStringLiteral("Blue"), QStringLiteral("Red"), QStringLiteral("Green")});
            combo->setCurrentIndex(1);
            add(combo);
        } else {
            auto* list = new QListWidget;
            list->addItems({QStringLiteral("07:30 Work days"), QStringLiteral("09:00 Weekend"),
                            QStringLiteral("13:15 Nap"), QStringLiteral("18:00 Gym"),
                            QStringLiteral("21:00 Pills"), QStringLiteral("22:30 Bed"),
                            QStringLiteral("23:45 Late news"), QStringLiteral("05:10 Early train"),
                            QStringLiteral("06:00 Run"), QStringLiteral("06:45 Bus")});
            list->setCurrentRow(1);
            list->setMinimumHeight(ScaleY(30));
            add(list, columns);
            return;
        }
        grid->setRowStretch(grid->rowCount(), 1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        PaintWindowBackground(painter, rect(), m_back, kGradient);
        HiddenLabelStyle style;
        style.background = m_back;
        style.text = m_text;
        PaintHiddenLabel(painter, this, m_title, style);
    }

    void showEvent(QShowEvent*) override
    {
        if (QWidget* proxy = focusProxy())
            proxy->setFocus();
    }

private:
    QLabel* m_title = nullptr; // hidden holder of the title text
    uint32_t m_back = 0;       // background colour, 0x00BBGGRR
    uint32_t m_text = 0;       // text colour, 0x00BBGGRR
};

const bool registered = gallery::Register(
    {QStringLiteral("kit"),
     {QStringLiteral("light-buttons"), QStringLiteral("light-checks"), QStringLiteral("light-radios"),
      QStringLiteral("light-edits"), QStringLiteral("light-boxes"), QStringLiteral("light-list"),
      QStringLiteral("dark-buttons"), QStringLiteral("dark-checks"), QStringLiteral("dark-radios"),
      QStringLiteral("dark-edits"), QStringLiteral("dark-boxes"), QStringLiteral("dark-list")},
     [](const QString& state) -> QWidget* {
         const int dash = state.indexOf(QLatin1Char('-'));
         if (dash < 0)
             return nullptr;
         return new KitSample(state.left(dash) == QLatin1String("dark"), state.mid(dash + 1));
     }});

} // namespace
} // namespace dawnbell
