#include "viewer/ViewerSettings.h"

#include "settings/RegUtils.h"

namespace vireo {

namespace {

bool ReadFlag(std::string_view name, bool defaultValue)
{
    return ReadRegShort(kSettingsKey, name, defaultValue ? -1 : 0) != 0;
}

void WriteFlag(std::string_view name, bool value)
{
    WriteRegShort(kSettingsKey, name, value ? -1 : 0);
}

} // namespace

ViewerOptions ReadViewerOptions()
{
    ViewerOptions options;
    options.ShowLineNums = ReadFlag("ShowLineNums", true);
    options.ExpandMessages = ReadFlag("ExpandMessages", false);
    options.ExpandFilters = ReadFlag("ExpandFilters", false);
    options.SaveUserKeyMarks = ReadFlag("SaveUserKeyMarks", true);
    options.SaveMessageTracking = ReadFlag("SaveMessageTracking", true);
    return options;
}

ViewState ReadViewState()
{
    ViewState view;
    view.MessageFilterTree = ReadFlag("MessageFilterTree", true);
    view.MessageWindow = ReadFlag("MessageWindow", true);
    view.SourceWindow = ReadFlag("SourceWindow", true);
    view.ExpertMode = ReadFlag("ExpertMode", false);
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
    WriteFlag("ExpertMode", view.ExpertMode);
    WriteFlag("SaveUserKeyMarks", options.SaveUserKeyMarks);
    WriteFlag("SaveMessageTracking", options.SaveMessageTracking);
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
