#include "examiner/ExaminerModel.h"

#include "components/AsciiText.h"
#include "examiner/PascalInstrumenter.h"
#include "examiner/ProjectUnits.h"
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

namespace {

// Moves every item up by the lines removed above it, and an item on a removed line to the mark's
// line that took that line's text; removed holds (first line, count) pairs in ascending order, each
// range following its mark's line. One pass over the items, however many marks ran over several lines.
void FollowRemovedLines(ExaminerLists& lists, const std::vector<std::pair<int, int>>& removed)
{
    if (removed.empty())
        return;
    std::vector<int> ends;
    std::vector<int> removedUpTo;
    int total = 0;
    for (const auto& [from, count] : removed) {
        ends.push_back(from + count - 1);
        removedUpTo.push_back(total += count);
    }
    for (std::size_t k = 0; k < kExaminerListCount; ++k) {
        for (auto& item : lists[ExaminerListKind(k)]) {
            const auto range = std::size_t(std::lower_bound(ends.begin(), ends.end(), item.line) - ends.begin());
            if (range < removed.size() && item.line >= removed[range].first)
                item.line = removed[range].first - 1;
            if (range > 0)
                item.line -= removedUpTo[range - 1];
        }
    }
}

} // namespace

std::string UnitNameOf(std::string_view path)
{
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name.substr(0, name.find('.')));
}

ExaminerModel::ExaminerModel(std::string filePath, TickSource& clock, ShareReader shares, std::string computerName)
    : clock_(clock), ids_(clock), shares_(std::move(shares)), computerName_(std::move(computerName)),
      filePath_(std::move(filePath))
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
        units_ = LoadProjectUnits(LoadUnitText(filePath_).lines, filePath_);
        if (!units_.empty())
            SelectUnit(0);
    }
}

void ExaminerModel::OpenUnit()
{
    unitLoaded_ = false;
    units_ = {filePath_};
    SelectUnit(0);
}

void ExaminerModel::SelectUnit(int index)
{
    if (index < 0 || std::size_t(index) >= units_.size())
        return;
    Save();
    const std::string& path = units_[std::size_t(index)];
    text_ = LoadUnitText(path);
    ids_.NoteUsedIds(text_.lines);
    currentUnit_ = index;
    localPath_ = path;
    const std::string network = MapToNetworkPath(path, computerName_, shares_ ? shares_() : std::vector<Share>());
    filePath_ = network.empty() ? path : network;
    currentUnitName_ = UnitNameOf(path);
    RescanUnit();
    unitLoaded_ = true;
}

void ExaminerModel::Save()
{
    if (unitLoaded_)
        SaveUnitWithBackup(localPath_, text_);
}

void ExaminerModel::RescanUnit()
{
    if (pascalMode_)
        ScanPascalUnit(text_.lines, lists_);
    else
        SourceScanner(text_.lines).ScanAll(lists_);
}

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

// The client unit and the constant every inserted call needs. The uses clause is looked at
// before the constant is added, whose path may itself hold the text "vireo". The lists are kept
// pointing at the same lines, so that a later action on them without a rescan finds its lines.
void ExaminerModel::PrepareUnitForCalls()
{
    if (pascalMode_) {
        text_.FillBreaks();
        const LineMap map = PreparePascalUnitForCalls(text_.lines, indentation_, filePath_);
        text_.FollowAddedLines(map);
        RemapItemLines(lists_, map);
        return;
    }
    if (const auto uses = AddClientUnitToUses(text_); uses.insertedLine)
        ShiftItemLines(lists_, int(*uses.insertedLine) + 1, 1);
    if (const auto constantAt = InsertUnitFileNameConst(text_, indentation_, filePath_))
        ShiftItemLines(lists_, int(*constantAt) + 1, int(kConstantBlockLines));
}

DebugInsertionResult ExaminerModel::AddDebugCode()
{
    const DebugInsertion settings {indentation_, remoteComputer_};
    DebugInsertionResult result;
    if (pascalMode_) {
        text_.FillBreaks();
        LineMap map;
        result = InsertPascalDebugCalls(text_.lines, AddDebugEnabled() ? lists_[activeTab_] : ExaminerList(), activeTab_,
                                        settings, filePath_, ids_, progress_, &map);
        text_.FollowAddedLines(map);
        RescanUnit();
        return result;
    }
    PrepareUnitForCalls();
    if (AddDebugEnabled()) {
        result = InsertDebugCalls(text_, lists_[activeTab_], activeTab_ == ExaminerListKind::Exceptions,
                                  settings, ids_, clock_, progress_);
    }
    RescanUnit();
    return result;
}

int ExaminerModel::ReplaceCodeMarks(const std::function<bool()>& askReplaceAll)
{
    PrepareUnitForCalls();
    const DebugInsertion settings {indentation_, remoteComputer_};
    ExaminerList& marks = lists_[ExaminerListKind::CodeMarks];
    const bool anySelected = std::any_of(marks.begin(), marks.end(), [](const ExaminerItem& i) { return i.selected; });
    if (!anySelected && askReplaceAll && askReplaceAll()) {
        for (auto& item : marks)
            item.selected = true;
    }
    const auto replacement = vireo::ReplaceCodeMarks(text_, marks, settings, ids_, clock_, progress_);
    FollowRemovedLines(lists_, replacement.removedLines);
    return replacement.replaced;
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
