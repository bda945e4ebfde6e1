#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// How the program was asked to start.
enum class StartMode {
    Standalone, // started by the user
    Automation, // started for a client ("AUTOMATION" or "EMBEDDING")
    Register,   // write the registration and end ("REGSERVER")
    Unregister, // remove the registration and end ("UNREGSERVER")
};

// Whether a parameter is the switch name: "-" or "/" followed by the name in any letter case.
bool IsSwitch(std::string_view parameter, std::string_view name);

// The start mode of a command line (parameters without the program's name); automation wins
// over register, register over unregister, other parameters are ignored.
StartMode DecideStartMode(const std::vector<std::string>& parameters);

// The value of "--otlp ADDRESS:PORT" (or "--otlp=ADDRESS:PORT"); the last one given wins. None
// when the switch is absent; an empty text when it has no value.
std::optional<std::string> OtlpSwitchValue(const std::vector<std::string>& parameters);

} // namespace vireo
