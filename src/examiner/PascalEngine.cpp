#include "examiner/PascalEngine.h"

#include "examiner/CodeMarkKinds.h"
#include "examiner/CodeMarkReplacer.h"
#include "examiner/PascalInstrumenter.h"

namespace vireo {

void PascalEngine::Scan(const std::vector<std::string>& lines, ExaminerLists& lists) const
{
    ScanPascalUnit(lines, lists);
}

// The code-mark replacement prepares the unit itself once a mark is replaced, so that a run that
// replaces none leaves the text as it was.
void PascalEngine::PrepareForCalls(UnitText&, ExaminerLists&, const EngineCalls&) const {}

// Without a kind no call goes in, and so nothing changes.
DebugInsertionResult PascalEngine::InsertDebugCalls(UnitText& text, ExaminerLists& lists,
                                                    std::optional<ExaminerListKind> kind,
                                                    const EngineCalls& calls) const
{
    if (!kind)
        return {};
    text.FillBreaks();
    LineMap map;
    const auto result = InsertPascalDebugCalls(text.lines, lists[*kind], *kind, calls.settings, calls.filePath,
                                               calls.ids, calls.progress, &map);
    text.FollowAddedLines(map);
    return result;
}

// How a mark reads (message, second value, where it ends) stays the line rules'; only which mark
// of the line is taken comes from the comments, since the line rules would take a mark's text in a
// string and break the code around it. The call names its type through the client unit.
int PascalEngine::ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const
{
    const auto columns = PascalCodeMarkColumns(text.lines);
    const auto replacement = vireo::ReplaceCodeMarks(
        text, lists[ExaminerListKind::CodeMarks], calls.settings, calls.ids, calls.clock, calls.progress,
        [&columns](const std::vector<std::string>& lines, std::size_t line) -> std::optional<CodeMark> {
            const auto at = columns.find(line);
            auto mark = at == columns.end() ? std::nullopt : ReadCodeMarkAt(lines, line, at->second);
            for (const auto& kind : kCodeMarkKinds)
                if (mark && mark->messageType == kind.messageType)
                    mark->messageType = kind.qualifiedType;
            return mark;
        });
    FollowRemovedLines(lists, replacement.removedLines);
    if (replacement.replaced > 0) {
        text.FillBreaks();
        const LineMap map = PreparePascalUnitForCalls(text.lines, calls.settings.indentation, calls.filePath);
        text.FollowAddedLines(map);
        RemapItemLines(lists, map);
    }
    return replacement.replaced;
}

} // namespace vireo
