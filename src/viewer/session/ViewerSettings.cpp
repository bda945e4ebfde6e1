#include "viewer/session/ViewerSettings.h"

#include "settings/RegUtils.h"

namespace vireo {

namespace {

// A setting's value as read, or its default when the stored value cannot be read; the reason is
// then added to problems.
template <typename Value, typename Read>
Value ReadOrDefault(Value defaultValue, SettingProblems& problems, Read read)
{
    try {
        return read();
    } catch (const ERegistryException& error) {
        problems.emplace_back(error.what());
        return defaultValue;
    }
}

bool ReadFlag(std::string_view name, bool defaultValue, SettingProblems& problems)
{
    return ReadOrDefault(defaultValue, problems,
                         [&] { return ReadRegShort(kSettingsKey, name, defaultValue ? -1 : 0) != 0; });
}

void WriteFlag(std::string_view name, bool value)
{
    WriteRegShort(kSettingsKey, name, value ? -1 : 0);
}

// A bound that is no negative number; a negative one (edited by hand) keeps the default.
int ReadBound(std::string_view name, int defaultValue, SettingProblems& problems)
{
    return ReadOrDefault(defaultValue, problems, [&] {
        const int value = ReadRegInteger(kSettingsKey, name, defaultValue);
        return value < 0 ? defaultValue : value;
    });
}

} // namespace

ViewerOptions ReadViewerOptions(SettingProblems& problems)
{
    ViewerOptions options;
    options.ShowLineNums = ReadFlag("ShowLineNums", true, problems);
    options.ExpandMessages = ReadFlag("ExpandMessages", false, problems);
    options.ExpandFilters = ReadFlag("ExpandFilters", false, problems);
    options.SaveUserKeyMarks = ReadFlag("SaveUserKeyMarks", true, problems);
    options.SaveMessageTracking = ReadFlag("SaveMessageTracking", true, problems);
    options.ShowMilliseconds = ReadFlag("ShowMilliseconds", false, problems);
    options.History.MaxMessages = ReadBound("HistoryLimit", HistoryLimit().MaxMessages, problems);
    options.History.MaxMegabytes = ReadBound("HistoryLimitMegabytes", HistoryLimit().MaxMegabytes, problems);
    return options;
}

ViewState ReadViewState(SettingProblems& problems)
{
    ViewState view;
    view.MessageFilterTree = ReadFlag("MessageFilterTree", true, problems);
    view.MessageWindow = ReadFlag("MessageWindow", true, problems);
    view.SourceWindow = ReadFlag("SourceWindow", true, problems);
    view.MessageRate = ReadFlag("MessageRate", false, problems);
    view.ExpertMode = ReadFlag("ExpertMode", false, problems);
    view.QuickFilter.Text = QString::fromStdString(ReadOrDefault(std::string(), problems, [] {
        return ReadRegString(kSettingsKey, "QuickFilterText", "");
    }));
    view.QuickFilter.RegularExpression = ReadFlag("QuickFilterRegularExpression", false, problems);
    view.QuickFilter.MatchCase = ReadFlag("QuickFilterMatchCase", false, problems);
    view.QuickFilter.Exclude = ReadFlag("QuickFilterExclude", false, problems);
    view.HighlightRules = ReadHighlightRules(kHighlightRulesKey, problems);
    return view;
}

void WriteViewerSettings(const ViewerOptions& options, const ViewState& view)
{
    WriteFlag("ShowLineNums", options.ShowLineNums);
    WriteFlag("ExpandMessages", options.ExpandMessages);
    WriteFlag("ExpandFilters", options.ExpandFilters);
    WriteFlag("MessageFilterTree", view.MessageFilterTree);
    WriteFlag("MessageWindow", view.MessageWindow);
    WriteFlag("SourceWindow", view.SourceWindow);
    WriteFlag("MessageRate", view.MessageRate);
    WriteFlag("ExpertMode", view.ExpertMode);
    WriteFlag("SaveUserKeyMarks", options.SaveUserKeyMarks);
    WriteFlag("SaveMessageTracking", options.SaveMessageTracking);
    WriteFlag("ShowMilliseconds", options.ShowMilliseconds);
    WriteRegInteger(kSettingsKey, "HistoryLimit", options.History.MaxMessages);
    WriteRegInteger(kSettingsKey, "HistoryLimitMegabytes", options.History.MaxMegabytes);
    WriteRegString(kSettingsKey, "QuickFilterText", view.QuickFilter.Text.toStdString());
    WriteFlag("QuickFilterRegularExpression", view.QuickFilter.RegularExpression);
    WriteFlag("QuickFilterMatchCase", view.QuickFilter.MatchCase);
    WriteFlag("QuickFilterExclude", view.QuickFilter.Exclude);
    WriteHighlightRules(kHighlightRulesKey, view.HighlightRules);
}

int SavedColumnWidth(int width)
{
    return width == 0 ? kHiddenColumnSavedWidth : width;
}

LineNumberColumnChange LineNumberColumnAfterOptions(bool before, bool after, int columnCount)
{
    if (before == after)
        return LineNumberColumnChange::None;
    return columnCount == 1 ? LineNumberColumnChange::Append : LineNumberColumnChange::Remove;
}

} // namespace vireo
