// The hive text reader and writer as a round trip: whatever text parses is written, and what is
// written parses back to the same keys and values and writes again to the same text.
#include "FuzzCheck.h"

#include "settings/HiveText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace vireo;

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
// Keys nested thousands deep are read and written by recursion; longer inputs only chase that.
constexpr std::size_t kMaxInput = 16 * 1024;

bool SameKeys(const HiveKey& a, const HiveKey& b)
{
    if (a.Name() != b.Name() || a.Values() != b.Values() || a.SubKeys().size() != b.SubKeys().size())
        return false;
    for (std::size_t i = 0; i < a.SubKeys().size(); ++i)
        if (!SameKeys(*a.SubKeys()[i], *b.SubKeys()[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInput)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const HiveParseResult first = ParseHiveText(text, kRoot);
    FUZZ_CHECK((first.root == nullptr) == (first.errorLine > 0));
    if (!first.root) {
        FUZZ_CHECK(!first.error.empty());
        return 0;
    }
    const std::string written = WriteHiveText(*first.root, kRoot);
    const HiveParseResult second = ParseHiveText(written, kRoot);
    FUZZ_CHECK(second.root != nullptr);
    FUZZ_CHECK(SameKeys(*first.root, *second.root));
    FUZZ_CHECK(WriteHiveText(*second.root, kRoot) == written);
    return 0;
}
