#include "examiner/PascalEngine.h"

#include "examiner/PascalInstrumenter.h"

namespace vireo {

void PascalEngine::Scan(const std::vector<std::string>& lines, ExaminerLists& lists) const
{
    ScanPascalUnit(lines, lists);
}

void PascalEngine::PrepareForCalls(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const
{
    text.FillBreaks();
    const LineMap map = PreparePascalUnitForCalls(text.lines, calls.settings.indentation, calls.filePath);
    text.FollowAddedLines(map);
    RemapItemLines(lists, map);
}

// Without a kind the insertion still runs, over no items, so that the unit is prepared in the same
// single pass.
DebugInsertionResult PascalEngine::InsertDebugCalls(UnitText& text, ExaminerLists& lists,
                                                    std::optional<ExaminerListKind> kind,
                                                    const EngineCalls& calls) const
{
    text.FillBreaks();
    const ExaminerList none;
    LineMap map;
    const auto result = InsertPascalDebugCalls(text.lines, kind ? lists[*kind] : none,
                                               kind.value_or(ExaminerListKind::Procedures), calls.settings,
                                               calls.filePath, calls.ids, calls.progress, &map);
    text.FollowAddedLines(map);
    return result;
}

// The Pascal scan only chooses which lines are listed; the marks on them are read and replaced by
// the line rules, as in the other mode.
int PascalEngine::ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const
{
    return lineRules_.ReplaceCodeMarks(text, lists, calls);
}

} // namespace vireo
