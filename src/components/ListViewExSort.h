#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace vireo {

// Reads a whole field as an integer the way the Pascal runtime does: optional leading blanks,
// an optional sign, then decimal digits or a dollar sign and hexadecimal digits.
std::optional<int> ParseIntegerField(std::string_view field);

// Whether a key has the shape of a day-first date-time text such as "31/01/2003 09:15:30".
bool IsDateTimeText(std::string_view key);

// Seconds since 1 January of year 1 of a date-time text, or nothing when the key is not
// date-time text or names no real date or time (month 13, hour 25).
std::optional<int64_t> DateTimeValue(std::string_view key);

// Value of a blank key in a date-time column: 31 December 1599, 00:00.
int64_t BlankDateTimeValue();

// The date-time values of a column's keys, when it is a date-time column: at least one key is
// neither empty nor a single space, and every such key is a valid date-time text. Blank keys
// get BlankDateTimeValue(). Nothing when the column sorts as text.
template <class KeyAt>
std::optional<std::vector<int64_t>> DateTimeColumnKeys(int count, KeyAt keyAt)
{
    std::vector<int64_t> values;
    values.reserve(static_cast<std::size_t>(count));
    const int64_t blank = BlankDateTimeValue();
    bool sawDateTime = false;
    for (int row = 0; row < count; ++row) {
        const std::string_view key = keyAt(row);
        if (key.empty() || key == " ") {
            values.push_back(blank);
            continue;
        }
        const auto value = DateTimeValue(key);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        sawDateTime = true;
    }
    if (!sawDateTime)
        return std::nullopt;
    return values;
}

// The row order that the list's quicksort gives for keys taken once per row. Returns order
// with order[r] = the row whose content ends at position r. Equal keys end where this
// quicksort puts them (it is not stable).
std::vector<int> TextSortOrder(std::vector<std::string_view> keys, bool ascending);
std::vector<int> DateTimeSortOrder(std::vector<int64_t> keys, bool ascending);

// The row order for sorting count rows by the keys keyAt(row) gives, deciding first whether
// the column holds date-times or text.
template <class KeyAt>
std::vector<int> ColumnSortOrder(int count, bool ascending, KeyAt keyAt)
{
    if (auto values = DateTimeColumnKeys(count, keyAt))
        return DateTimeSortOrder(std::move(*values), ascending);
    std::vector<std::string_view> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        keys.push_back(keyAt(row));
    return TextSortOrder(std::move(keys), ascending);
}

} // namespace vireo
