#pragma once

#include <stdexcept>
#include <string>

namespace vireo {

// The locale's time conventions that shape a message's date and time texts.
struct TimeConventions {
    std::string ShortDateFormat;   // tokens d dd ddd dddd m mm mmm mmmm yy yyyy, "/" for the separator; empty: "m/d/yy"
    std::string DateSeparator = "/";
    std::string TimeSeparator = ":";
    bool HourLeadingZero = false;  // "hh" rather than "h"
    bool TwelveHourClock = false;  // an AM/PM marker is shown
    bool MarkerFirst = false;      // the marker stands before the hour
    std::string AmString = "am";
    std::string PmString = "pm";
    std::string MonthNames[12];      // long month names for "mmmm"; empty ones fall back to English
    std::string MonthShortNames[12]; // short month names for "mmm"
    std::string DayNames[7];         // long day names for "dddd", Sunday first
    std::string DayShortNames[7];    // short day names for "ddd", Sunday first

    friend bool operator==(const TimeConventions&, const TimeConventions&) = default;
};

// Where the current time conventions come from; tests replace it with fixed settings.
class ITimeConventions {
public:
    virtual ~ITimeConventions() = default;
    // The conventions in force now.
    virtual const TimeConventions& Current() = 0;
};

// The process locale's conventions (LC_TIME), read anew on every call; the system's defaults
// stand where the locale gives none.
class LocaleTimeConventions : public ITimeConventions {
public:
    const TimeConventions& Current() override;

private:
    std::string lastKey_;
    TimeConventions conventions_;
};

// Builds conventions from strftime-style date and time formats and the AM/PM strings.
TimeConventions ConventionsFromStrftime(const std::string& dateFormat, const std::string& timeFormat,
                                        const std::string& am, const std::string& pm);

// A time stamp that cannot be shown as a date between year 1 and year 9999.
class TimeStampError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The date text and time text of an automation date (days since 30 December 1899, the fraction
// the time of day).
struct TimeStampTexts {
    std::string Date;
    std::string Time;
};

// Formats an automation date; throws TimeStampError for NaN, infinities and dates outside
// years 1 to 9999.
TimeStampTexts FormatTimeStamp(double automationDate, const TimeConventions& conventions);

// The millisecond (0 to 999) within the second that FormatTimeStamp's time text shows, rounded
// as it rounds; throws TimeStampError where it does.
int TimeStampMillisecond(double automationDate);

// The time stamp as ISO 8601 local time with milliseconds ("2026-12-08T11:05:50.123"), rounded
// as FormatTimeStamp rounds; throws TimeStampError where it does.
std::string FormatIsoTimeStamp(double automationDate);

} // namespace vireo
