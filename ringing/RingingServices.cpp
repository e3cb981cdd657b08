#include "RingingServices.h"

#include "CCloseAlarmDialog.h"
#include "CQuizDialog.h"

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

void SetDefaultRingingServices(const RingingServices& services) { Defaults() = services; }

const RingingServices& DefaultRingingServices() { return Defaults(); }

} // namespace dawnbell
