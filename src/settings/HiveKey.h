#pragma once

#include "settings/RegistryHive.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vireo {

// The deepest a key may lie below its root (as in the registry): deeper paths are refused when
// keys are opened or created, and a hive file naming one cannot be read.
inline constexpr std::size_t MaxKeyDepth = 512;

// One key of a hive held in memory: its name, its values in the order first written and its
// sub-keys sorted without regard to case. Names are matched with ASCII case rules.
class HiveKey {
public:
    // A named value of the key.
    using NamedValue = std::pair<std::string, RegValue>;

    // A key of the given name with no values and no sub-keys.
    explicit HiveKey(std::string name) : name_(std::move(name)) {}
    // Frees the keys below without recursing, so no chain of keys can exhaust the stack.
    ~HiveKey();
    HiveKey(const HiveKey&) = delete;
    HiveKey& operator=(const HiveKey&) = delete;

    // The key's name in the case it was first written.
    const std::string& Name() const { return name_; }

    // The immediate sub-key of that name, or nullptr.
    HiveKey* FindSubKey(std::string_view name);
    const HiveKey* FindSubKey(std::string_view name) const;
    // The immediate sub-key of that name, added in sorted place when missing.
    HiveKey& AddSubKey(std::string_view name);
    // Removes an immediate sub-key with everything below it; false when there was none.
    bool RemoveSubKey(std::string_view name);
    // Takes an immediate sub-key out with everything below it; nullptr when there was none.
    std::unique_ptr<HiveKey> TakeSubKey(std::string_view name);
    // Puts key in as an immediate sub-key in sorted place, replacing one of the same name.
    void PutSubKey(std::unique_ptr<HiveKey> key);
    // The immediate sub-keys in sorted order.
    const std::vector<std::unique_ptr<HiveKey>>& SubKeys() const { return subKeys_; }

    // The value of that name, or nullptr.
    const RegValue* FindValue(std::string_view name) const;
    // Sets a value; an existing one keeps its place and the case of its name.
    void SetValue(std::string_view name, RegValue value);
    // Removes a value; false when there was none.
    bool RemoveValue(std::string_view name);
    // The values in the order they were first written.
    const std::vector<NamedValue>& Values() const { return values_; }

private:
    std::vector<std::unique_ptr<HiveKey>>::iterator SubKeySlot(std::string_view name);

    std::string name_;
    std::vector<NamedValue> values_;
    std::map<std::string, std::size_t> valueSlots_;  // upper-cased name to place in values_
    std::vector<std::unique_ptr<HiveKey>> subKeys_;
};

// Whether sub-key a comes before b: by their ASCII upper-cased names, as registry enumeration
// orders them.
bool KeyNameSortsBefore(std::string_view a, std::string_view b);

// The names of a key path, split at backslashes; empty names (leading, doubled or trailing
// backslashes) are dropped, so "\Software\Korvel\" names the same key as "Software\Korvel".
std::vector<std::string_view> SplitKeyPath(std::string_view path);

// Whether a key or value name can be kept in a hive file (no line breaks, no NUL).
bool IsStorableName(std::string_view name);

// The key at path below root, or nullptr; the empty path is root itself.
HiveKey* FindKey(HiveKey& root, std::string_view path);
const HiveKey* FindKey(const HiveKey& root, std::string_view path);

// The key at path below root, created with its missing parents; sets created when it was new.
HiveKey& CreateKey(HiveKey& root, std::string_view path, bool& created);

// Removes the key at path with everything below it; false when it does not exist or is root.
bool DeleteKey(HiveKey& root, std::string_view path);

// Makes the key at path below into (path not empty) what it is below from: the branch is moved
// over from from, or removed from into when from lacks it. Keys leading there are created.
void ReplaceBranch(HiveKey& into, HiveKey& from, std::string_view path);

} // namespace vireo
