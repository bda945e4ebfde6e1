#pragma once

#include "viewer/session/CodeExaminerHandOff.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vireo {

class TFrm_VireoAddOn;
class TForm_About;
class TForm_HighlightRules;
class TForm_NewMessageTrack;
class TForm_Options;

// The viewer's modal moments, in one place: each pane asks through these, the window and the
// panes fill in the real boxes and dialogs, and tests put their answers in their place.
struct ViewerDialogs {
    // Shows the program's own texts and errors in a message box.
    std::function<void(const QString& text)> ShowMessageBox;
    // Asks for a key mark's description offering the line text; nothing on Cancel.
    std::function<std::optional<QString>(const QString& lineText)> InputKeyMarkDescription;
    // Runs the add-track dialog and returns its result.
    std::function<int(TForm_NewMessageTrack& dialog)> ShowNewTrackDialog;
    // Runs the options dialog and returns its result.
    std::function<int(TForm_Options& dialog)> ShowOptionsDialog;
    // Runs the About box.
    std::function<void(TForm_About& box)> ShowAboutBox;
    // Asks for the project or unit to examine: its full path, or empty on Cancel.
    std::function<QString(const ExaminerFileRequest& request)> ChooseExaminerFile;
    // Runs the opened Code Examiner.
    std::function<void(TFrm_VireoAddOn& examiner)> ShowCodeExaminer;
    // Asks for the log to save into (save true) or to open: its path, or empty on Cancel.
    std::function<QString(bool save)> ChooseLogFile;
    // Asks whether to save only the listed messages (true) or all (false); nothing on Cancel.
    std::function<std::optional<bool>(int listed, int all)> AskSaveListedOnly;
    // Runs the highlight rules dialog and returns its result.
    std::function<int(TForm_HighlightRules& dialog)> ShowHighlightRulesDialog;
    // Asks for a colour, starting from initial, in a dialog captioned title; nothing on Cancel.
    std::function<std::optional<QColor>(const QColor& initial, const QString& title)> ChooseColor;
    // Asks for the name to save a filter preset under; nothing on Cancel.
    std::function<std::optional<QString>()> AskPresetName;
    // Asks whether the saved preset of that name may be replaced.
    std::function<bool(const QString& name)> ConfirmReplacePreset;
    // Asks which of the saved presets to delete; nothing on Cancel.
    std::function<std::optional<QString>(const QStringList& names)> ChoosePresetToDelete;
};

} // namespace vireo
