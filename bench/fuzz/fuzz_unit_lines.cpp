// Splitting a unit's bytes into lines, as the examiner does (keeping each line's break) and as
// the source window does: the examiner's lines join back into the very bytes, also after lines
// are inserted anywhere; the source window's lines are the examiner's lines of the text before
// its first NUL; no line holds a line break.
#include "FuzzCheck.h"

#include "examiner/UnitFile.h"
#include "viewer/session/UnitSource.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace vireo;

namespace {

bool HoldsNoBreak(const std::vector<std::string>& lines)
{
    for (const auto& line : lines)
        if (line.find_first_of("\r\n") != std::string::npos)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::size_t at = input.ConsumeIntegral<std::uint16_t>();
    const int added = input.ConsumeIntegralInRange(0, 3);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    UnitText text = SplitUnitText(bytes);
    FUZZ_CHECK(HoldsNoBreak(text.lines));
    FUZZ_CHECK(text.breaks.size() == text.lines.size());
    FUZZ_CHECK(JoinUnitText(text) == bytes);

    const std::string_view beforeNul = std::string_view(bytes).substr(0, bytes.find('\0'));
    FUZZ_CHECK(SplitUnitLines(bytes) == SplitUnitText(std::string(beforeNul)).lines);

    // Inserted lines keep the text's other lines and breaks, and split back as they were put.
    std::vector<std::string> expected = text.lines;
    const std::size_t place = std::min(at, expected.size());
    const std::vector<std::string> insertion(std::size_t(added), "inserted");
    expected.insert(expected.begin() + std::ptrdiff_t(place), insertion.begin(), insertion.end());
    text.InsertLines(at, insertion);
    FUZZ_CHECK(text.lines == expected);
    FUZZ_CHECK(SplitUnitText(JoinUnitText(text)).lines == expected);
    return 0;
}
