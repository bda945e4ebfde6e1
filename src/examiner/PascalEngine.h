#pragma once

#include "examiner/ExaminerEngine.h"

namespace vireo {

// The Pascal-aware reading: the Pascal reader's tokens and structure decide the lists and where
// calls go, so that comments, strings and directives make no item and nesting is followed.
class PascalEngine final : public ExaminerEngine {
public:
    // The lists as the Pascal reader finds them; code marks are comments that open with one.
    void Scan(const std::vector<std::string>& lines, ExaminerLists& lists) const override;
    // The client unit in the real uses clause and the constant, the lists moved with their lines.
    void PrepareForCalls(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const override;
    // Calls after the begin of each routine or at the start of each handler, read once and
    // changed once; nothing waits.
    DebugInsertionResult InsertDebugCalls(UnitText& text, ExaminerLists& lists, std::optional<ExaminerListKind> kind,
                                          const EngineCalls& calls) const override;
    // The line rules' replacement, each mark taken from the comment this reading found.
    int ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const override;
};

} // namespace vireo
