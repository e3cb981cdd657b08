#include "COptionsAbout.h"

#include "COptionsWizard.h"
#include "Texts.h"

#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>

#include <algorithm>

// The program's icons are compiled into the resources library; the initialiser
// must be called explicitly or the linker drops them.
static void InitAboutResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace dawnbell {

namespace {

enum TextId {
    kTextTitle = 118, // "About"
    kTextAbout = 248, // who made the program, where help is, thanks
};

} // namespace

COptionsAbout::COptionsAbout(COptionsWizard* sheet)
    : COptionsPage(sheet, kLayout, kTextTitle)
{
}

QString COptionsAbout::AboutText(const QString& version)
{
    return version + QLatin1Char('\n') + Text(kTextAbout);
}

void COptionsAbout::CreateControls()
{
    auto* logo = new QLabel(this);
    logo->setObjectName(QString::number(IdLogo));
    logo->setAlignment(Qt::AlignCenter);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QString::number(IdText));
    text->setReadOnly(true);
    text->setFrameShape(QFrame::NoFrame);
}

void COptionsAbout::Fill()
{
    Ctl<QPlainTextEdit>(IdText)->setPlainText(AboutText(m_sheet->Services().versionText));
}

void COptionsAbout::Placed()
{
    static const bool initialised = (InitAboutResources(), true);
    Q_UNUSED(initialised);
    auto* logo = Ctl<QLabel>(IdLogo);
    const QPixmap icon(QStringLiteral(":/icons/icon%1.png").arg(kLogoIcon));
    const int side = std::min(logo->width(), logo->height());
    if (!icon.isNull() && side > 0) {
        QPixmap scaled = icon.scaled(QSize(side, side) * logo->devicePixelRatioF(), Qt::KeepAspectRatio,
                                     Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(logo->devicePixelRatioF());
        logo->setPixmap(scaled);
    }
}

} // namespace dawnbell
