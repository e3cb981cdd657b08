// The built-in dialog layouts applied to plain kit dialogs: the closing
// confirmation (148) and the quiz keypad (185 portrait, 186 otherwise), so the
// layout data can be judged on every display before the real windows exist.
#include "Gallery.h"

#include "DialogLayout.h"
#include "KitDialog.h"
#include "KitFont.h"
#include "Scaling.h"
#include "Texts.h"

#include <QLabel>
#include <QPushButton>

namespace dawnbell {
namespace {

const int kQuizIds[12] = {1048, 1053, 1047, 1056, 1055, 1052, 1058, 1054, 1051, 1057, 1059, 1060};

QLabel* HiddenLabel(QWidget* parent, int id, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::number(id));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->hide();
    return label;
}

QPushButton* Button(QWidget* parent, int id, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    return button;
}

KitDialog* CloseSample(bool dark)
{
    auto* dialog = new KitDialog;
    dialog->SetKitColors(dark ? 0x00401008 : 0x00D0F0FF, dark ? 0x00FFFFFF : 0x00000040);
    HiddenLabel(dialog, 1024, Text(14));
    HiddenLabel(dialog, 1009, QStringLiteral("5"));
    Button(dialog, 1, Text(15));
    Button(dialog, 2, Text(16));
    if (!dialog->ApplyLayout(148)) {
        delete dialog;
        return nullptr;
    }
    QLabel* question = dialog->findChild<QLabel*>(QStringLiteral("1024"));
    question->setFont(FitFont(question->text(), question->geometry(), 1));
    dialog->CenterOnScreen();
    return dialog;
}

KitDialog* QuizSample(bool dark)
{
    auto* dialog = new KitDialog;
    dialog->SetKitColors(dark ? 0x00202020 : 0x00F0F0F0, dark ? 0x0080FFFF : 0x00000000);
    const ScreenGeometry screen = CurrentScreen();
    const int id = DialogLayout::ChooseId(QSize(screen.logicalWidth, screen.logicalHeight), 185, 186);
    const DialogLayout layout = DialogLayout::Load(id);
    // Repeat labels: index 1-10 read "1"-"10", index 0 "11", index 11 "12".
    for (int index = 0; index < 12; ++index)
        Button(dialog, kQuizIds[index], QString::number(index == 0 ? 11 : index == 11 ? 12 : index));
    if (!dialog->ApplyLayout(layout)) {
        delete dialog;
        return nullptr;
    }
    if (id == 186) {
        // The Repeat quiz trades the places of index 9 and 10 in the four-column
        // keypad so that it reads 1 to 12.
        QWidget* nine = dialog->findChild<QWidget*>(QString::number(kQuizIds[9]));
        QWidget* ten = dialog->findChild<QWidget*>(QString::number(kQuizIds[10]));
        const QRect r = nine->geometry();
        nine->setGeometry(ten->geometry());
        ten->setGeometry(r);
    }
    QRect prompt;
    layout.AreaRect(QStringLiteral("prompt"), &prompt);
    auto* label = HiddenLabel(dialog, 0xFFFF, Text(70));
    label->setGeometry(DialogLayout::Scale(prompt, dialog->LayoutDpiX(), dialog->LayoutDpiY()));
    const int u = ((dialog->LayoutDpiX() + 24) * 2) / 96;
    label->setFont(FitFont(label->text(), label->geometry(), u));
    const QFont keys = label->font();
    for (const int key : kQuizIds)
        dialog->findChild<QPushButton*>(QString::number(key))->setFont(keys);
    dialog->CenterOnScreen();
    return dialog;
}

const bool registered = gallery::Register(
    {QStringLiteral("kit-dialog"),
     {QStringLiteral("close-light"), QStringLiteral("close-dark"), QStringLiteral("quiz-light"),
      QStringLiteral("quiz-dark")},
     [](const QString& state) -> QWidget* {
         const bool dark = state.endsWith(QLatin1String("dark"));
         if (state.startsWith(QLatin1String("close")))
             return CloseSample(dark);
         return QuizSample(dark);
     }});

} // namespace
} // namespace dawnbell
