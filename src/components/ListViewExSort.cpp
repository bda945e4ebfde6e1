#include "components/ListViewExSort.h"

#include <utility>

namespace vireo {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigit(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the field of length characters at pos; plain digits, the usual case, are read directly.
std::optional<int> FieldAt(std::string_view key, std::size_t pos, std::size_t length)
{
    if (pos >= key.size())
        return std::nullopt;
    const std::string_view field = key.substr(pos, length);
    int value = 0;
    for (char c : field) {
        if (!IsDigit(c))
            return ParseIntegerField(field);
        value = value * 10 + (c - '0');
    }
    return value;
}

// Days from 1 January of year 1 (proleptic Gregorian calendar).
int64_t DaysFromYearOne(int year, int month, int day)
{
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return int64_t{era} * 146097 + dayOfEra - 306;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::optional<int64_t> EncodeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1
        || day > DaysInMonth(year, month))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return DaysFromYearOne(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

// The fields of a date-time text, each read once.
struct DateTimeFields {
    int day, month, year, hour, minute;
    std::size_t timeStart; // 0-based position of the time text
};

std::optional<DateTimeFields> ReadDateTimeFields(std::string_view key)
{
    if (key.size() < 16 || IsDigit(key[2]) || IsDigit(key[5]))
        return std::nullopt;
    const auto day = FieldAt(key, 0, 2);
    const auto month = FieldAt(key, 3, 2);
    const auto year = FieldAt(key, 6, 4);
    if (!day || !month || !year)
        return std::nullopt;
    std::size_t p = 11;
    while (p < key.size() - 1 && !IsDigit(key[p]))
        ++p;
    if (p >= key.size() - 1)
        return std::nullopt;
    const std::string_view time = key.substr(p, 8);
    if (time.size() <= 4 || IsDigit(time[2]))
        return std::nullopt;
    const auto hour = FieldAt(time, 0, 2);
    const auto minute = FieldAt(time, 3, 2);
    if (!hour || !minute)
        return std::nullopt;
    return DateTimeFields{*day, *month, *year, *hour, *minute, p};
}

// Two plain digits at pos, or -1.
int TwoDigits(std::string_view key, std::size_t pos)
{
    const unsigned tens = static_cast<unsigned char>(key[pos]) - unsigned{'0'};
    const unsigned ones = static_cast<unsigned char>(key[pos + 1]) - unsigned{'0'};
    return tens < 10 && ones < 10 ? static_cast<int>(tens * 10 + ones) : -1;
}

// The value of the usual shape "dd/mm/yyyy hh:mm:ss" (any separators) read at its fixed places,
// which is what the general reading gives for it; nothing for any other shape, so the general
// reading decides. A column sort reads every row, so this path is kept short.
std::optional<int64_t> FullDateTimeValue(std::string_view key)
{
    if (key.size() != 19 || IsDigit(key[2]) || IsDigit(key[5]) || IsDigit(key[13]))
        return std::nullopt;
    const int day = TwoDigits(key, 0), month = TwoDigits(key, 3), century = TwoDigits(key, 6),
              years = TwoDigits(key, 8), hour = TwoDigits(key, 11), minute = TwoDigits(key, 14),
              second = TwoDigits(key, 17);
    if ((day | month | century | years | hour | minute | second) < 0)
        return std::nullopt;
    return EncodeDateTime(century * 100 + years, month, day, hour, minute, second);
}

template <class Key>
struct SortEntry {
    Key key;
    int row;
};

template <bool Ascending, class Key>
bool Before(const Key& a, const Key& b)
{
    if constexpr (Ascending)
        return a < b;
    else
        return b < a;
}

// The list's quicksort: middle pivot taken once, exchanges of entries i and j. The smaller part
// is sorted by recursion and the larger one in the loop, which keeps the stack shallow and
// gives the same order (the two parts never overlap).
template <bool Ascending, class Key>
void QuickSort(std::vector<SortEntry<Key>>& entries, int lo, int hi)
{
    while (lo < hi) {
        const Key pivot = entries[static_cast<std::size_t>((lo + hi) / 2)].key;
        int i = lo;
        int j = hi;
        do {
            while (Before<Ascending>(entries[static_cast<std::size_t>(i)].key, pivot))
                ++i;
            while (Before<Ascending>(pivot, entries[static_cast<std::size_t>(j)].key))
                --j;
            if (i <= j) {
                std::swap(entries[static_cast<std::size_t>(i)], entries[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            QuickSort<Ascending>(entries, lo, j);
            lo = i;
        } else {
            QuickSort<Ascending>(entries, i, hi);
            hi = j;
        }
    }
}

template <class Key>
std::vector<int> SortOrder(std::vector<Key> keys, bool ascending)
{
    std::vector<SortEntry<Key>> entries;
    entries.reserve(keys.size());
    for (std::size_t row = 0; row < keys.size(); ++row)
        entries.push_back({std::move(keys[row]), static_cast<int>(row)});
    const int last = static_cast<int>(entries.size()) - 1;
    if (ascending)
        QuickSort<true>(entries, 0, last);
    else
        QuickSort<false>(entries, 0, last);
    std::vector<int> order;
    order.reserve(entries.size());
    for (const auto& entry : entries)
        order.push_back(entry.row);
    return order;
}

} // namespace

std::optional<int> ParseIntegerField(std::string_view field)
{
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    int base = 10;
    if (i < field.size() && field[i] == '$') {
        base = 16;
        ++i;
    }
    if (i == field.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < field.size(); ++i) {
        const int digit = base == 16 ? HexDigit(field[i]) : (IsDigit(field[i]) ? field[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value >= int64_t{1} << 32)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (base == 10 && (value > INT32_MAX || value < INT32_MIN))
        return std::nullopt;
    return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

bool IsDateTimeText(std::string_view key)
{
    return ReadDateTimeFields(key).has_value();
}

std::optional<int64_t> DateTimeValue(std::string_view key)
{
    if (const auto value = FullDateTimeValue(key))
        return value;
    const auto fields = ReadDateTimeFields(key);
    if (!fields)
        return std::nullopt;
    const std::size_t p = fields->timeStart;
    const auto second = key.size() - p == 8 ? FieldAt(key, p + 6, 2) : std::optional<int>(0);
    if (!second)
        return std::nullopt;
    return EncodeDateTime(fields->year, fields->month, fields->day, fields->hour, fields->minute,
                          *second);
}

int64_t BlankDateTimeValue()
{
    return *EncodeDateTime(1599, 12, 31, 0, 0, 0);
}

std::vector<int> TextSortOrder(std::vector<std::string_view> keys, bool ascending)
{
    return SortOrder(std::move(keys), ascending);
}

std::vector<int> DateTimeSortOrder(std::vector<int64_t> keys, bool ascending)
{
    return SortOrder(std::move(keys), ascending);
}

} // namespace vireo
