#include "TodayOptions.h"

#include "Registry.h"
#include "TodayAlarm.h"
#include "TodayApi.h"
#include "TodaySettings.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

namespace dawnbell::today {

namespace {

constexpr int kMinRows = 1;
constexpr int kMaxRows = 15;

QString IdName(int id) { return QString::number(id); }

// Handheld displays (no side longer than 800 device pixels) show the dialog
// full screen; larger ones get a window of comfortable size.
bool HandheldScreen(const QWidget* w)
{
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return true;
    const QSize device = screen->size() * screen->devicePixelRatio();
    return std::max(device.width(), device.height()) <= 800;
}

void Build(QDialog* dialog)
{
    dialog->setWindowTitle(QStringLiteral("Dawnbell"));
    auto* grid = new QGridLayout(dialog);

    auto* done = new QPushButton(QStringLiteral("OK"), dialog);
    done->setObjectName(IdName(IdDone));
    done->setDefault(true);
    grid->addWidget(done, 0, 2, Qt::AlignRight);

    auto* label = new QLabel(TodayText(TextRowsLabel), dialog);
    label->setObjectName(IdName(IdRowsLabel));
    label->setWordWrap(true);
    grid->addWidget(label, 1, 0, 1, 3);

    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(IdName(IdRowsEdit));
    edit->setMaxLength(2);
    grid->addWidget(edit, 2, 0);

    // The up-down control: steps the number in the edit within 1-15.
    auto* upDown = new QWidget(dialog);
    upDown->setObjectName(IdName(IdRowsUpDown));
    auto* arrows = new QHBoxLayout(upDown);
    arrows->setContentsMargins(0, 0, 0, 0);
    for (int step : {-1, +1}) {
        auto* b = new QToolButton(upDown);
        b->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        b->setObjectName(step > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        b->setAutoRepeat(true);
        QObject::connect(b, &QToolButton::clicked, edit, [edit, step] {
            const int rows = std::clamp(RowsFromText(edit->text()) + step, kMinRows, kMaxRows);
            edit->setText(QString::number(rows));
        });
        arrows->addWidget(b);
    }
    grid->addWidget(upDown, 2, 1, Qt::AlignLeft);

    auto* small = new QCheckBox(TodayText(TextSmallButtons), dialog);
    small->setObjectName(IdName(IdSmallButtons));
    grid->addWidget(small, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(2, 1);

    QObject::connect(done, &QPushButton::clicked, dialog,
                     [dialog] { OptionsDialogProc(dialog, WM_COMMAND, IDOK, 0); });
}

void Fill(QDialog* dialog)
{
    int rows = 2;
    bool compact = false;
    RegKey key;
    if (RegKey::Open(Hive::CurrentUser, kSettingsKey, &key) == RegOk) {
        uint32_t v = 0;
        if (key.ReadDword("todayLines", &v))
            rows = ClampRows(int64_t(v));
        compact = key.ReadDword("todayCompact", &v) && v != 0;
    }
    dialog->findChild<QLineEdit*>(IdName(IdRowsEdit))->setText(QString::asprintf("%i", rows));
    dialog->findChild<QCheckBox*>(IdName(IdSmallButtons))->setChecked(compact);
}

void Save(QDialog* dialog)
{
    const auto* edit = dialog->findChild<QLineEdit*>(IdName(IdRowsEdit));
    const auto* small = dialog->findChild<QCheckBox*>(IdName(IdSmallButtons));
    if (!edit || !small)
        return;
    RegKey key;
    if (RegKey::Create(Hive::CurrentUser, kSettingsKey, &key) != RegOk) {
        qWarning("Dawnbell today item: the settings could not be written");
        return;
    }
    key.WriteDword("todayLines", uint32_t(RowsFromText(edit->text())));
    key.WriteDword("todayCompact", small->isChecked() ? 1 : 0);
    RegFlush(Hive::CurrentUser);
}

} // namespace

int RowsFromText(const QString& text)
{
    // Like reading a number from a three-character buffer: two characters at
    // most, leading blanks and a sign allowed, digits up to the first other one.
    const QString head = text.left(2);
    int i = 0;
    while (i < head.size() && head[i].isSpace())
        ++i;
    bool negative = false;
    if (i < head.size() && (head[i] == QLatin1Char('-') || head[i] == QLatin1Char('+')))
        negative = head[i++] == QLatin1Char('-');
    int value = 0;
    for (; i < head.size() && head[i] >= QLatin1Char('0') && head[i] <= QLatin1Char('9'); ++i)
        value = value * 10 + (head[i].unicode() - '0');
    if (negative)
        value = -value;
    if (value == 0)
        return kMinRows;
    if (value < 0 || value > kMaxRows)
        return kMaxRows;
    return value;
}

intptr_t OptionsDialogProc(QDialog* dialog, uint32_t message, uintptr_t wparam, intptr_t)
{
    if (!dialog)
        return 0;
    switch (message) {
    case WM_INITDIALOG:
        if (!dialog->findChild<QLineEdit*>(IdName(IdRowsEdit)))
            Build(dialog);
        Fill(dialog);
        if (HandheldScreen(dialog))
            dialog->setWindowState(dialog->windowState() | Qt::WindowFullScreen);
        return 1;
    case WM_COMMAND:
        if (wparam == IDOK) {
            Save(dialog);
            dialog->accept();
            return 1;
        }
        if (wparam == IDCANCEL) {
            dialog->reject();
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace dawnbell::today
