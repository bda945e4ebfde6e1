// The list's column sort and its date-time keys: every row comes out once, in key order (the
// date-time values when the column holds date-times, else the texts), both ways; a key read as a
// date-time names a real moment that its plain "dd/mm/yyyy hh:mm:ss" form gives back.
#include "FuzzCheck.h"

#include "components/ListViewExSort.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

using namespace vireo;

namespace {

constexpr std::size_t kMaxKeys = 256;

// The moment as "dd/mm/yyyy hh:mm:ss".
std::string PlainText(int64_t seconds)
{
    using namespace std::chrono;
    const year_month_day date{sys_days(year(1) / January / 1) + days(seconds / 86400)};
    const int64_t time = seconds % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d %02d:%02d:%02d", unsigned(date.day()), unsigned(date.month()),
                  int(date.year()), int(time / 3600), int(time / 60 % 60), int(time % 60));
    return text;
}

template <class Key>
void CheckOrder(const std::vector<int>& order, const std::vector<Key>& keys, bool ascending)
{
    std::vector<bool> seen(keys.size());
    for (const int row : order) {
        FUZZ_CHECK(row >= 0 && std::size_t(row) < keys.size() && !seen[std::size_t(row)]);
        seen[std::size_t(row)] = true;
    }
    FUZZ_CHECK(order.size() == keys.size());
    for (std::size_t i = 1; i < order.size(); ++i) {
        const Key& before = keys[std::size_t(order[i - 1])];
        const Key& after = keys[std::size_t(order[i])];
        FUZZ_CHECK(ascending ? !(after < before) : !(before < after));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> keys;
    while (!text.empty() && keys.size() < kMaxKeys) {
        const auto end = text.find('\n');
        keys.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    const int64_t last = 3'652'059 * int64_t{86400} - 1; // 31/12/9999 23:59:59
    for (const std::string_view key : keys) {
        const auto value = DateTimeValue(key);
        if (!value)
            continue;
        FUZZ_CHECK(IsDateTimeText(key));
        FUZZ_CHECK(*value >= 0 && *value <= last);
        FUZZ_CHECK(DateTimeValue(PlainText(*value)) == value);
    }
    const int count = int(keys.size());
    const auto keyAt = [&keys](int row) { return keys[std::size_t(row)]; };
    const auto values = DateTimeColumnKeys(count, keyAt);
    for (const bool ascending : {true, false}) {
        const std::vector<int> order = ColumnSortOrder(count, ascending, keyAt);
        if (values)
            CheckOrder(order, *values, ascending);
        else
            CheckOrder(order, keys, ascending);
    }
    return 0;
}
