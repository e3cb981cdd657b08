#include "WidgetMessageBox.h"

#include "MessageBox.h"
#include "Texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace dawnbell {

namespace {

enum TextId {
    kTextYes = 15,
    kTextNo = 16,
    kTextOk = 24,
    kTextCancel = 25,
};

} // namespace

void PrepareMessageBox(QMessageBox* box, const QString& text, const QString& caption, MsgButtons buttons,
                       MsgIcon icon)
{
    box->setWindowTitle(caption);
    box->setText(text);
    switch (icon) {
    case MsgIcon::Error:
        box->setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Warning:
        box->setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box->setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case MsgIcon::None:
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNoSafe:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::No);
        break;
    }
    // The buttons speak the program's language, not Qt's (which has no
    // translations loaded and would say Yes and Cancel in every language).
    const struct {
        QMessageBox::StandardButton button;
        int text;
    } kButtonTexts[] = {{QMessageBox::Yes, kTextYes}, {QMessageBox::No, kTextNo},
                        {QMessageBox::Ok, kTextOk}, {QMessageBox::Cancel, kTextCancel}};
    for (const auto& b : kButtonTexts) {
        if (QAbstractButton* shown = box->button(b.button))
            shown->setText(Text(b.text));
    }
}

namespace {

// True when a box can be seen: a widget application on a real window system.
bool CanShow()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr
        && QGuiApplication::platformName() != QLatin1String("offscreen")
        && QGuiApplication::platformName() != QLatin1String("minimal");
}

MsgAnswer ShowDialog(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon,
                     QWidget* owner)
{
    if (!CanShow())
        return MessageBoxToStderr(text, caption, buttons);

    QMessageBox box(owner);
    PrepareMessageBox(&box, text, caption, buttons, icon);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    default:
        return SafeMessageBoxAnswer(buttons);
    }
}

} // namespace

void InstallWidgetMessageBox()
{
    SetMessageBoxPresenter(ShowDialog);
}

} // namespace dawnbell
