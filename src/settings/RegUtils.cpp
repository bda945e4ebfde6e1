#include "settings/RegUtils.h"

#include "settings/RegistryHive.h"

#include <optional>
#include <string>

namespace vireo {

namespace {

std::string KeyPath(std::string_view subKey)
{
    return std::string(RegBasePath) + std::string(subKey);
}

[[noreturn]] void RaiseRegistryError(std::string_view pattern, std::string_view name)
{
    std::string message(pattern);
    message.replace(message.find("%s"), 2, name);
    throw ERegistryException(message);
}

std::optional<RegKey> OpenFullKey(std::string_view keyPath)
{
    return RegKey::Create(RegRoot::LocalMachine, keyPath);
}

void WriteValueAt(std::string_view keyPath, std::string_view name, const RegValue& value)
{
    auto key = OpenFullKey(keyPath);
    if (!key)
        return;
    if (key->SetValue(name, value) != RegStatus::Ok)
        RaiseRegistryError("Failed to set data for '%s'", name);
}

// The text of a string value, which ends at its first NUL.
std::string TextOf(const RegValue& value, std::string_view name)
{
    if (value.type != RegType::String && value.type != RegType::ExpandString)
        RaiseRegistryError("Invalid data type for '%s'", name);
    return value.data.substr(0, value.data.find('\0'));
}

} // namespace

std::int32_t RegValueAsInteger(const RegValue& value, std::string_view name)
{
    if (value.data.size() > 4)
        RaiseRegistryError("Failed to get data for '%s'", name);
    if (value.type != RegType::DWord)
        RaiseRegistryError("Invalid data type for '%s'", name);
    std::uint32_t number = 0;
    for (std::size_t i = value.data.size(); i-- > 0;)
        number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    return static_cast<std::int32_t>(number);
}

std::string ReadRegStringAt(std::string_view keyPath, std::string_view name,
                            std::string_view defaultValue)
{
    const auto key = OpenFullKey(keyPath);
    if (!key)
        return std::string(defaultValue);
    if (const auto value = key->QueryValue(name))
        return TextOf(*value, name);
    WriteRegStringAt(keyPath, name, defaultValue);
    return std::string(defaultValue);
}

void WriteRegStringAt(std::string_view keyPath, std::string_view name, std::string_view value)
{
    WriteValueAt(keyPath, name, RegValue::FromText(value));
}

std::string ReadRegString(std::string_view subKey, std::string_view name,
                          std::string_view defaultValue)
{
    return ReadRegStringAt(KeyPath(subKey), name, defaultValue);
}

void WriteRegString(std::string_view subKey, std::string_view name, std::string_view value)
{
    WriteRegStringAt(KeyPath(subKey), name, value);
}

std::int32_t ReadRegInteger(std::string_view subKey, std::string_view name,
                            std::int32_t defaultValue)
{
    const auto key = OpenFullKey(KeyPath(subKey));
    if (!key)
        return -1;
    if (const auto value = key->QueryValue(name))
        return RegValueAsInteger(*value, name);
    WriteRegInteger(subKey, name, defaultValue);
    return defaultValue;
}

void WriteRegInteger(std::string_view subKey, std::string_view name, std::int32_t value)
{
    WriteValueAt(KeyPath(subKey), name, RegValue::FromDWord(static_cast<std::uint32_t>(value)));
}

std::int16_t ReadRegShort(std::string_view subKey, std::string_view name,
                          std::int16_t defaultValue)
{
    const auto number = static_cast<std::uint32_t>(ReadRegInteger(subKey, name, defaultValue));
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(number & 0xFFFF));
}

void WriteRegShort(std::string_view subKey, std::string_view name, std::int16_t value)
{
    WriteRegInteger(subKey, name, value);
}

void DeleteRegKey(std::string_view subKey)
{
    DeleteRegistryKey(RegRoot::LocalMachine, KeyPath(subKey));
}

std::int32_t CountRegSubKeys(std::string_view subKey)
{
    const auto key = OpenFullKey(KeyPath(subKey));
    return key ? key->SubKeyCount() : 0;
}

void WithRegBatch(const std::function<void()>& work)
{
    HiveBatch batch(RegRoot::LocalMachine);
    work();
    if (batch.Commit() != RegStatus::Ok)
        throw ERegistryException("Failed to write the settings file '" + HiveFilePath(RegRoot::LocalMachine).string()
                                 + "'");
}

} // namespace vireo
