#include "examiner/ExaminerModel.h"

#include "components/AsciiText.h"
#include "examiner/LineRulesEngine.h"
#include "examiner/PascalEngine.h"
#include "examiner/ProjectUnits.h"
#include "examiner/SourceScanner.h"
#include "examiner/TextMatching.h"
#include "settings/RegUtils.h"

#include <algorithm>
#include <filesystem>

namespace vireo {

bool IsUnitExtension(std::string_view upperExtension)
{
    return upperExtension == ".PAS" || upperExtension == ".PP";
}

bool IsProjectExtension(std::string_view upperExtension)
{
    return upperExtension == ".DPR" || upperExtension == ".LPR";
}

std::string UnitNameOf(std::string_view path)
{
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name.substr(0, name.find('.')));
}

ExaminerModel::ExaminerModel(std::string filePath, TickSource& clock, ShareReader shares, std::string computerName)
    : clock_(clock), ids_(clock), shares_(std::move(shares)), computerName_(std::move(computerName)),
      filePath_(std::move(filePath)), engine_(std::make_unique<LineRulesEngine>())
{
}

void ExaminerModel::Open()
{
    activeTab_ = ExaminerListKind::Procedures;
    std::error_code error;
    if (!std::filesystem::exists(filePath_, error))
        throw ExaminerError("The file \"" + filePath_ + "\" does not exist.");
    const auto dot = filePath_.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : UpperCaseAscii(filePath_.substr(dot));
    if (IsUnitExtension(extension)) {
        OpenUnit();
    } else if (IsProjectExtension(extension)) {
        projectPath_ = filePath_;
        units_ = LoadProjectUnits(LoadUnitText(filePath_).lines, filePath_);
        if (!units_.empty())
            SelectUnit(0);
    }
}

void ExaminerModel::OpenUnit()
{
    unitLoaded_ = false;
    projectPath_.clear();
    units_ = {filePath_};
    SelectUnit(0);
}

void ExaminerModel::SelectUnit(int index, const DiscardQuestion& askDiscard)
{
    if (index < 0 || std::size_t(index) >= units_.size() || !SaveBeforeSwitch(askDiscard))
        return;
    const std::string& path = units_[std::size_t(index)];
    text_ = LoadUnitText(path);
    savedText_ = TextAsSaved();
    ids_.NoteUsedIds(text_.lines);
    currentUnit_ = index;
    localPath_ = path;
    const std::string network = MapToNetworkPath(path, computerName_, shares_ ? shares_() : std::vector<Share>());
    filePath_ = network.empty() ? path : network;
    currentUnitName_ = UnitNameOf(path);
    RescanUnit();
    unitLoaded_ = true;
}

// Returns whether the switch may go on: the unit is saved, unchanged, or its changes given up.
bool ExaminerModel::SaveBeforeSwitch(const DiscardQuestion& askDiscard)
{
    if (askDiscard && Modified() && IsReadOnlyUnit(localPath_))
        return askDiscard("\"" + localPath_ + "\" is read-only, so its changes cannot be saved.\n"
                          "Discard the changes and open the other unit?");
    Save();
    return true;
}

void ExaminerModel::Save()
{
    std::string text = TextAsSaved();
    if (!unitLoaded_ || text == savedText_)
        return;
    SaveUnitWithBackup(localPath_, text_);
    savedText_ = std::move(text);
    if (!projectPath_.empty() && std::any_of(text_.lines.begin(), text_.lines.end(),
                                  [](const std::string& line) { return ContainsText("VIREO", UpperCaseAscii(line)); })) {
        UnitText program = LoadUnitText(projectPath_);
        if (AddThreadManagerToProgram(program))
            SaveUnitWithBackup(projectPath_, program);
    }
}

void ExaminerModel::RescanUnit()
{
    engine_->Scan(text_.lines, lists_);
}

// The custom search is the same in both modes.
void ExaminerModel::Search(std::string_view text)
{
    SourceScanner(text_.lines).ScanCustomSearch(text, lists_[ExaminerListKind::Custom]);
}

bool ExaminerModel::AddDebugEnabled() const
{
    return activeTab_ == ExaminerListKind::Procedures || activeTab_ == ExaminerListKind::Functions ||
           activeTab_ == ExaminerListKind::Exceptions;
}

void ExaminerModel::SetIndentation(int blanks)
{
    indentation_ = std::clamp(blanks, 0, 10);
}

void ExaminerModel::SetPascalMode(bool on)
{
    pascalMode_ = on;
    if (on)
        engine_ = std::make_unique<PascalEngine>();
    else
        engine_ = std::make_unique<LineRulesEngine>();
}

EngineCalls ExaminerModel::Calls(const DebugInsertion& settings)
{
    return {settings, filePath_, ids_, clock_, progress_};
}

DebugInsertionResult ExaminerModel::AddDebugCode()
{
    const DebugInsertion settings {indentation_, remoteComputer_};
    const auto kind = AddDebugEnabled() ? std::optional(activeTab_) : std::nullopt;
    const DebugInsertionResult result = engine_->InsertDebugCalls(text_, lists_, kind, Calls(settings));
    RescanUnit();
    return result;
}

// The client unit and the constant go in first; the marks' items follow the lines added, as no
// rescan comes before the replacement.
int ExaminerModel::ReplaceCodeMarks(const std::function<bool()>& askReplaceAll)
{
    const DebugInsertion settings {indentation_, remoteComputer_};
    engine_->PrepareForCalls(text_, lists_, Calls(settings));
    ExaminerList& marks = lists_[ExaminerListKind::CodeMarks];
    const bool anySelected = std::any_of(marks.begin(), marks.end(), [](const ExaminerItem& i) { return i.selected; });
    if (!anySelected && askReplaceAll && askReplaceAll()) {
        for (auto& item : marks)
            item.selected = true;
    }
    return engine_->ReplaceCodeMarks(text_, lists_, Calls(settings));
}

namespace {
// Where the examiner's choice of mode is kept, beside the viewer's settings.
constexpr std::string_view kModeKey = "Vireo";
constexpr std::string_view kModeValue = "ExaminerPascalMode";
} // namespace

bool StoredPascalMode()
{
    return ReadRegShort(kModeKey, kModeValue, 0) != 0;
}

void StorePascalMode(bool on)
{
    WriteRegShort(kModeKey, kModeValue, on ? -1 : 0);
}

} // namespace vireo
