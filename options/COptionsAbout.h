#pragma once
// Options page "About": the program's logo and a read-only text with the
// version, the maker, where to find help and tips, and thanks.
#include "COptionsPage.h"

namespace dawnbell {

class COptionsAbout : public COptionsPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdLogo = 1140,
        IdText = 1141,
    };
    static constexpr int kLayout = 315;
    static constexpr int kLogoIcon = 276; // the program's icon resource

    explicit COptionsAbout(COptionsWizard* sheet);

    // The text of the page for the version line `version`, in the program's language.
    static QString AboutText(const QString& version);

protected:
    void CreateControls() override;
    void Fill() override;
    void Placed() override;
};

} // namespace dawnbell
