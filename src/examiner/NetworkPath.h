#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// One shared folder of this computer: its share name and the local path it shares.
struct Share {
    // The share's name, as other computers address it.
    std::string name;
    // The shared local folder, such as C:\ or /.
    std::string path;
};

// The network form of a path: when a share's path is the root of the path's drive (C:\ for
// C:\Work\Unit1.pas, / for a POSIX path), "\\" computer "\" share followed by the path without its
// drive; the first such share in list order wins. Empty when no share covers the drive.
std::string MapToNetworkPath(std::string_view path, std::string_view computerName,
                             const std::vector<Share>& shares);

// The local path behind the network form of a path on this computer: for "\\" computerName "\"
// share followed by the rest, where the share (any letter case) shares a drive root, that root's
// drive followed by the rest (for the root /, the rest itself). Empty when the form names
// another computer, an unknown share or a share of a folder, or is no network form at all.
std::string LocalPathOfNetworkPath(std::string_view path, std::string_view computerName,
                                   const std::vector<Share>& shares);

// This computer's name: the host name.
std::string LocalComputerName();

} // namespace vireo
