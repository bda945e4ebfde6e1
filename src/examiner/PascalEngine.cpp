#include "examiner/PascalEngine.h"

#include "examiner/CodeMarkReplacer.h"
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

// How a mark reads (message, second value, where it ends) stays the line rules'; only which mark
// of the line is taken comes from the comments, since the line rules would take a mark's text in a
// string and break the code around it.
int PascalEngine::ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const
{
    const auto columns = PascalCodeMarkColumns(text.lines);
    const auto replacement = vireo::ReplaceCodeMarks(
        text, lists[ExaminerListKind::CodeMarks], calls.settings, calls.ids, calls.clock, calls.progress,
        [&columns](const std::vector<std::string>& lines, std::size_t line) -> std::optional<CodeMark> {
            const auto at = columns.find(line);
            return at == columns.end() ? std::nullopt : ReadCodeMarkAt(lines, line, at->second);
        });
    FollowRemovedLines(lists, replacement.removedLines);
    return replacement.replaced;
}

} // namespace vireo
