#pragma once

#include "examiner/ExaminerEngine.h"

namespace vireo {

// The Pascal-aware reading: the Pascal reader's tokens and structure decide the lists and where
// calls go, so that comments, strings and directives make no item and nesting is followed.
class PascalEngine final : public ExaminerEngine {
public:
    // The lists as the Pascal reader finds them; code marks are comments that open with one.
    void Scan(const std::vector<std::string>& lines, ExaminerLists& lists) const override;
    // Nothing: ReplaceCodeMarks prepares the unit once it replaces a mark.
    void PrepareForCalls(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const override;
    // Calls after the begin of each routine or at the start of each handler, read once and
    // changed once; nothing waits. With no call to insert (no kind, nothing selected, every
    // routine instrumented already) the unit is left as it was: no client unit, no constant.
    DebugInsertionResult InsertDebugCalls(UnitText& text, ExaminerLists& lists, std::optional<ExaminerListKind> kind,
                                          const EngineCalls& calls) const override;
    // The line rules' replacement, each mark taken from the comment this reading found; once a
    // mark is replaced, the client unit goes into the real uses clause and the constant is added,
    // the lists moved with their lines.
    int ReplaceCodeMarks(UnitText& text, ExaminerLists& lists, const EngineCalls& calls) const override;
};

} // namespace vireo
