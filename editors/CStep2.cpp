#include "CStep2.h"

#include "Alarm.h"
#include "Texts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace dawnbell {

namespace {

enum TextId {
    kTextTitleLabel = 17,   // "Title:"
    kTextMessageLabel = 18, // "Message:"
    kTextTitle = 61,        // "Description"
};

// Cuts the edit's text back to the limit after typing or pasting beyond it.
void Limit(QPlainTextEdit* edit)
{
    const QString text = edit->toPlainText();
    if (text.size() <= CStep2::kMaxTextLength)
        return;
    const QSignalBlocker block(edit);
    edit->setPlainText(text.left(CStep2::kMaxTextLength));
    edit->moveCursor(QTextCursor::End);
}

} // namespace

CStep2::CStep2(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

QString CStep2::ToEditText(const QString& stored)
{
    QString text = stored;
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString CStep2::ToStoredText(const QString& edited)
{
    QString text = edited;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

void CStep2::CreateControls()
{
    AddLabel(IdTitleLabel);
    AddLabel(IdMessageLabel);
    auto edit = [this](int id) {
        auto* e = new QPlainTextEdit(this);
        e->setObjectName(QString::number(id));
        e->setTabChangesFocus(true);
        e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        connect(e, &QPlainTextEdit::textChanged, this, [e] { Limit(e); });
        return e;
    };
    m_title = edit(IdTitle);
    m_message = edit(IdMessage);
}

void CStep2::ApplyCaptions()
{
    Ctl<QLabel>(IdTitleLabel)->setText(Text(kTextTitleLabel));
    Ctl<QLabel>(IdMessageLabel)->setText(Text(kTextMessageLabel));
}

void CStep2::FillFromAlarm()
{
    m_title->setPlainText(ToEditText(m_work->title));
    m_message->setPlainText(ToEditText(m_work->message));
}

bool CStep2::StoreToAlarm()
{
    m_work->title = ToStoredText(m_title->toPlainText());
    m_work->message = ToStoredText(m_message->toPlainText());
    return true;
}

} // namespace dawnbell
