#include "RingingServices.h"

#include "CCloseAlarmDialog.h"
#include "CQuizDialog.h"
#include "MessageBox.h"
#include "Texts.h"

namespace dawnbell {

namespace {
RingingServices& Defaults()
{
    // The program's own quiz and closing confirmation unless replaced.
    static RingingServices services = [] {
        RingingServices s;
        s.quiz = MakeQuizRunner();
        s.confirmClose = MakeCloseConfirmer();
        return s;
    }();
    return services;
}
} // namespace

bool ConfirmClose(const RingingServices& services, QWidget* parent, uint32_t backColor, uint32_t textColor)
{
    if (services.confirmClose)
        return services.confirmClose(parent, backColor, textColor);
    constexpr int kTextCloseAlarm = 14;
    constexpr int kTextQuestion = 139;
    return ShowMessageBox(Text(kTextCloseAlarm), Text(kTextQuestion), MsgButtons::YesNo, MsgIcon::Question,
                          parent) == MsgAnswer::Yes;
}

void SetDefaultRingingServices(const RingingServices& services) { Defaults() = services; }

const RingingServices& DefaultRingingServices() { return Defaults(); }

} // namespace dawnbell
