#include "settings/RegistryHive.h"

#include "settings/HiveFile.h"
#include "settings/HiveKey.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace vireo {

namespace {

std::string EnvironmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::filesystem::path HomeFolder()
{
    auto home = EnvironmentText("HOME");
    if (home.empty())
        if (const passwd* user = getpwuid(geteuid()))
            home = user->pw_dir;
    return home;
}

// The path with single backslashes between its names, or nothing when a name cannot be stored
// or the key would lie too deep.
std::optional<std::string> NormalPath(std::string_view path)
{
    const auto names = SplitKeyPath(path);
    if (names.size() > MaxKeyDepth)
        return std::nullopt;
    std::string normal;
    for (const auto name : names) {
        if (!IsStorableName(name))
            return std::nullopt;
        if (!normal.empty())
            normal += '\\';
        normal += name;
    }
    return normal;
}

} // namespace

std::string_view RegRootName(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RegRoot::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RegRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case RegRoot::Users:
        return "HKEY_USERS";
    case RegRoot::CurrentConfig:
        return "HKEY_CURRENT_CONFIG";
    }
    return "HKEY_LOCAL_MACHINE";
}

RegValue RegValue::FromText(std::string_view text, RegType type)
{
    std::string data(text);
    data += '\0';
    return {type, std::move(data)};
}

RegValue RegValue::FromDWord(std::uint32_t number)
{
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return {RegType::DWord, std::move(data)};
}

std::filesystem::path RegistryFolder()
{
    const auto own = EnvironmentText("VIREO_REGISTRY_DIR");
    if (!own.empty())
        return own;
    std::filesystem::path config = EnvironmentText("XDG_CONFIG_HOME");
    if (config.empty() || config.is_relative())
        config = HomeFolder() / ".config";
    return config / "Korvel" / "registry";
}

std::filesystem::path HiveFilePath(RegRoot root)
{
    return RegistryFolder() / (std::string(RegRootName(root)) + ".reg");
}

std::optional<RegKey> RegKey::Create(RegRoot root, std::string_view path)
{
    auto normal = NormalPath(path);
    if (!normal)
        return std::nullopt;
    const auto status = HiveFile(root).Change(*normal, [&](HiveKey& hive) {
        bool created = false;
        CreateKey(hive, *normal, created);
        return created;
    });
    if (status != RegStatus::Ok)
        return std::nullopt;
    return RegKey(root, std::move(*normal));
}

std::optional<RegKey> RegKey::Open(RegRoot root, std::string_view path, RegAccess access)
{
    auto normal = NormalPath(path);
    if (!normal)
        return std::nullopt;
    const HiveFile file(root);
    if (access == RegAccess::Full && !file.CanWrite())
        return std::nullopt;
    bool exists = false;
    file.Inspect(*normal, [&](const HiveKey& hive) { exists = FindKey(hive, *normal) != nullptr; });
    if (!exists)
        return std::nullopt;
    return RegKey(root, std::move(*normal));
}

std::optional<RegValue> RegKey::QueryValue(std::string_view name) const
{
    std::optional<RegValue> found;
    HiveFile(root_).Inspect(path_, [&](const HiveKey& hive) {
        if (const HiveKey* key = FindKey(hive, path_))
            if (const RegValue* value = key->FindValue(name))
                found = *value;
    });
    return found;
}

RegStatus RegKey::SetValue(std::string_view name, const RegValue& value)
{
    if (!IsStorableName(name))
        return RegStatus::InvalidName;
    RegStatus outcome = RegStatus::Ok;
    const auto status = HiveFile(root_).Change(path_, [&](HiveKey& hive) {
        HiveKey* key = FindKey(hive, path_);
        if (key == nullptr) {
            outcome = RegStatus::NotFound;
            return false;
        }
        if (const RegValue* stored = key->FindValue(name); stored != nullptr && *stored == value)
            return false;
        key->SetValue(name, value);
        return true;
    });
    return status == RegStatus::Ok ? outcome : status;
}

RegStatus RegKey::DeleteValue(std::string_view name)
{
    RegStatus outcome = RegStatus::Ok;
    const auto status = HiveFile(root_).Change(path_, [&](HiveKey& hive) {
        HiveKey* key = FindKey(hive, path_);
        if (key == nullptr || !key->RemoveValue(name)) {
            outcome = RegStatus::NotFound;
            return false;
        }
        return true;
    });
    return status == RegStatus::Ok ? outcome : status;
}

std::vector<std::string> RegKey::ValueNames() const
{
    std::vector<std::string> names;
    HiveFile(root_).Inspect(path_, [&](const HiveKey& hive) {
        if (const HiveKey* key = FindKey(hive, path_))
            for (const auto& [name, value] : key->Values())
                names.push_back(name);
    });
    return names;
}

std::vector<std::string> RegKey::SubKeyNames() const
{
    std::vector<std::string> names;
    HiveFile(root_).Inspect(path_, [&](const HiveKey& hive) {
        if (const HiveKey* key = FindKey(hive, path_))
            for (const auto& sub : key->SubKeys())
                names.push_back(sub->Name());
    });
    return names;
}

int RegKey::SubKeyCount() const
{
    return static_cast<int>(SubKeyNames().size());
}

RegStatus DeleteRegistryKey(RegRoot root, std::string_view path)
{
    if (SplitKeyPath(path).empty())
        return RegStatus::InvalidName;
    bool deleted = false;
    const auto status = HiveFile(root).Change(path, [&](HiveKey& hive) {
        deleted = DeleteKey(hive, path);
        return deleted;
    });
    if (status != RegStatus::Ok)
        return status;
    return deleted ? RegStatus::Ok : RegStatus::NotFound;
}

} // namespace vireo
