// The unit listing of a project file: any project text in any project folder gives full, normal
// paths, at most one for each line of the text.
#include "FuzzCheck.h"

#include "examiner/ProjectUnits.h"
#include "examiner/UnitFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>

using namespace vireo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string projectPath = "/home/dev/" + input.ConsumeRandomLengthString(32) + "/Project1.dpr";
    const std::vector<std::string> lines = SplitUnitText(input.ConsumeRemainingBytesAsString()).lines;
    const std::vector<std::string> units = LoadProjectUnits(lines, projectPath);
    FUZZ_CHECK(units.size() <= lines.size());
    for (const auto& unit : units) {
        const std::filesystem::path path(unit);
        FUZZ_CHECK(path.is_absolute());
        FUZZ_CHECK(path.lexically_normal().string() == unit);
    }
    return 0;
}
