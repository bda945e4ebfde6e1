#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// The root keys; each one is persisted as a hive file of its own.
enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// The name a root key carries in hive files, e.g. "HKEY_LOCAL_MACHINE".
std::string_view RegRootName(RegRoot root);

// Value types, numbered as registry export text numbers them in "hex(n):".
enum class RegType : std::uint32_t {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    DWord = 4,
    MultiString = 7,
    QWord = 11,
};

// A typed value holding its raw data: a string keeps its terminating NUL, a DWord is 4 bytes
// little-endian.
struct RegValue {
    RegType type = RegType::None;
    std::string data;

    // A string value: the text followed by one NUL.
    static RegValue FromText(std::string_view text, RegType type = RegType::String);
    // A 32-bit number value.
    static RegValue FromDWord(std::uint32_t number);

    bool operator==(const RegValue&) const = default;
};

// How a key is opened: Full needs the hive's file and folder to be writable.
enum class RegAccess { Read, Full };

// Outcome of a hive operation.
enum class RegStatus {
    Ok,
    NotFound,     // the key or value does not exist
    CannotWrite,  // the hive's folder or file cannot be written (or read), or its lock taken
    InvalidName,  // a name the hive file cannot hold (line breaks, NUL)
};

// Folder of the hive files: $VIREO_REGISTRY_DIR, else $XDG_CONFIG_HOME/Korvel/registry,
// else ~/.config/Korvel/registry. Read anew on every call.
std::filesystem::path RegistryFolder();

// The hive file of a root key inside RegistryFolder().
std::filesystem::path HiveFilePath(RegRoot root);

// Receives the one report about a hive that could not be parsed and was moved aside.
using HiveProblemReporter = std::function<void(const std::string& message)>;

// Replaces the receiver of hive problem reports (the default writes to standard error);
// an empty function restores the default.
void SetHiveProblemReporter(HiveProblemReporter reporter);

// An open key. It holds no file open: every call rereads the hive under its lock, so it sees
// what other processes wrote, and every change is written back atomically.
class RegKey {
public:
    // Opens the key for full access, creating it and its parents when missing. Empty when the
    // hive's file or folder cannot be written, the path holds a name the hive cannot keep or it
    // lies deeper than MaxKeyDepth.
    static std::optional<RegKey> Create(RegRoot root, std::string_view path);

    // Opens an existing key without creating it; empty when it does not exist, or (for Full)
    // when the hive cannot be written.
    static std::optional<RegKey> Open(RegRoot root, std::string_view path,
                                      RegAccess access = RegAccess::Full);

    // The root key this key lives under.
    RegRoot Root() const { return root_; }
    // The key's path below its root, names separated by single backslashes.
    const std::string& Path() const { return path_; }

    // The value's type and data; empty when the value (or the key) no longer exists.
    std::optional<RegValue> QueryValue(std::string_view name) const;
    // Sets (creates or replaces) a value; a new name keeps the case it is written in.
    RegStatus SetValue(std::string_view name, const RegValue& value);
    // Removes a value.
    RegStatus DeleteValue(std::string_view name);
    // The names of the key's values, in the order they were first written.
    std::vector<std::string> ValueNames() const;
    // The names of the immediate sub-keys, sorted without regard to case.
    std::vector<std::string> SubKeyNames() const;
    // The number of immediate sub-keys.
    int SubKeyCount() const;

private:
    RegKey(RegRoot root, std::string path) : root_(root), path_(std::move(path)) {}

    RegRoot root_;
    std::string path_;
};

// Makes the changes this thread makes to one root's hive one atomic write. While it lives, the
// hive stays locked against other processes and every operation of this thread on it works on
// one copy read when the batch began; Commit writes that copy once, if anything changed. A batch
// that ends without Commit writes nothing. A batch opened inside another on the same hive joins
// it: its Commit writes nothing, the outer one writes all.
class HiveBatch {
public:
    // Locks the root's hive and reads it.
    explicit HiveBatch(RegRoot root);
    // Unlocks the hive; uncommitted changes are dropped.
    ~HiveBatch();
    HiveBatch(const HiveBatch&) = delete;
    HiveBatch& operator=(const HiveBatch&) = delete;

    // Writes the changes made so far; CannotWrite when the hive could not be read or written or
    // its lock could not be taken (the file then stays as it was).
    RegStatus Commit();

    struct State; // the locked hive's copy, shared with the hive file operations

private:
    std::unique_ptr<State> state_;
};

// Deletes a key with everything below it. NotFound when it does not exist; the root itself
// cannot be deleted (InvalidName).
RegStatus DeleteRegistryKey(RegRoot root, std::string_view path);

} // namespace vireo
