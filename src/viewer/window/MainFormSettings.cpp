// TForm_Main's settings: the placement, the column widths, the thirteen settings of the options dialog
// and the View menu, the key marks and the tracks, read at creation and written as one at the end.
#include "viewer/window/MainFormUnit.h"

#include "settings/RegUtils.h"
#include "settings/RegistryHive.h"
#include "settings/WindowPlacementWidgets.h"
#include "viewer/panes/FilterPane.h"
#include "viewer/panes/FilterPresetsMenu.h"
#include "viewer/panes/KeyMarksPage.h"
#include "viewer/panes/MessageListPane.h"
#include "viewer/panes/MessageTreePane.h"
#include "viewer/panes/SourceWindowPane.h"
#include "viewer/panes/TrackingPage.h"
#include "viewer/session/TraceSession.h"
#include "viewer/session/ViewerTexts.h"

#include <QAction>

namespace vireo {

namespace {

// Sets a View item's check mark to the opposite of stored and runs it, as a user's click would.
void ApplyViewSetting(QAction* item, bool stored)
{
    item->setChecked(!stored);
    item->trigger();
}

} // namespace

void TForm_Main::LoadSettings()
{
    HiveBatch batch(RegRoot::LocalMachine);
    SettingProblems problems;
    try {
        RestoreWindowPlacement(*this, kPlacementKey, kMainWindowName, false);
        messages_->RestoreColumnWidths();
        source_->RestoreColumnWidths();
        keyMarks_->RestoreColumnWidths();
    } catch (const ERegistryException& error) {
        problems.emplace_back(error.what()); // a width that cannot be read: the designed widths stay
    }
    options_ = ReadViewerOptions(problems);
    ApplyStartupOptions();
    const ViewState view = ReadViewState(problems);
    ApplyViewSetting(messageFilterTree_, view.MessageFilterTree);
    ApplyViewSetting(messagesWindow_, view.MessageWindow);
    ApplyViewSetting(sourceWindow_, view.SourceWindow);
    ApplyViewSetting(messageRate_, view.MessageRate);
    ApplyViewSetting(expertMode_, view.ExpertMode);
    messages_->SetQuickFilter(view.QuickFilter);
    messages_->SetHighlightRules(view.HighlightRules);
    presets_->Load(problems);
    keyMarks_->LoadKeyMarks();
    tracking_->LoadTracks();
    if (batch.Commit() != RegStatus::Ok)
        ReportSettingsNotSaved(QStringLiteral("the settings folder cannot be written"));
    // The first unreadable value is shown once the window is up; every readable one applied.
    if (!problems.empty()) {
        const QString text = QString::fromStdString(problems.front());
        QMetaObject::invokeMethod(this, [this, text] { Dialogs.ShowMessageBox(text); }, Qt::QueuedConnection);
    }
}

void TForm_Main::ApplyStartupOptions()
{
    session_.SetHistoryLimit(options_.History);
    messages_->SetShowMilliseconds(options_.ShowMilliseconds);
    source_->SetLineNumberColumn(options_.ShowLineNums);
    if (options_.ExpandMessages)
        tree_->ExpandAll();
    if (options_.ExpandFilters)
        filters_->ExpandAll();
}

void TForm_Main::SaveSettings()
{
    try {
        HiveBatch batch(RegRoot::LocalMachine);
        SaveWindowPlacement(*this, kPlacementKey, kMainWindowName);
        messages_->SaveColumnWidths();
        source_->SaveColumnWidths();
        keyMarks_->SaveColumnWidths();
        WriteViewerSettings(options_, CurrentViewState());
        if (options_.SaveUserKeyMarks)
            keyMarks_->SaveKeyMarks();
        if (options_.SaveMessageTracking)
            tracking_->SaveTracks();
        if (batch.Commit() != RegStatus::Ok)
            ReportSettingsNotSaved(QStringLiteral("the settings folder cannot be written"));
    } catch (const ERegistryException& error) {
        ReportSettingsNotSaved(QString::fromUtf8(error.what()));
    }
}

void TForm_Main::ReportSettingsNotSaved(const QString& reason)
{
    if (settingsFailureReported_)
        return;
    settingsFailureReported_ = true;
    SetStatusText(QString::fromLatin1(kStatusSettingsNotSaved) + reason);
}

ViewState TForm_Main::CurrentViewState() const
{
    return {messageFilterTree_->isChecked(), messagesWindow_->isChecked(), sourceWindow_->isChecked(),
            messageRate_->isChecked(), expertMode_->isChecked(), messages_->QuickFilterShown(),
            messages_->HighlightRulesShown()};
}

} // namespace vireo
