#pragma once

#include "examiner/ExaminerEngine.h"
#include "examiner/NetworkPath.h"
#include "examiner/TickSource.h"
#include "examiner/UnitFile.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// The Code Examiner's state and actions without widgets: the opened project's units, the current
// unit's working text, its eight lists and the two options. The examiner window shows this and
// forwards the user's actions; the command line drives it the same way.
class ExaminerModel {
public:
    // Supplies this computer's shared folders when a unit's network path is needed.
    using ShareReader = std::function<std::vector<Share>()>;
    // Asks the user the question given; true lets the changes of a unit that cannot be saved go.
    using DiscardQuestion = std::function<bool(const std::string& question)>;

    // Text of the question asked before closing.
    static constexpr std::string_view kSaveChangesQuestion = "Save changes?";
    // Text of the question asked when code marks are to be replaced and none is chosen.
    static constexpr std::string_view kNoCodesSelectedQuestion =
        "No codes selected.\nDo you want to add code to all code marks?";
    // Text of the About message.
    static constexpr std::string_view kAboutText =
        "Warning.  Code Examiner is an imprecise tool and should only be used by experts.\n"
        "It is possible that the Delphi units changed by this program may not compile properly afterwards.  "
        "Hopefully this should be a simple change to the unit in order to make it recompile again";

    // An examiner for the file at filePath (a project or a unit). The clock must outlive it.
    ExaminerModel(std::string filePath, TickSource& clock, ShareReader shares, std::string computerName);

    // Opens the received file: a .pas or .pp unit, or a .dpr or .lpr project whose first unit is
    // loaded; any other extension loads nothing. Throws ExaminerError when the file does not exist
    // (the examiner should then not open) or when the file or the first unit cannot be read.
    void Open();
    // Opens the received file as the single unit, whatever its extension.
    void OpenUnit();

    // The units to choose from, as full paths in the order found.
    const std::vector<std::string>& Units() const { return units_; }
    // Index of the chosen unit in Units(), -1 before one is chosen.
    int CurrentUnitIndex() const { return currentUnit_; }
    // Switches to the unit at that index: saves the current one first when it changed (Save),
    // then loads and scans the new one. A changed read-only unit is left only when askDiscard
    // agrees (its changes are dropped); otherwise the switch does not happen. Without askDiscard,
    // or for any other failed save, the switch is abandoned with ExaminerError; a failed load
    // leaves the previous unit's text and lists in place and throws ExaminerError.
    void SelectUnit(int index, const DiscardQuestion& askDiscard = {});
    // Whether the working text differs from the unit as it was loaded or last saved.
    bool Modified() const { return unitLoaded_ && TextAsSaved() != savedText_; }
    // Writes the working text to the current unit when it changed (an unchanged unit is left
    // untouched), keeping a backup of the first saved state; with a project open and the unit
    // naming Vireo, the project's program gets cthreads first in its uses clause
    // (AddThreadManagerToProgram), backed up the same way. Does nothing before a unit is loaded.
    // Throws ExaminerError on failure.
    void Save();
    // Runs the six scans over the working text (the Custom list is left as it is).
    void RescanUnit();
    // Fills the Custom list with the lines of the whole text holding the search text.
    void Search(std::string_view text);

    // The tab shown; decides which list the debug-code action works on.
    ExaminerListKind ActiveTab() const { return activeTab_; }
    // Shows another tab.
    void SetActiveTab(ExaminerListKind tab) { activeTab_ = tab; }
    // Whether the debug-code action applies to the active tab.
    bool AddDebugEnabled() const;
    // Whether the code-mark action applies to the active tab.
    bool CodeMarksEnabled() const { return activeTab_ == ExaminerListKind::CodeMarks; }

    // The list of that kind, with its items' selections.
    ExaminerList& List(ExaminerListKind kind) { return lists_[kind]; }
    // The list of that kind, read-only.
    const ExaminerList& List(ExaminerListKind kind) const { return lists_[kind]; }

    // Blanks before inserted lines, 0 to 10.
    int Indentation() const { return indentation_; }
    // Sets the indentation, kept within 0 to 10.
    void SetIndentation(int blanks);
    // The remote computer text that every inserted call carries.
    const std::string& RemoteComputer() const { return remoteComputer_; }
    // Sets the remote computer text.
    void SetRemoteComputer(std::string text) { remoteComputer_ = std::move(text); }
    // Whether the scans and insertions read Pascal (comments, strings, nesting) instead of the line rules.
    bool PascalMode() const { return pascalMode_; }
    // Chooses the Pascal-aware mode or the line rules by swapping the engine; the next rescan and
    // every later action use it.
    void SetPascalMode(bool on);
    // Receives progress of the long actions.
    void SetProgress(ExaminerProgress progress) { progress_ = std::move(progress); }

    // Adds the UnitFileName constant and the client unit, inserts a debug call for every selected
    // item of the active list (Procedures, Functions or Exceptions), then rescans.
    DebugInsertionResult AddDebugCode();
    // Adds the constant and the client unit, then replaces the selected code marks by debug calls.
    // When none is selected, askReplaceAll decides whether every mark is. No rescan follows; the
    // lists' line numbers follow the lines added and removed. Returns the number of marks replaced.
    int ReplaceCodeMarks(const std::function<bool()>& askReplaceAll);

    // The working text as saving would write it, line breaks included.
    std::string TextAsSaved() const { return JoinUnitText(text_); }
    // The current unit's working text, one entry per line.
    const std::vector<std::string>& WorkingText() const { return text_.lines; }
    // The current unit's path as inserted calls name it: the network form when its drive is
    // shared, else the local path. Before a unit is loaded, the received path.
    const std::string& FilePath() const { return filePath_; }
    // The current unit's local path, which saving writes.
    const std::string& LocalPath() const { return localPath_; }
    // The current unit's file name up to its first ".".
    const std::string& CurrentUnitName() const { return currentUnitName_; }
    // Whether a unit has been loaded.
    bool UnitLoaded() const { return unitLoaded_; }

private:
    EngineCalls Calls(const DebugInsertion& settings);
    bool SaveBeforeSwitch(const DiscardQuestion& askDiscard);

    TickSource& clock_;
    MessageIdSource ids_;
    ShareReader shares_;
    std::string computerName_;
    std::string filePath_;
    std::string localPath_;
    std::string currentUnitName_;
    bool unitLoaded_ = false;
    // The opened project whose units units_ lists; empty when a unit was opened.
    std::string projectPath_;
    std::vector<std::string> units_;
    int currentUnit_ = -1;
    UnitText text_;
    // The current unit's text as loaded or last saved: only a working text that differs is written.
    std::string savedText_;
    ExaminerLists lists_;
    ExaminerListKind activeTab_ = ExaminerListKind::Procedures;
    int indentation_ = 2;
    std::string remoteComputer_;
    bool pascalMode_ = false;
    // The reading the mode chose: the line rules or the Pascal reading.
    std::unique_ptr<ExaminerEngine> engine_;
    ExaminerProgress progress_;
};

// Whether an upper-cased extension (".PAS") names a unit: Delphi's .pas or Free Pascal's .pp.
bool IsUnitExtension(std::string_view upperExtension);
// Whether an upper-cased extension names a project: Delphi's .dpr or Free Pascal's .lpr.
bool IsProjectExtension(std::string_view upperExtension);

// The unit name shown in every list: the path's file name up to its first ".".
std::string UnitNameOf(std::string_view path);

// Whether an examiner starts in the Pascal-aware mode: the choice last stored (off at first).
bool StoredPascalMode();
// Stores the choice of mode for the next examiner.
void StorePascalMode(bool on);

} // namespace vireo
