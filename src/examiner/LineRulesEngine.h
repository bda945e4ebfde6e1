#pragma once

#include "examiner/ExaminerEngine.h"

namespace vireo {

// The examiner's line rules: the source scanner's line tests, the debug-code inserter and the
// code-mark replacer. Comments and strings are read as code.
class LineRulesEngine final : public ExaminerEngine {
public:
    // The six scans of the source scanner.
    void Scan(const std::vector<std::string>& lines, ExaminerLists& lists) const override;
    // The client unit and the constant by the line rules, the lists shifted by the lines added.
    void PrepareForCalls(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const override;
    // Calls after each routine's begin line or each handler's EXCEPT, the clock paused after each.
    DebugInsertionResult InsertDebugCalls(UnitText& text, ExaminerLists& lists, std::optional<ExaminerListKind> kind,
                                          const EngineCalls& calls) const override;
    // Each selected line's code mark read and replaced as the code-mark replacer does.
    int ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const override;
};

} // namespace vireo
