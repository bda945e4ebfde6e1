#include "examiner/LineRulesEngine.h"

#include "examiner/CodeMarkReplacer.h"
#include "examiner/SourceScanner.h"

namespace vireo {

void LineRulesEngine::Scan(const std::vector<std::string>& lines, ExaminerLists& lists) const
{
    SourceScanner(lines).ScanAll(lists);
}

// The uses clause is looked at before the constant is added, whose path may itself hold the text
// "vireo".
void LineRulesEngine::PrepareForCalls(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const
{
    if (const auto uses = AddClientUnitToUses(text); uses.insertedLine)
        ShiftItemLines(lists, int(*uses.insertedLine) + 1, 1);
    if (const auto constantAt = InsertUnitFileNameConst(text, calls.settings.indentation, calls.filePath))
        ShiftItemLines(lists, int(*constantAt) + 1, int(kConstantBlockLines));
}

DebugInsertionResult LineRulesEngine::InsertDebugCalls(UnitText& text, ExaminerLists& lists,
                                                       std::optional<ExaminerListKind> kind,
                                                       const EngineCalls& calls) const
{
    PrepareForCalls(text, lists, calls);
    if (!kind)
        return {};
    return vireo::InsertDebugCalls(text, lists[*kind], *kind == ExaminerListKind::Exceptions, calls.settings,
                                   calls.ids, calls.clock, calls.progress);
}

int LineRulesEngine::ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const
{
    const auto replacement = vireo::ReplaceCodeMarks(text, lists[ExaminerListKind::CodeMarks], calls.settings,
                                                     calls.ids, calls.clock, calls.progress);
    FollowRemovedLines(lists, replacement.removedLines);
    return replacement.replaced;
}

} // namespace vireo
