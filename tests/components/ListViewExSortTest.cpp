#include "components/ListViewExSort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

using namespace vireo;

namespace {

// Seconds from 1 January of year 1, as the list values date-times.
int64_t Seconds(int y, unsigned m, unsigned d, int hour, int minute, int second)
{
    using namespace std::chrono;
    const auto days = sys_days(year(y) / month(m) / day(d)) - sys_days(year(1) / January / 1);
    return days.count() * int64_t{86400} + hour * 3600 + minute * 60 + second;
}

std::vector<int> SortRows(const std::vector<std::string>& keys, bool ascending)
{
    return ColumnSortOrder(static_cast<int>(keys.size()), ascending,
                           [&keys](int row) { return std::string_view(keys[static_cast<std::size_t>(row)]); });
}

std::vector<std::string> Sorted(const std::vector<std::string>& keys, bool ascending)
{
    std::vector<std::string> result;
    for (int row : SortRows(keys, ascending))
        result.push_back(keys[static_cast<std::size_t>(row)]);
    return result;
}

// The list's quicksort written out plainly, exchanging whole rows: the order it leaves equal
// keys in is the reference.
struct Row {
    int key;
    int id;
};

void ReferenceQuickSort(std::vector<Row>& rows, int lo, int hi, bool ascending)
{
    const int pivot = rows[static_cast<std::size_t>((lo + hi) / 2)].key;
    const auto before = [ascending](int a, int b) { return ascending ? a < b : a > b; };
    int i = lo;
    int j = hi;
    do {
        while (before(rows[static_cast<std::size_t>(i)].key, pivot))
            ++i;
        while (before(pivot, rows[static_cast<std::size_t>(j)].key))
            --j;
        if (i <= j) {
            std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j)
        ReferenceQuickSort(rows, lo, j, ascending);
    if (i < hi)
        ReferenceQuickSort(rows, i, hi, ascending);
}

} // namespace

TEST(ListViewExSort, IntegerFieldsFollowThePascalParser)
{
    EXPECT_EQ(ParseIntegerField("07"), 7);
    EXPECT_EQ(ParseIntegerField(" 7"), 7) << "leading blanks are allowed";
    EXPECT_EQ(ParseIntegerField("+7"), 7);
    EXPECT_EQ(ParseIntegerField("-7"), -7);
    EXPECT_EQ(ParseIntegerField("$1F"), 31) << "dollar sign and hexadecimal digits";
    EXPECT_EQ(ParseIntegerField("$a"), 10);
    EXPECT_EQ(ParseIntegerField("7 "), std::nullopt) << "trailing blanks are not";
    EXPECT_EQ(ParseIntegerField("  "), std::nullopt);
    EXPECT_EQ(ParseIntegerField("$"), std::nullopt);
    EXPECT_EQ(ParseIntegerField("1a"), std::nullopt);
    EXPECT_EQ(ParseIntegerField(""), std::nullopt);
}

TEST(ListViewExSort, DateTimeTextShapeAndValue)
{
    EXPECT_TRUE(IsDateTimeText("31/01/2003 09:15:30"));
    EXPECT_TRUE(IsDateTimeText("01/02/2003 10:00"));
    EXPECT_FALSE(IsDateTimeText("1.02.2003 10:00:00")) << "characters 1-2 are no integer";
    EXPECT_FALSE(IsDateTimeText("12/05/2003")) << "a date without a time";
    EXPECT_FALSE(IsDateTimeText("12/05/2003      ")) << "no digit after character 11";
    EXPECT_FALSE(IsDateTimeText("120/5/2003 10:00")) << "character 3 is a digit";
    EXPECT_FALSE(IsDateTimeText("31/01/2003 9:1"));
    EXPECT_TRUE(IsDateTimeText(" 1/02/2003 10:00")) << "a leading blank in the day";
    EXPECT_TRUE(IsDateTimeText("$A/01/2003 10:00")) << "a hexadecimal day";

    EXPECT_EQ(*DateTimeValue("31/01/2003 09:15:30"), Seconds(2003, 1, 31, 9, 15, 30));
    EXPECT_EQ(*DateTimeValue("01/02/2003 10:00"), Seconds(2003, 2, 1, 10, 0, 0)) << "day first";
    EXPECT_EQ(*DateTimeValue("01/02/2003 10:00:45 PM"), Seconds(2003, 2, 1, 10, 0, 0))
        << "seconds only count when exactly eight characters end the key";
    EXPECT_EQ(*DateTimeValue("$A/01/2003 10:00"), Seconds(2003, 1, 10, 10, 0, 0));
    EXPECT_EQ(*DateTimeValue("31-01-2003T09.15x30"), Seconds(2003, 1, 31, 9, 15, 30))
        << "characters 11 and 17 are never read";
    EXPECT_EQ(DateTimeValue("31/01/2003 9:15:30 "), std::nullopt)
        << "the usual length in another shape is read by the general rule: 9: is no hour";
    EXPECT_LT(BlankDateTimeValue(), *DateTimeValue("01/01/1600 00:00"));
    EXPECT_GT(BlankDateTimeValue(), *DateTimeValue("30/12/1599 23:59:59"));

    EXPECT_EQ(DateTimeValue("31/13/2003 09:15:30"), std::nullopt) << "month 13";
    EXPECT_EQ(DateTimeValue("29/02/2003 09:15:30"), std::nullopt) << "no 29 February in 2003";
    EXPECT_EQ(DateTimeValue("31/01/2003 25:15:30"), std::nullopt) << "hour 25";
    EXPECT_EQ(DateTimeValue("31/01/2003 09:15:xx"), std::nullopt) << "seconds that are no number";
}

TEST(ListViewExSort, TextColumnsCompareBytesCaseSensitively)
{
    EXPECT_EQ(Sorted({"a", "B", "abc", "ab", "\xc3\xa9", "z"}, true),
              (std::vector<std::string>{"B", "a", "ab", "abc", "z", "\xc3\xa9"}));
    EXPECT_EQ(Sorted({"a", "B", "ab"}, false), (std::vector<std::string>{"ab", "a", "B"}));
    EXPECT_EQ(Sorted({"", " ", "", " "}, true).size(), 4u) << "blank keys only sort as text";
}

TEST(ListViewExSort, DateTimeColumnsSortByValueWithBlanksFirst)
{
    EXPECT_EQ(Sorted({"01/02/2003 10:00:00", "", "31/01/2003 09:15:30"}, true),
              (std::vector<std::string>{"", "31/01/2003 09:15:30", "01/02/2003 10:00:00"}));
    EXPECT_EQ(Sorted({"01/02/2003 10:00:00", " ", "31/01/2003 09:15:30"}, false),
              (std::vector<std::string>{"01/02/2003 10:00:00", "31/01/2003 09:15:30", " "}));
}

TEST(ListViewExSort, ColumnsMixingOtherKeysSortAsText)
{
    EXPECT_EQ(Sorted({"31/01/2003 09:15:30", "12/05/2003"}, true),
              (std::vector<std::string>{"12/05/2003", "31/01/2003 09:15:30"}));
    EXPECT_EQ(Sorted({"31/01/2003 09:15:30", "02/02/2003 10:00", "31/13/2003 09:15:30"}, true),
              (std::vector<std::string>{"02/02/2003 10:00", "31/01/2003 09:15:30", "31/13/2003 09:15:30"}))
        << "a date-time of month 13 makes the column a text column instead of failing midway";
}

TEST(ListViewExSort, EqualKeysEndWhereTheListsQuicksortPutsThem)
{
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        const int count = 1 + static_cast<int>(random() % 60);
        const int distinct = 1 + static_cast<int>(random() % 6);
        std::vector<Row> rows;
        std::vector<std::string> keys;
        for (int id = 0; id < count; ++id) {
            const int key = static_cast<int>(random() % static_cast<unsigned>(distinct));
            rows.push_back({key, id});
            keys.push_back(std::string(1, static_cast<char>('a' + key)));
        }
        for (bool ascending : {true, false}) {
            std::vector<Row> reference = rows;
            ReferenceQuickSort(reference, 0, count - 1, ascending);
            std::vector<int> expected;
            for (const Row& row : reference)
                expected.push_back(row.id);
            ASSERT_EQ(SortRows(keys, ascending), expected) << "round " << round;
        }
    }
}
