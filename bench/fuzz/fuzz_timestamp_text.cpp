// The time-stamp texts: any automation date and any locale formats give texts or a
// TimeStampError, nothing else; with day-first conventions the texts name the very day and second
// the automation date stands for, as the calendar of <chrono> counts it.
#include "FuzzCheck.h"

#include "components/ListViewExSort.h"
#include "intake/TimeStampText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>

using namespace vireo;

namespace {

// The day and millisecond of the day an automation date stands for: whole days from 30 December
// 1899, the fraction without its sign the time of day, rounded to the millisecond.
std::pair<int64_t, int64_t> DayAndMillisecond(double date)
{
    int64_t day = static_cast<int64_t>(std::trunc(date));
    int64_t ms = std::llround(std::fabs(date - std::trunc(date)) * 86'400'000.0);
    if (ms >= 86'400'000) {
        ms -= 86'400'000;
        ++day;
    }
    return {day, ms};
}

void CheckDayFirstTexts(double date)
{
    TimeConventions dayFirst;
    dayFirst.ShortDateFormat = "dd/mm/yyyy";
    dayFirst.HourLeadingZero = true;
    TimeStampTexts texts;
    try {
        texts = FormatTimeStamp(date, dayFirst);
    } catch (const TimeStampError&) {
        using namespace std::chrono;
        const bool inRange = std::isfinite(date) && date > -693'594.0 && date < 2'958'466.0;
        if (inRange) {
            const int64_t day = DayAndMillisecond(date).first;
            FUZZ_CHECK(day < -693'593 || day > 2'958'465);
        }
        return;
    }
    const auto [day, ms] = DayAndMillisecond(date);
    using namespace std::chrono;
    const year_month_day civil{sys_days(year(1899) / December / 30) + days(day)};
    char expected[40];
    std::snprintf(expected, sizeof expected, "%02u/%02u/%04d %02d:%02d:%02d", unsigned(civil.day()),
                  unsigned(civil.month()), int(civil.year()), int(ms / 3'600'000), int(ms / 60'000 % 60),
                  int(ms / 1000 % 60));
    FUZZ_CHECK(texts.Date + ' ' + texts.Time == expected);
    FUZZ_CHECK(DateTimeValue(expected).has_value());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    double date = 0;
    if (input.ConsumeBool()) {
        const auto bits = input.ConsumeIntegral<std::uint64_t>();
        std::memcpy(&date, &bits, sizeof date);
    } else {
        date = input.ConsumeFloatingPointInRange<double>(-700'000.0, 3'000'000.0);
    }
    CheckDayFirstTexts(date);

    const std::string dateFormat = input.ConsumeRandomLengthString(64);
    const std::string timeFormat = input.ConsumeRandomLengthString(64);
    const std::string am = input.ConsumeRandomLengthString(16);
    const std::string pm = input.ConsumeRandomLengthString(16);
    TimeConventions conventions = ConventionsFromStrftime(dateFormat, timeFormat, am, pm);
    if (input.ConsumeBool())
        conventions.ShortDateFormat = input.ConsumeRandomLengthString(64);
    for (auto& name : conventions.MonthShortNames)
        name = input.ConsumeRandomLengthString(8);
    for (auto& name : conventions.DayNames)
        name = input.ConsumeRandomLengthString(8);
    try {
        const TimeStampTexts texts = FormatTimeStamp(date, conventions);
        FUZZ_CHECK(!texts.Time.empty());
    } catch (const TimeStampError&) {
    }
    return 0;
}
