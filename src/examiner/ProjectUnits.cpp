#include "examiner/ProjectUnits.h"

#include "examiner/TextMatching.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace vireo {

namespace {

// The text between the first quote on the line and the next one, when both are there.
std::optional<std::string_view> QuotedPath(std::string_view line)
{
    const auto open = line.find('\'');
    if (open == std::string_view::npos)
        return std::nullopt;
    const auto close = line.find('\'', open + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    return line.substr(open + 1, close - open - 1);
}

} // namespace

std::string ResolveUnitPath(std::string_view projectPath, std::string_view writtenPath)
{
    std::string written(writtenPath);
    std::replace(written.begin(), written.end(), '\\', '/');
    const std::filesystem::path unit(written);
    if (unit.is_absolute())
        return unit.lexically_normal().string();
    const auto folder = std::filesystem::path(std::string(projectPath)).parent_path();
    return (folder / unit).lexically_normal().string();
}

std::vector<std::string> LoadProjectUnits(const std::vector<std::string>& projectText,
                                          std::string_view projectPath)
{
    std::vector<std::string> units;
    bool listing = false;
    for (const auto& line : projectText) {
        const std::string upper = UpperCaseAscii(line);
        if (ContainsText(" IN ", upper))
            listing = true;
        if (HasWord("BEGIN", upper))
            break;
        if (!listing)
            continue;
        if (const auto written = QuotedPath(line))
            units.push_back(ResolveUnitPath(projectPath, *written));
    }
    return units;
}

} // namespace vireo
