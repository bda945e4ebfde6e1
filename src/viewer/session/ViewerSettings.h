#pragma once

#include "viewer/session/HighlightRules.h"
#include "viewer/session/HistoryLimit.h"
#include "viewer/session/QuickFilter.h"

#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// Key name and window name of the main window's placement and column widths.
inline constexpr std::string_view kPlacementKey = "Vireo";
inline constexpr std::string_view kMainWindowName = "Form_Main";
// List names of the main window's report lists in the placement key.
inline constexpr std::string_view kMessagesListName = "Messages";
inline constexpr std::string_view kSourceListName = "Source";
inline constexpr std::string_view kKeyMarksListName = "Key Marks";
// Sub-key of the thirteen settings below the registry helpers' base path.
inline constexpr std::string_view kSettingsKey = "Vireo";
// Sub-keys of the highlight rules in force and of the saved filter presets, beside the settings.
inline constexpr std::string_view kHighlightRulesKey = "Vireo\\HighlightRules";
inline constexpr std::string_view kFilterPresetsKey = "Vireo\\FilterPresets";

// Height of the message pane over a shown source pane at every start.
inline constexpr int kSavedMessagesHeightAtStart = 250;
// Width a hidden message-list column is saved with, so it comes back shown.
inline constexpr int kHiddenColumnSavedWidth = 75;
// Width a hidden time column of the message list is saved with: no width, so it stays hidden.
inline constexpr int kNoColumnWidth = -1;
// Width of a "Line Number" column the options dialog brings back.
inline constexpr int kLineNumberColumnWidth = 80;

// The eight settings the options dialog edits.
struct ViewerOptions {
    bool ShowLineNums = true;        // the source window has its "Line Number" column
    bool ExpandMessages = false;     // every message tree node expanded at start-up
    bool ExpandFilters = false;      // the four filter panels expanded at start-up
    bool SaveUserKeyMarks = true;    // key marks saved at close
    bool SaveMessageTracking = true; // message tracks saved at close
    bool ShowMilliseconds = false;   // the time column shows the milliseconds of the time stamp
    HistoryLimit History;            // how much of a long capture is kept

    bool operator==(const ViewerOptions&) const = default;
};

// The five settings kept in the check marks of the "&View" menu.
struct ViewState {
    bool MessageFilterTree = true; // the left pane is shown
    bool MessageWindow = true;     // the message pane is shown
    bool SourceWindow = true;      // the source pane is shown
    bool MessageRate = false;      // the message-rate strip is shown above the list
    bool ExpertMode = false;       // tracking is offered
    QuickFilterSettings QuickFilter; // the quick filter's text and toggles
    std::vector<HighlightRule> HighlightRules; // the message list's highlight rules, in order

    bool operator==(const ViewState&) const = default;
};

// The registry errors met while reading settings, in the order met.
using SettingProblems = std::vector<std::string>;

// Reads the options in their stored order, storing the default of any that is missing; a value
// that cannot be read keeps its default and its error is added to problems.
ViewerOptions ReadViewerOptions(SettingProblems& problems);
// Reads the View states in their stored order, as ReadViewerOptions does.
ViewState ReadViewState(SettingProblems& problems);
// Writes the thirteen settings in their stored order: -1 for on, 0 for off, numbers as they are;
// then the highlight rules.
void WriteViewerSettings(const ViewerOptions& options, const ViewState& view);

// The width a message-list column is saved with: a hidden column (width 0) comes back shown.
int SavedColumnWidth(int width);

// What the options dialog does to the source list's columns.
enum class LineNumberColumnChange { None, Append, Remove };
// The change for a "ShowLineNums" edit: with exactly one column the "Line Number" column is
// appended, otherwise column 1 goes; nothing when the setting kept its value.
LineNumberColumnChange LineNumberColumnAfterOptions(bool before, bool after, int columnCount);

} // namespace vireo
