#pragma once
// What a user's finger and keyboard do to a window, for tests that drive real
// windows: taps on controls, typing into edits, taps on list rows, and holding
// a button until its menu opens to choose an entry.
#include "LongPress.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

namespace dawnbell::test {

// A tap on a control that must be visible and enabled: on a check or option
// box its mark, elsewhere the middle.
inline void Tap(QWidget* w)
{
    QVERIFY2(w, "no such control");
    QVERIFY2(w->isVisible() && w->isEnabled(), qPrintable(w->objectName() + QStringLiteral(" cannot be tapped")));
    const bool box = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    QTest::mouseClick(w, Qt::LeftButton, {}, box ? QPoint(w->height() / 2, w->height() / 2) : w->rect().center());
}

// Replaces the text of an edit, a multi-line edit or a number edit by typing.
inline void Type(QWidget* edit, const QString& text)
{
    QVERIFY2(edit, "no such edit");
    edit->setFocus();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(edit)) {
        plain->selectAll();
        QTest::keyClicks(plain, text);
        return;
    }
    auto* line = qobject_cast<QLineEdit*>(edit);
    if (!line)
        line = edit->findChild<QLineEdit*>();
    QVERIFY(line);
    line->selectAll();
    QTest::keyClicks(line, text);
}

// A tap on row `row` of a list with `modifiers` held.
inline void TapRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
}

// Holds `button` until its menu opens, then chooses the entry `text` with the
// keys (the menu closes before the entry runs, as with a tap). Returns when
// everything the entry started (modal windows included) has ended.
inline void HoldAndChoose(QWidget* button, const QString& text)
{
    auto chosen = std::make_shared<bool>(false);
    QTimer::singleShot(LongPress::kHoldMs + 200, [text, chosen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions()) {
            if (a->text() == text && a->isEnabled() && a->isVisible()) {
                menu->setActiveAction(a);
                *chosen = true;
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    QTest::qWait(LongPress::kHoldMs + 400);
    QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
    QVERIFY2(*chosen, qPrintable(QStringLiteral("no menu entry \"%1\"").arg(text)));
}

} // namespace dawnbell::test
