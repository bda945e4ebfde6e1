// The examiner's line rules driven as vireo-examine drives them: scan, add the client unit and the
// constant, insert calls for every procedure, function and exception handler, replace every code
// mark. Each step only adds text; adding the client unit and the constant a second time adds
// nothing; a routine given a call below its begin line is listed as instrumented by the rescan;
// the text as saved splits back into the same lines; list items name lines of the text.
#include "ExaminerFuzzSupport.h"

#include "examiner/TextMatching.h"

using namespace vireo;
using namespace vireo::fuzz;

namespace {

bool SavedTextSplitsBack(const ExaminerModel& model)
{
    return SplitUnitText(model.TextAsSaved()).lines == model.WorkingText();
}

// The routines whose call goes below a begin line that the rescan also takes as theirs (their
// header holds no BEGIN), by the lines they will stand on once each of them has its call.
std::vector<int> HeadersToBeInstrumented(const std::vector<std::string>& lines, const ExaminerList& items)
{
    std::vector<std::size_t> beginOf;
    std::vector<std::size_t> callsAfter(lines.size() + 1);
    for (const auto& item : items) {
        std::size_t begin = std::size_t(item.line);
        while (begin < lines.size() && !HasWord("BEGIN", UpperCaseAscii(lines[begin])))
            ++begin;
        beginOf.push_back(begin);
        if (begin < lines.size())
            ++callsAfter[begin];
    }
    std::vector<std::size_t> callsAbove(lines.size() + 1);
    for (std::size_t i = 0; i < lines.size(); ++i)
        callsAbove[i + 1] = callsAbove[i] + callsAfter[i];
    std::vector<int> headers;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::size_t header = std::size_t(items[k].line - 1);
        if (beginOf[k] >= lines.size() || HasWord("BEGIN", UpperCaseAscii(lines[header])))
            continue;
        headers.push_back(int(header + callsAbove[header] + 1));
    }
    return headers;
}

void InsertIntoRoutines(ExaminerModel& model, ExaminerListKind kind)
{
    const std::vector<std::string> before = model.WorkingText();
    const ExaminerList items = model.List(kind);
    const std::vector<int> expected = HeadersToBeInstrumented(before, items);
    SelectAll(model, kind);
    const DebugInsertionResult result = model.AddDebugCode();
    FUZZ_CHECK(std::size_t(result.inserted + result.skipped) == items.size());
    FUZZ_CHECK(model.WorkingText().size() == before.size() + std::size_t(result.inserted));
    FUZZ_CHECK(OnlyAdded(before, model.WorkingText()));
    for (const int line : expected) {
        bool instrumented = false;
        for (const auto& item : model.List(kind))
            instrumented |= item.line == line && item.instrumented;
        FUZZ_CHECK(instrumented);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxUnitBytes)
        return 0;
    UnpausedTickSource clock;
    auto model = OpenExaminer(data, size, clock, false);
    if (!model)
        return 0;
    const std::vector<std::string> original = model->WorkingText();
    FUZZ_CHECK(SavedTextSplitsBack(*model));

    // The client unit and the constant alone: a code-mark run that replaces nothing.
    model->SetActiveTab(ExaminerListKind::CodeMarks);
    FUZZ_CHECK(model->ReplaceCodeMarks([] { return false; }) == 0);
    FUZZ_CHECK(OnlyAdded(original, model->WorkingText()));
    FUZZ_CHECK(model->WorkingText().size() <= original.size() + kConstantBlockLines + 1);
    FUZZ_CHECK(ItemsWithinText(*model));
    model->RescanUnit();

    InsertIntoRoutines(*model, ExaminerListKind::Procedures);
    InsertIntoRoutines(*model, ExaminerListKind::Functions);
    FUZZ_CHECK(SavedTextSplitsBack(*model));

    const std::vector<std::string> beforeHandlers = model->WorkingText();
    SelectAll(*model, ExaminerListKind::Exceptions);
    const DebugInsertionResult handlers = model->AddDebugCode();
    FUZZ_CHECK(model->WorkingText().size() <= beforeHandlers.size() + std::size_t(handlers.inserted));
    FUZZ_CHECK(OnlyAdded(beforeHandlers, model->WorkingText()));
    FUZZ_CHECK(SavedTextSplitsBack(*model));

    SelectAll(*model, ExaminerListKind::CodeMarks);
    model->ReplaceCodeMarks([] { return true; });
    FUZZ_CHECK(ItemsWithinText(*model));
    FUZZ_CHECK(SavedTextSplitsBack(*model));
    return 0;
}
