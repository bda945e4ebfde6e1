#include "intake/TimeStampText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

using namespace vireo;

namespace {
TimeStampTexts Format(double stamp, const TimeConventions& c = {})
{
    return FormatTimeStamp(stamp, c);
}
} // namespace

TEST(TimeStampText, SystemDefaultsGiveShortDateAndTwentyFourHourTime)
{
    EXPECT_EQ(Format(0.0).Date, "12/30/99");
    EXPECT_EQ(Format(0.0).Time, "0:00:00");
    EXPECT_EQ(Format(0.5).Time, "12:00:00");
    EXPECT_EQ(Format(45'000.75).Date, "3/15/23");
    EXPECT_EQ(Format(45'000.75).Time, "18:00:00");
}

TEST(TimeStampText, NegativeStampsCountBackwardsWithTheFractionAsTimeOfDay)
{
    const TimeStampTexts t = Format(-1.25);
    EXPECT_EQ(t.Date, "12/29/99");
    EXPECT_EQ(t.Time, "6:00:00");
    EXPECT_EQ(Format(-0.5).Date, "12/30/99");
}

TEST(TimeStampText, TimeRoundedUpToMidnightMovesToTheNextDay)
{
    const TimeStampTexts t = Format(0.999'999'999);
    EXPECT_EQ(t.Date, "12/31/99");
    EXPECT_EQ(t.Time, "0:00:00");
}

TEST(TimeStampText, FollowsLocaleFormatsSeparatorsAndMarkers)
{
    const TimeConventions german = ConventionsFromStrftime("%d.%m.%Y", "%H:%M:%S", "", "");
    EXPECT_EQ(german.DateSeparator, ".");
    EXPECT_EQ(Format(0.25, german).Date, "30.12.1899");
    EXPECT_EQ(Format(0.25, german).Time, "06:00:00");

    const TimeConventions us = ConventionsFromStrftime("%m/%d/%Y", "%r", "AM", "PM");
    EXPECT_EQ(Format(0.0, us).Date, "12/30/1899");
    EXPECT_EQ(Format(0.0, us).Time, "12:00:00 AM");
    EXPECT_EQ(Format(13.0 / 24, us).Time, "01:00:00 PM");

    const TimeConventions markerFirst = ConventionsFromStrftime("%Y-%m-%d", "%p %l.%M.%S", "", "");
    EXPECT_EQ(Format(0.5, markerFirst).Date, "1899-12-30");
    EXPECT_EQ(Format(0.5, markerFirst).Time, "pm 12.00.00") << "default marker strings";
    EXPECT_EQ(Format(9.5 / 24, markerFirst).Time, "am 9.30.00");

    const TimeConventions named = ConventionsFromStrftime("%a %e %b %Y", "%T", "", "");
    EXPECT_EQ(Format(0.0, named).Date, "Sat 30 Dec 1899");
}

TEST(TimeStampText, ProcessLocaleIsReadThroughTheInterface)
{
    std::setlocale(LC_TIME, "C");
    LocaleTimeConventions locale;
    const TimeStampTexts t = FormatTimeStamp(0.5, locale.Current());
    EXPECT_EQ(t.Date, "12/30/99");
    EXPECT_EQ(t.Time, "12:00:00");
}

TEST(TimeStampText, StampsThatNameNoDateBetweenYearOneAndYear9999AreRefused)
{
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 1e300, -1e300, -693'594.0, 2'958'466.0,
                          2'958'465.999'999'999};
    for (const double stamp : bad)
        EXPECT_THROW(Format(stamp), TimeStampError) << stamp;

    EXPECT_EQ(Format(-693'593.0, ConventionsFromStrftime("%d/%m/%Y", "%T", "", "")).Date, "01/01/0001");
    EXPECT_EQ(Format(2'958'465.5, ConventionsFromStrftime("%d/%m/%Y", "%T", "", "")).Date, "31/12/9999");
}
