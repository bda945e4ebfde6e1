#include "examiner/NetworkPath.h"

#include "components/AsciiText.h"

#include <algorithm>
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

std::string LocalPathOfNetworkPath(std::string_view path, std::string_view computerName,
                                   const std::vector<Share>& shares)
{
    if (!path.starts_with("\\\\"))
        return {};
    path.remove_prefix(2);
    const auto hostEnd = path.find('\\');
    if (hostEnd == std::string_view::npos || !SameTextAscii(path.substr(0, hostEnd), computerName))
        return {};
    path.remove_prefix(hostEnd + 1);
    const auto shareEnd = std::min(path.find_first_of("\\/"), path.size());
    const std::string_view shareName = path.substr(0, shareEnd);
    const std::string_view rest = path.substr(shareEnd);
    for (const auto& share : shares) {
        if (!SameTextAscii(share.name, shareName))
            continue;
        if (share.path == "/" && rest.starts_with('/'))
            return std::string(rest);
        if (share.path.size() == 3 && HasDriveLetter(share.path) && share.path[2] == '\\')
            return share.path.substr(0, 2) + std::string(rest);
        return {};
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
