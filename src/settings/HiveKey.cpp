#include "settings/HiveKey.h"

#include "components/AsciiText.h"

#include <algorithm>
#include <iterator>

namespace vireo {

HiveKey::~HiveKey()
{
    std::vector<std::unique_ptr<HiveKey>> pending = std::move(subKeys_);
    while (!pending.empty()) {
        std::unique_ptr<HiveKey> key = std::move(pending.back());
        pending.pop_back();
        std::move(key->subKeys_.begin(), key->subKeys_.end(), std::back_inserter(pending));
        key->subKeys_.clear();
    }
}

std::vector<std::unique_ptr<HiveKey>>::iterator HiveKey::SubKeySlot(std::string_view name)
{
    return std::lower_bound(subKeys_.begin(), subKeys_.end(), name,
                            [](const std::unique_ptr<HiveKey>& key, std::string_view wanted) {
                                return KeyNameSortsBefore(key->Name(), wanted);
                            });
}

HiveKey* HiveKey::FindSubKey(std::string_view name)
{
    const auto slot = SubKeySlot(name);
    return (slot != subKeys_.end() && SameTextAscii((*slot)->Name(), name)) ? slot->get() : nullptr;
}

const HiveKey* HiveKey::FindSubKey(std::string_view name) const
{
    return const_cast<HiveKey*>(this)->FindSubKey(name);
}

HiveKey& HiveKey::AddSubKey(std::string_view name)
{
    const auto slot = SubKeySlot(name);
    if (slot != subKeys_.end() && SameTextAscii((*slot)->Name(), name))
        return **slot;
    return **subKeys_.insert(slot, std::make_unique<HiveKey>(std::string(name)));
}

bool HiveKey::RemoveSubKey(std::string_view name)
{
    const auto slot = SubKeySlot(name);
    if (slot == subKeys_.end() || !SameTextAscii((*slot)->Name(), name))
        return false;
    subKeys_.erase(slot);
    return true;
}

std::unique_ptr<HiveKey> HiveKey::TakeSubKey(std::string_view name)
{
    const auto slot = SubKeySlot(name);
    if (slot == subKeys_.end() || !SameTextAscii((*slot)->Name(), name))
        return nullptr;
    auto key = std::move(*slot);
    subKeys_.erase(slot);
    return key;
}

void HiveKey::PutSubKey(std::unique_ptr<HiveKey> key)
{
    const auto slot = SubKeySlot(key->Name());
    if (slot != subKeys_.end() && SameTextAscii((*slot)->Name(), key->Name()))
        *slot = std::move(key);
    else
        subKeys_.insert(slot, std::move(key));
}

const RegValue* HiveKey::FindValue(std::string_view name) const
{
    const auto slot = valueSlots_.find(UpperCaseAscii(name));
    return slot == valueSlots_.end() ? nullptr : &values_[slot->second].second;
}

void HiveKey::SetValue(std::string_view name, RegValue value)
{
    const auto [slot, added] = valueSlots_.try_emplace(UpperCaseAscii(name), values_.size());
    if (added)
        values_.emplace_back(std::string(name), std::move(value));
    else
        values_[slot->second].second = std::move(value);
}

bool HiveKey::RemoveValue(std::string_view name)
{
    const auto slot = valueSlots_.find(UpperCaseAscii(name));
    if (slot == valueSlots_.end())
        return false;
    const std::size_t removed = slot->second;
    valueSlots_.erase(slot);
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(removed));
    for (auto& [upper, place] : valueSlots_)
        if (place > removed)
            --place;
    return true;
}

bool KeyNameSortsBefore(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(UpperCaseAscii(a[i]));
        const auto cb = static_cast<unsigned char>(UpperCaseAscii(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

std::vector<std::string_view> SplitKeyPath(std::string_view path)
{
    std::vector<std::string_view> names;
    while (!path.empty()) {
        const auto cut = path.find('\\');
        const auto name = path.substr(0, cut);
        if (!name.empty())
            names.push_back(name);
        if (cut == std::string_view::npos)
            break;
        path.remove_prefix(cut + 1);
    }
    return names;
}

bool IsStorableName(std::string_view name)
{
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

HiveKey* FindKey(HiveKey& root, std::string_view path)
{
    HiveKey* key = &root;
    for (const auto name : SplitKeyPath(path)) {
        key = key->FindSubKey(name);
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

const HiveKey* FindKey(const HiveKey& root, std::string_view path)
{
    return FindKey(const_cast<HiveKey&>(root), path);
}

HiveKey& CreateKey(HiveKey& root, std::string_view path, bool& created)
{
    created = false;
    HiveKey* key = &root;
    for (const auto name : SplitKeyPath(path)) {
        HiveKey* next = key->FindSubKey(name);
        if (next == nullptr) {
            next = &key->AddSubKey(name);
            created = true;
        }
        key = next;
    }
    return *key;
}

bool DeleteKey(HiveKey& root, std::string_view path)
{
    const auto names = SplitKeyPath(path);
    if (names.empty())
        return false;
    HiveKey* parent = &root;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        parent = parent->FindSubKey(names[i]);
        if (parent == nullptr)
            return false;
    }
    return parent->RemoveSubKey(names.back());
}

void ReplaceBranch(HiveKey& into, HiveKey& from, std::string_view path)
{
    const auto names = SplitKeyPath(path);
    if (names.empty())
        return;
    const auto parentPath = path.substr(0, static_cast<std::size_t>(names.back().data() - path.data()));
    HiveKey* fromParent = FindKey(from, parentPath);
    auto branch = fromParent == nullptr ? nullptr : fromParent->TakeSubKey(names.back());
    if (branch) {
        bool created = false;
        CreateKey(into, parentPath, created).PutSubKey(std::move(branch));
    } else if (HiveKey* intoParent = FindKey(into, parentPath))
        intoParent->RemoveSubKey(names.back());
}

} // namespace vireo
