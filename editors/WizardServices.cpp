#include "WizardServices.h"

#include "FileDialog.h"
#include "PictureFiles.h"

namespace dawnbell {

QString WizardServices::ImagesDir() const
{
    return imagesDir.isEmpty() ? PictureFiles::Folder() : imagesDir;
}

int WizardServices::RunFileDialog(FileDialog& chooser) const
{
    return runFileDialog ? runFileDialog(chooser) : chooser.exec();
}

} // namespace dawnbell
