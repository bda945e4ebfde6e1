#include "intake/StartMode.h"

#include "components/AsciiText.h"

#include <algorithm>

namespace vireo {

bool IsSwitch(std::string_view parameter, std::string_view name)
{
    if (parameter.empty() || (parameter.front() != '-' && parameter.front() != '/'))
        return false;
    return SameTextAscii(parameter.substr(1), name);
}

StartMode DecideStartMode(const std::vector<std::string>& parameters)
{
    auto any = [&](std::string_view name) {
        return std::any_of(parameters.begin(), parameters.end(),
                           [&](const std::string& p) { return IsSwitch(p, name); });
    };
    if (any("AUTOMATION") || any("EMBEDDING"))
        return StartMode::Automation;
    if (any("REGSERVER"))
        return StartMode::Register;
    if (any("UNREGSERVER"))
        return StartMode::Unregister;
    return StartMode::Standalone;
}

} // namespace vireo
