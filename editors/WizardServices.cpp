#include "WizardServices.h"

#include "DevicePaths.h"
#include "FileDialog.h"

namespace dawnbell {

QString WizardServices::ImagesDir() const
{
    if (!imagesDir.isEmpty())
        return imagesDir;
    return QString::fromStdString(ProgramDir()) + QStringLiteral("/images");
}

int WizardServices::RunFileDialog(FileDialog& chooser) const
{
    return runFileDialog ? runFileDialog(chooser) : chooser.exec();
}

} // namespace dawnbell
