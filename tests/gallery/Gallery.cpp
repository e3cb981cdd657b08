#include "Gallery.h"

namespace dawnbell::gallery {

namespace {
std::vector<Entry>& Registry()
{
    static std::vector<Entry> entries; // built during static initialisation
    return entries;
}
} // namespace

bool Register(Entry entry)
{
    Registry().push_back(std::move(entry));
    return true;
}

const std::vector<Entry>& Entries()
{
    return Registry();
}

} // namespace dawnbell::gallery
