#include "viewer/session/FilterPresets.h"

#include "settings/RegUtils.h"

#include <algorithm>

namespace vireo {

namespace {

constexpr std::string_view kRulesKey = "\\HighlightRules";

std::string EntryKey(std::string_view subKey, std::size_t entry)
{
    return std::string(subKey) + '\\' + std::to_string(entry);
}

void WriteFlag(const std::string& key, std::string_view name, bool value)
{
    WriteRegShort(key, name, value ? -1 : 0);
}

bool ReadFlag(const std::string& key, std::string_view name)
{
    return ReadRegShort(key, name, 0) != 0;
}

} // namespace

std::vector<FilterPreset>::const_iterator FilterPresets::Position(const QString& name) const
{
    const QString wanted = name.trimmed();
    return std::find_if(presets_.begin(), presets_.end(), [&](const FilterPreset& preset) {
        return preset.Name.compare(wanted, Qt::CaseInsensitive) == 0;
    });
}

const FilterPreset* FilterPresets::Find(const QString& name) const
{
    const auto found = Position(name);
    return found == presets_.end() ? nullptr : &*found;
}

bool FilterPresets::Save(FilterPreset preset)
{
    preset.Name = preset.Name.trimmed();
    if (preset.Name.isEmpty())
        return false;
    const auto found = Position(preset.Name);
    if (found == presets_.end())
        presets_.push_back(std::move(preset));
    else
        presets_[static_cast<std::size_t>(found - presets_.begin())] = std::move(preset);
    return true;
}

bool FilterPresets::Remove(const QString& name)
{
    const auto found = Position(name);
    if (found == presets_.end())
        return false;
    presets_.erase(found);
    return true;
}

void FilterPresets::Write(std::string_view subKey) const
{
    WithRegBatch([&] {
        DeleteRegKey(subKey);
        for (std::size_t i = 0; i < presets_.size(); ++i) {
            const FilterPreset& preset = presets_[i];
            const std::string key = EntryKey(subKey, i);
            WriteRegString(key, "Name", preset.Name.toStdString());
            WriteRegString(key, "QuickFilterText", preset.QuickFilter.Text.toStdString());
            WriteFlag(key, "QuickFilterRegularExpression", preset.QuickFilter.RegularExpression);
            WriteFlag(key, "QuickFilterMatchCase", preset.QuickFilter.MatchCase);
            WriteFlag(key, "QuickFilterExclude", preset.QuickFilter.Exclude);
            WriteHighlightRules(key + std::string(kRulesKey), preset.Rules);
        }
    });
}

void FilterPresets::Read(std::string_view subKey, std::vector<std::string>& problems)
{
    presets_.clear();
    WithRegBatch([&] {
        const int count = CountRegSubKeys(subKey);
        for (int i = 0; i < count; ++i) {
            const std::string key = EntryKey(subKey, static_cast<std::size_t>(i));
            FilterPreset preset;
            try {
                preset.Name = QString::fromStdString(ReadRegString(key, "Name", "")).trimmed();
                preset.QuickFilter.Text = QString::fromStdString(ReadRegString(key, "QuickFilterText", ""));
                preset.QuickFilter.RegularExpression = ReadFlag(key, "QuickFilterRegularExpression");
                preset.QuickFilter.MatchCase = ReadFlag(key, "QuickFilterMatchCase");
                preset.QuickFilter.Exclude = ReadFlag(key, "QuickFilterExclude");
            } catch (const ERegistryException& error) {
                problems.push_back("Filter preset " + key + " was skipped: " + error.what());
                continue;
            }
            if (preset.Name.isEmpty() || Find(preset.Name)) {
                problems.push_back("Filter preset " + key + " was skipped: its name is empty or taken.");
                continue;
            }
            preset.Rules = ReadHighlightRules(key + std::string(kRulesKey), problems);
            presets_.push_back(std::move(preset));
        }
    });
}

} // namespace vireo
