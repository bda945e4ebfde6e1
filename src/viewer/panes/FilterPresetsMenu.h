#pragma once

#include "viewer/session/FilterPresets.h"

#include <QMenu>

#include <functional>
#include <string>
#include <vector>

namespace vireo {

struct ViewerDialogs;

// The submenu "Filter &Presets": "&Save Preset..." (asks a name, and before replacing a preset of
// that name), one item per saved preset (choosing it applies it) and "&Delete Preset...". Saved
// presets are written to the settings at once.
class FilterPresetsMenu : public QMenu {
    Q_OBJECT
public:
    // The menu; current gives what a preset saves (its name is asked for); it fills in the
    // dialogs' name, replacement and deletion questions.
    FilterPresetsMenu(ViewerDialogs& dialogs, std::function<FilterPreset()> current, QWidget* parent = nullptr);

    // The saved presets.
    const FilterPresets& Presets() const { return presets_; }
    // Reads the stored presets; what cannot be read is skipped and added to problems.
    void Load(std::vector<std::string>& problems);
    // "Save Preset...": saves what current gives under a name asked for.
    void SavePreset();
    // "Delete Preset...": deletes the preset chosen.
    void DeletePreset();

signals:
    // A preset's item was chosen: its quick filter and rules are to be applied.
    void PresetChosen(const vireo::FilterPreset& preset);

private:
    void Rebuild();
    void Store();

    ViewerDialogs& dialogs_;
    std::function<FilterPreset()> current_;
    FilterPresets presets_;
    std::vector<QAction*> presetItems_; // one per preset, between the two separators
    QAction* presetsEnd_ = nullptr;     // the separator after them
    QAction* delete_ = nullptr;         // "&Delete Preset..."
};

} // namespace vireo
