// The hive text reader and writer as a round trip: whatever text parses is written, and what is
// written parses back to the same keys and values and writes again to the same text. A change to
// one key spliced into the text must read back as the same change made to the whole hive.
#include "FuzzCheck.h"

#include "settings/HiveText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace vireo;

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
// Larger inputs only slow each run down: the reader is linear and refuses deep keys.
constexpr std::size_t kMaxInput = 64 * 1024;

bool SameKeys(const HiveKey& a, const HiveKey& b)
{
    if (a.Name() != b.Name() || a.Values() != b.Values() || a.SubKeys().size() != b.SubKeys().size())
        return false;
    for (std::size_t i = 0; i < a.SubKeys().size(); ++i)
        if (!SameKeys(*a.SubKeys()[i], *b.SubKeys()[i]))
            return false;
    return true;
}

// The path of the key the input's last byte picks among the first keys, or of a new key.
std::string PickedPath(const HiveKey& root, unsigned pick)
{
    std::string path;
    const HiveKey* key = &root;
    while (!key->SubKeys().empty() && pick % 3 != 0) {
        key = key->SubKeys()[pick % key->SubKeys().size()].get();
        path += (path.empty() ? "" : "\\") + key->Name();
        pick /= 3;
    }
    return path + (path.empty() ? "Fuzz" : "\\Fuzz");
}

void ChangeAt(HiveKey& root, std::string_view path)
{
    bool created = false;
    CreateKey(root, path, created).SetValue("fuzz", RegValue::FromDWord(7));
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

    const std::string path = PickedPath(*first.root, size > 0 ? data[size - 1] : 0);
    ChangeAt(*first.root, path);
    const HiveParseResult branch = ParseHiveText(text, kRoot, path);
    FUZZ_CHECK(branch.root != nullptr);
    ChangeAt(*branch.root, path);
    if (const auto spliced = ReplaceHiveBranchText(text, kRoot, *branch.root, path)) {
        const HiveParseResult changed = ParseHiveText(*spliced, kRoot);
        FUZZ_CHECK(changed.root != nullptr);
        FUZZ_CHECK(SameKeys(*first.root, *changed.root));
    }
    return 0;
}
