#include "examiner/LanManShares.h"

#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"

namespace vireo {

std::vector<Share> ReadLanManShares()
{
    std::vector<Share> shares;
    std::string_view keyPath = kLanManKeyPath;
    keyPath.remove_suffix(1);
    const auto key = RegKey::Create(RegRoot::LocalMachine, keyPath);
    if (!key)
        return shares;
    for (auto& name : key->SubKeyNames()) {
        try {
            std::string path = ReadRegStringAt(std::string(kLanManKeyPath) + name, "Path", "");
            shares.push_back({std::move(name), std::move(path)});
        } catch (const ERegistryException&) {
            // A "Path" that is not a string shares no drive root; the unit keeps its own path.
        }
    }
    return shares;
}

} // namespace vireo
