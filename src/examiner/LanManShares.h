#pragma once

#include "examiner/NetworkPath.h"

#include <string_view>
#include <vector>

namespace vireo {

// The machine-wide key whose sub-keys are this computer's shares, each with a "Path" value.
inline constexpr std::string_view kLanManKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\";

// This computer's shares as the registry hive lists them, in the key's order. The key is created
// when missing, and a share without a "Path" value gets an empty one, as every registry read does;
// a share whose "Path" is not a string is left out.
std::vector<Share> ReadLanManShares();

} // namespace vireo
