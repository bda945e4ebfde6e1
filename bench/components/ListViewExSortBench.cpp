// Prints what sorting 1,000,000 rows costs with the list's quicksort, beside std::sort over the
// same keys in the same run: message texts, and date-time texts.
#include "../BenchSupport.h"
#include "components/ListViewExSort.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace vireo;
using namespace vireo::bench;

namespace {

constexpr int RowCount = 1'000'000;

// Texts as instrumented programs send them: a few shapes, many repeats, long shared prefixes.
std::vector<std::string> MessageTexts(std::mt19937& random)
{
    static const char* const shapes[] = {
        "Entering TForm_Main.Button%dClick",
        "Leaving TDataModule_Orders.LoadOrder %d",
        "Value of CustomerID = %d",
        "Exception in TThread_Import.Execute: Access violation at address %08X",
        "Query returned %d rows",
        "Opening file C:\\Projects\\Orders\\Data\\orders_%d.csv",
        "Timer tick %d",
        "Connection to server lost, retry %d",
    };
    std::uniform_int_distribution<int> shape(0, 7);
    std::uniform_int_distribution<int> number(0, 50'000);
    std::vector<std::string> texts;
    texts.reserve(RowCount);
    char buffer[160];
    for (int i = 0; i < RowCount; ++i) {
        std::snprintf(buffer, sizeof buffer, shapes[shape(random)], number(random));
        texts.emplace_back(buffer);
    }
    return texts;
}

// Day-first date-time texts over ten years, with seconds.
std::vector<std::string> DateTimeTexts(std::mt19937& random)
{
    std::uniform_int_distribution<int> day(1, 28), month(1, 12), year(2015, 2024), hour(0, 23),
        minute(0, 59);
    std::vector<std::string> texts;
    texts.reserve(RowCount);
    char buffer[32];
    for (int i = 0; i < RowCount; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", day(random),
                      month(random), year(random), hour(random), minute(random), minute(random));
        texts.emplace_back(buffer);
    }
    return texts;
}

// Best of a few runs, each on a fresh copy of the input.
template <class Work>
double BestOf(Work work)
{
    double best = 1e300;
    for (int run = 0; run < 3; ++run)
        best = std::min(best, work());
    return best;
}

void Report(const char* what, double listMs, double stdMs)
{
    std::printf("%-48s %9.1f ms  %9.1f ms  %5.2f x\n", what, listMs, stdMs, listMs / stdMs);
}

} // namespace

int main()
{
    std::mt19937 random(20030131);
    const std::vector<std::string> messages = MessageTexts(random);
    const std::vector<std::string> stamps = DateTimeTexts(random);
    const auto keyOf = [](const std::vector<std::string>& texts) {
        return [&texts](int row) { return std::string_view(texts[static_cast<std::size_t>(row)]); };
    };

    std::printf("%d rows%38s %12s %12s %7s\n", RowCount, "", "list sort", "std::sort", "ratio");

    std::vector<std::string_view> textKeys(messages.begin(), messages.end());
    const double textSort = BestOf([&] { return Milliseconds([&] { TextSortOrder(textKeys, true); }); });
    const double textStd = BestOf([&] {
        auto keys = textKeys;
        return Milliseconds([&] { std::sort(keys.begin(), keys.end()); });
    });
    Report("message texts, keys taken", textSort, textStd);
    const double textColumn = BestOf([&] {
        return Milliseconds([&] { ColumnSortOrder(RowCount, true, keyOf(messages)); });
    });
    Report("message texts, whole column (kind test, keys)", textColumn, textStd);

    const auto values = *DateTimeColumnKeys(RowCount, keyOf(stamps));
    const double dateSort = BestOf([&] { return Milliseconds([&] { DateTimeSortOrder(values, true); }); });
    const double dateStd = BestOf([&] {
        auto keys = values;
        return Milliseconds([&] { std::sort(keys.begin(), keys.end()); });
    });
    Report("date-times, values taken", dateSort, dateStd);
    const double dateColumn = BestOf([&] {
        return Milliseconds([&] { ColumnSortOrder(RowCount, true, keyOf(stamps)); });
    });
    Report("date-times, whole column (kind test, values)", dateColumn, dateStd);
    return 0;
}
