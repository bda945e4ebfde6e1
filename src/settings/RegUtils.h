#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vireo {

struct RegValue;

// A registry failure raised to the caller, e.g. "Invalid data type for 'ExpertMode'".
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The key below HKEY_LOCAL_MACHINE every sub-key of these helpers is appended to, without a
// separator.
inline constexpr std::string_view RegBasePath = "SOFTWARE\\Korvel\\";

// Reads a string value under base + subKey; a missing value is stored as defaultValue and
// returned. Returns defaultValue when the key can be neither opened nor created.
std::string ReadRegString(std::string_view subKey, std::string_view name,
                          std::string_view defaultValue);
// Writes a string value under base + subKey; silently skipped when the key cannot be opened.
void WriteRegString(std::string_view subKey, std::string_view name, std::string_view value);

// Reads a 32-bit number under base + subKey, storing the default when missing; -1 when the key
// can be neither opened nor created.
std::int32_t ReadRegInteger(std::string_view subKey, std::string_view name,
                            std::int32_t defaultValue);
// Writes a 32-bit number under base + subKey.
void WriteRegInteger(std::string_view subKey, std::string_view name, std::int32_t value);

// Reads a number through ReadRegInteger and keeps its low 16 bits; on/off settings use -1 and 0.
std::int16_t ReadRegShort(std::string_view subKey, std::string_view name,
                          std::int16_t defaultValue);
// Writes a 16-bit number sign-extended to 32 bits.
void WriteRegShort(std::string_view subKey, std::string_view name, std::int16_t value);

// Removes base + subKey with everything below it; nothing happens when it does not exist.
void DeleteRegKey(std::string_view subKey);

// The number of immediate sub-keys of base + subKey, creating the key when missing.
std::int32_t CountRegSubKeys(std::string_view subKey);

// ReadRegString on a whole key path below HKEY_LOCAL_MACHINE (no base path added).
std::string ReadRegStringAt(std::string_view keyPath, std::string_view name,
                            std::string_view defaultValue);
// WriteRegString on a whole key path below HKEY_LOCAL_MACHINE (no base path added).
void WriteRegStringAt(std::string_view keyPath, std::string_view name, std::string_view value);

// Runs work as one batch on the machine hive: its reads and writes go to one copy, written back
// once at the end in one atomic replacement. Raises ERegistryException when that write fails
// (the file then stays as it was); inside another batch the outer one writes.
void WithRegBatch(const std::function<void()>& work);

// The number a value holds: "Failed to get data for '%s'" when its data is longer than 4 bytes,
// "Invalid data type for '%s'" when it is not a 32-bit number (name in place of %s).
std::int32_t RegValueAsInteger(const RegValue& value, std::string_view name);

} // namespace vireo
