// Command texts of command alarms (read from the registry): any text must split
// into a target and arguments without a crash, and nothing is ever started.
#include "CommandAlarm.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString command = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const dawnbell::CommandLaunch plan = dawnbell::PlanCommand(command);
    if (plan.valid) {
        // The target is never empty and is the text before the separator.
        if (plan.target.isEmpty() || !command.startsWith(plan.target))
            std::abort();
        // Arguments come from the parameter text only (a document gets none of them).
        if (!plan.isProgram && plan.arguments != QStringList{plan.target})
            std::abort();
        qsizetype total = 0;
        for (const QString& a : plan.arguments)
            total += a.size();
        if (plan.isProgram && total > plan.parameters.size())
            std::abort();
    } else if (!command.isEmpty()) {
        std::abort(); // only an empty command has nothing to run
    }
    return 0;
}
