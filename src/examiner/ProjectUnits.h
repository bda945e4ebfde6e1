#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// The full path of a unit as a project file writes it: a relative path (folders separated by
// "\" or "/", ".." steps allowed) is taken from the project's folder; an absolute one stays.
std::string ResolveUnitPath(std::string_view projectPath, std::string_view writtenPath);

// The unit paths a project's text lists, in the order found: the quoted path of every line from
// the first one holding " IN " up to the line holding the word BEGIN, resolved against the project.
std::vector<std::string> LoadProjectUnits(const std::vector<std::string>& projectText,
                                          std::string_view projectPath);

} // namespace vireo
