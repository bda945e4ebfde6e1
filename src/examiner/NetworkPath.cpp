#include "examiner/NetworkPath.h"

#include "components/AsciiText.h"

#include <unistd.h>

namespace vireo {

namespace {

bool HasDriveLetter(std::string_view path)
{
    if (path.size() < 2 || path[1] != ':')
        return false;
    const char c = UpperCaseAscii(path[0]);
    return c >= 'A' && c <= 'Z';
}

} // namespace

std::string MapToNetworkPath(std::string_view path, std::string_view computerName,
                             const std::vector<Share>& shares)
{
    std::string root;
    std::string_view rest;
    if (HasDriveLetter(path)) {
        root = std::string(path.substr(0, 2)) + "\\";
        rest = path.substr(2);
    } else if (path.starts_with('/')) {
        root = "/";
        rest = path;
    } else {
        return {};
    }
    for (const auto& share : shares) {
        if (SameTextAscii(share.path, root))
            return "\\\\" + std::string(computerName) + "\\" + share.name + std::string(rest);
    }
    return {};
}

std::string LocalComputerName()
{
    char name[257] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

} // namespace vireo
