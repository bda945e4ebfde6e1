#pragma once

#include "viewer/session/HighlightRules.h"
#include "viewer/session/QuickFilter.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// A named choice of the quick filter's text and toggles and the highlight rules.
struct FilterPreset {
    QString Name;
    QuickFilterSettings QuickFilter;
    std::vector<HighlightRule> Rules;

    bool operator==(const FilterPreset&) const = default;
};

// The saved presets, in the order they were first saved. Names are unique ignoring case.
class FilterPresets {
public:
    // The presets in their order.
    const std::vector<FilterPreset>& List() const { return presets_; }
    // The preset of that name (ignoring case and surrounding blanks), or null.
    const FilterPreset* Find(const QString& name) const;
    // Saves the preset under its trimmed name: one of the same name is replaced in its place (the
    // caller asks first), otherwise it is appended. False, and nothing saved, for a blank name.
    bool Save(FilterPreset preset);
    // Removes the preset of that name; false when there is none.
    bool Remove(const QString& name);

    // Replaces the presets stored under subKey (below the registry helpers' base path).
    void Write(std::string_view subKey) const;
    // Reads the presets stored under subKey in place of these; an entry that cannot be read (no
    // name, a name taken, a bad value) or a rule of it is skipped, and why is added to problems.
    void Read(std::string_view subKey, std::vector<std::string>& problems);

private:
    std::vector<FilterPreset>::const_iterator Position(const QString& name) const;

    std::vector<FilterPreset> presets_;
};

} // namespace vireo
