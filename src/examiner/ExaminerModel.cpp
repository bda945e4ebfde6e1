#include "examiner/ExaminerModel.h"

#include "components/AsciiText.h"
#include "examiner/PascalInstrumenter.h"
#include "examiner/ProjectUnits.h"

#include <algorithm>
#include <filesystem>

namespace vireo {

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
    if (extension == ".PAS") {
        OpenUnit();
    } else if (extension == ".DPR") {
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
    currentUnit_ = index;
    const std::string& path = units_[std::size_t(index)];
    text_ = LoadUnitText(path);
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
        RemapItemLines(lists_, PreparePascalUnitForCalls(text_.lines, indentation_, filePath_));
        return;
    }
    AddClientUnitToUses(text_.lines);
    if (const auto constantAt = InsertUnitFileNameConst(text_.lines, indentation_, filePath_))
        ShiftItemLines(lists_, int(*constantAt) + 1, int(kConstantBlockLines));
}

DebugInsertionResult ExaminerModel::AddDebugCode()
{
    const DebugInsertion settings {indentation_, remoteComputer_};
    DebugInsertionResult result;
    if (pascalMode_) {
        result = InsertPascalDebugCalls(text_.lines, AddDebugEnabled() ? lists_[activeTab_] : ExaminerList(), activeTab_,
                                        settings, filePath_, ids_, progress_);
        RescanUnit();
        return result;
    }
    PrepareUnitForCalls();
    if (AddDebugEnabled()) {
        result = InsertDebugCalls(text_.lines, lists_[activeTab_], activeTab_ == ExaminerListKind::Exceptions,
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
    return vireo::ReplaceCodeMarks(text_.lines, marks, settings, ids_, clock_, progress_);
}

} // namespace vireo
