#include "RingingServices.h"

namespace dawnbell {

namespace {
RingingServices& Defaults()
{
    static RingingServices services;
    return services;
}
} // namespace

void SetDefaultRingingServices(const RingingServices& services) { Defaults() = services; }

const RingingServices& DefaultRingingServices() { return Defaults(); }

} // namespace dawnbell
