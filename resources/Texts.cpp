#include "Texts.h"

#include "BuiltinStrings.h"

namespace dawnbell {

namespace {

std::function<QString(int)>& Provider()
{
    static std::function<QString(int)> provider;
    return provider;
}

} // namespace

QString Text(int id)
{
    if (const auto& provider = Provider()) {
        QString text = provider(id);
        if (!text.isNull())
            return text;
    }
    return BuiltinString(id);
}

void SetTextProvider(std::function<QString(int)> provider)
{
    Provider() = std::move(provider);
}

} // namespace dawnbell
