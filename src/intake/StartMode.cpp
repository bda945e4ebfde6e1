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

std::optional<std::string> OtlpSwitchValue(const std::vector<std::string>& parameters)
{
    std::optional<std::string> value;
    for (size_t i = 0; i < parameters.size(); ++i) {
        const std::string& p = parameters[i];
        if (p == "--otlp")
            value = i + 1 < parameters.size() ? parameters[++i] : std::string();
        else if (p.starts_with("--otlp="))
            value = p.substr(7);
    }
    return value;
}

} // namespace vireo
