// The examiner's Pascal mode driven as vireo-examine --pascal drives it: calls for every
// procedure, function and exception handler, then every code mark replaced. Each insertion only
// adds text and no routine; the rescan finds every routine instrumented, so that a second run
// adds nothing; the text as saved splits back into the same lines; list items name lines of the
// text.
#include "ExaminerFuzzSupport.h"

using namespace vireo;
using namespace vireo::fuzz;

namespace {

bool SavedTextSplitsBack(const ExaminerModel& model)
{
    return SplitUnitText(model.TextAsSaved()).lines == model.WorkingText();
}

void InsertCalls(ExaminerModel& model, ExaminerListKind kind)
{
    const std::vector<std::string> before = model.WorkingText();
    const std::size_t items = model.List(kind).size();
    SelectAll(model, kind);
    model.AddDebugCode();
    const std::vector<std::string> after = model.WorkingText();
    FUZZ_CHECK(OnlyAdded(before, after));
    FUZZ_CHECK(SavedTextSplitsBack(model));
    FUZZ_CHECK(ItemsWithinText(model));
    if (kind != ExaminerListKind::Exceptions) {
        FUZZ_CHECK(model.List(kind).size() == items);
        for (const auto& item : model.List(kind))
            FUZZ_CHECK(item.instrumented);
    }
    SelectAll(model, kind);
    FUZZ_CHECK(model.AddDebugCode().inserted == 0);
    FUZZ_CHECK(model.WorkingText() == after);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxUnitBytes)
        return 0;
    UnpausedTickSource clock;
    auto model = OpenExaminer(data, size, clock, true);
    if (!model)
        return 0;
    FUZZ_CHECK(SavedTextSplitsBack(*model));
    FUZZ_CHECK(ItemsWithinText(*model));
    InsertCalls(*model, ExaminerListKind::Procedures);
    InsertCalls(*model, ExaminerListKind::Functions);
    InsertCalls(*model, ExaminerListKind::Exceptions);

    SelectAll(*model, ExaminerListKind::CodeMarks);
    model->ReplaceCodeMarks([] { return true; });
    FUZZ_CHECK(ItemsWithinText(*model));
    FUZZ_CHECK(SavedTextSplitsBack(*model));
    return 0;
}
