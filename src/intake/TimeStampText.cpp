#include "intake/TimeStampText.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <langinfo.h>
#include <string_view>

namespace vireo {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
constexpr int64_t kFirstDay = -693'593; // 1 January 0001
constexpr int64_t kLastDay = 2'958'465; // 31 December 9999

const char* const kEnglishMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
const char* const kEnglishDays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

struct CivilDate {
    int64_t Year;
    int Month; // 1..12
    int Day;   // 1..31
    int WeekDay; // 0 Sunday .. 6 Saturday
};

// Proleptic Gregorian date of a day counted from 30 December 1899.
CivilDate CivilFromAutomationDay(int64_t day)
{
    const int64_t z = day - 25'569 + 719'468; // days since 1 March 0000
    const int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const int64_t doe = z - era * 146'097;
    const int64_t yoe = (doe - doe / 1'460 + doe / 36'524 - doe / 146'096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int dayOfMonth = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    const int weekDay = static_cast<int>(((day % 7) + 7 + 6) % 7); // day 0 was a Saturday
    return {year, month, dayOfMonth, weekDay};
}

void AppendNumber(std::string& out, int64_t value, int minDigits)
{
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (auto i = end - digits; i < minDigits; ++i)
        out += '0';
    out.append(digits, static_cast<std::size_t>(end - digits));
}

const std::string& NameOr(const std::string& name, const std::string& fallback)
{
    return name.empty() ? fallback : name;
}

int RunLength(std::string_view text, std::size_t at)
{
    const char lower = static_cast<char>(text[at] | 0x20);
    std::size_t end = at;
    while (end < text.size() && static_cast<char>(text[end] | 0x20) == lower)
        ++end;
    return static_cast<int>(end - at);
}

std::string FormatDate(const CivilDate& date, const TimeConventions& c)
{
    const std::string_view format = c.ShortDateFormat.empty() ? std::string_view("m/d/yy") : c.ShortDateFormat;
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        const char ch = format[i];
        const char lower = static_cast<char>(ch | 0x20);
        if (ch == '"' || ch == '\'') {
            const std::size_t close = format.find(ch, i + 1);
            const std::size_t end = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (ch == '/') {
            out += c.DateSeparator;
            ++i;
            continue;
        }
        if (lower != 'd' && lower != 'm' && lower != 'y') {
            out += ch;
            ++i;
            continue;
        }
        const int run = RunLength(format, i);
        i += static_cast<std::size_t>(run);
        if (lower == 'y') {
            if (run <= 2)
                AppendNumber(out, date.Year % 100, 2);
            else
                AppendNumber(out, date.Year, 4);
        } else if (lower == 'm') {
            const int m = date.Month - 1;
            if (run <= 2)
                AppendNumber(out, date.Month, run);
            else if (run == 3)
                out += NameOr(c.MonthShortNames[m], std::string(kEnglishMonths[m], 3));
            else
                out += NameOr(c.MonthNames[m], kEnglishMonths[m]);
        } else {
            const int w = date.WeekDay;
            if (run <= 2)
                AppendNumber(out, date.Day, run);
            else if (run == 3)
                out += NameOr(c.DayShortNames[w], std::string(kEnglishDays[w], 3));
            else
                out += NameOr(c.DayNames[w], kEnglishDays[w]);
        }
    }
    return out;
}

std::string FormatTime(int64_t msOfDay, const TimeConventions& c)
{
    const int64_t seconds = msOfDay / 1000;
    const int64_t hour = seconds / 3600;
    std::string marker;
    int64_t shownHour = hour;
    if (c.TwelveHourClock) {
        marker = hour < 12 ? NameOr(c.AmString, "am") : NameOr(c.PmString, "pm");
        shownHour = hour % 12 == 0 ? 12 : hour % 12;
    }
    std::string out;
    if (c.TwelveHourClock && c.MarkerFirst)
        out += marker + ' ';
    AppendNumber(out, shownHour, c.HourLeadingZero ? 2 : 1);
    out += c.TimeSeparator;
    AppendNumber(out, (seconds / 60) % 60, 2);
    out += c.TimeSeparator;
    AppendNumber(out, seconds % 60, 2);
    if (c.TwelveHourClock && !c.MarkerFirst)
        out += ' ' + marker;
    return out;
}

// strftime conversions of date formats, as the tokens they stand for.
std::string_view DateToken(char conversion)
{
    switch (conversion) {
    case 'd': return "dd";
    case 'e': return "d";
    case 'm': return "mm";
    case 'y': return "yy";
    case 'Y': return "yyyy";
    case 'b':
    case 'h': return "mmm";
    case 'B': return "mmmm";
    case 'a': return "ddd";
    case 'A': return "dddd";
    default: return {};
    }
}

std::string ExpandStrftimeShorthands(const std::string& format)
{
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        const char conversion = format[++i];
        switch (conversion) {
        case 'D': out += "%m/%d/%y"; break;
        case 'F': out += "%Y-%m-%d"; break;
        case 'T': out += "%H:%M:%S"; break;
        case 'R': out += "%H:%M"; break;
        case 'r': out += "%I:%M:%S %p"; break;
        default: out += '%'; out += conversion;
        }
    }
    return out;
}

void ReadDateFormat(const std::string& strftimeFormat, TimeConventions& c)
{
    const std::string format = ExpandStrftimeShorthands(strftimeFormat);
    std::string separator;
    std::string literal;
    std::string tokens;
    auto flushLiteral = [&] {
        if (literal.empty())
            return;
        if (separator.empty() && !tokens.empty() && literal != " ")
            separator = literal;
        if (literal == separator)
            tokens += '/';
        else
            tokens += '"' + literal + '"';
        literal.clear();
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            char conversion = format[++i];
            if ((conversion == '-' || conversion == '_' || conversion == '0') && i + 1 < format.size())
                conversion = format[++i] == 'd' ? 'e' : format[i];
            const std::string_view token = DateToken(conversion);
            if (token.empty()) {
                literal += '%';
                literal += conversion;
                continue;
            }
            flushLiteral();
            tokens += token;
        } else {
            literal += format[i];
        }
    }
    flushLiteral();
    c.ShortDateFormat = tokens;
    c.DateSeparator = separator.empty() ? "/" : separator;
}

void ReadTimeFormat(const std::string& strftimeFormat, TimeConventions& c)
{
    const std::string format = ExpandStrftimeShorthands(strftimeFormat);
    std::size_t hourAt = std::string::npos;
    std::size_t markerAt = std::string::npos;
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        const char conversion = format[i + 1];
        if (hourAt == std::string::npos && std::string_view("HIkl").find(conversion) != std::string_view::npos) {
            hourAt = i;
            c.HourLeadingZero = conversion == 'H' || conversion == 'I';
            c.TwelveHourClock = conversion == 'I' || conversion == 'l';
        }
        if (markerAt == std::string::npos && (conversion == 'p' || conversion == 'P'))
            markerAt = i;
        ++i;
    }
    if (hourAt != std::string::npos) {
        const std::size_t from = hourAt + 2;
        const std::size_t to = format.find('%', from);
        const std::string between = format.substr(from, to == std::string::npos ? std::string::npos : to - from);
        if (!between.empty())
            c.TimeSeparator = between;
    }
    c.MarkerFirst = markerAt != std::string::npos && hourAt != std::string::npos && markerAt < hourAt;
}

} // namespace

TimeConventions ConventionsFromStrftime(const std::string& dateFormat, const std::string& timeFormat,
                                        const std::string& am, const std::string& pm)
{
    TimeConventions c;
    if (!dateFormat.empty())
        ReadDateFormat(dateFormat, c);
    if (!timeFormat.empty())
        ReadTimeFormat(timeFormat, c);
    if (!am.empty())
        c.AmString = am;
    if (!pm.empty())
        c.PmString = pm;
    return c;
}

const TimeConventions& LocaleTimeConventions::Current()
{
    const char* localeName = std::setlocale(LC_TIME, nullptr);
    const std::string dateFormat = nl_langinfo(D_FMT);
    const std::string timeFormat = nl_langinfo(T_FMT);
    std::string key = localeName ? localeName : "";
    key += '\n' + dateFormat + '\n' + timeFormat;
    if (key == lastKey_)
        return conventions_;
    conventions_ = ConventionsFromStrftime(dateFormat, timeFormat, nl_langinfo(AM_STR), nl_langinfo(PM_STR));
    for (int m = 0; m < 12; ++m) {
        conventions_.MonthNames[m] = nl_langinfo(static_cast<nl_item>(MON_1 + m));
        conventions_.MonthShortNames[m] = nl_langinfo(static_cast<nl_item>(ABMON_1 + m));
    }
    for (int d = 0; d < 7; ++d) {
        conventions_.DayNames[d] = nl_langinfo(static_cast<nl_item>(DAY_1 + d));
        conventions_.DayShortNames[d] = nl_langinfo(static_cast<nl_item>(ABDAY_1 + d));
    }
    lastKey_ = std::move(key);
    return conventions_;
}

namespace {

struct DayAndMs {
    int64_t Day;
    int64_t MsOfDay;
};

// Splits an automation date into its whole day and the millisecond of that day, rounded.
DayAndMs SplitTimeStamp(double automationDate)
{
    if (!std::isfinite(automationDate))
        throw TimeStampError("Invalid time stamp: not a number");
    if (automationDate < static_cast<double>(kFirstDay - 1) || automationDate > static_cast<double>(kLastDay + 1))
        throw TimeStampError("Time stamp outside the years 1 to 9999");
    // The whole days count from 30 December 1899; the fraction, taken without its sign, is the
    // time of day, so -1.25 stands for 29 December 1899, 6:00.
    int64_t day = static_cast<int64_t>(std::trunc(automationDate));
    int64_t msOfDay = std::llround(std::fabs(automationDate - static_cast<double>(day)) * kMsPerDay);
    if (msOfDay >= kMsPerDay) {
        msOfDay -= kMsPerDay;
        ++day;
    }
    if (day < kFirstDay || day > kLastDay)
        throw TimeStampError("Time stamp outside the years 1 to 9999");
    return {day, msOfDay};
}

} // namespace

TimeStampTexts FormatTimeStamp(double automationDate, const TimeConventions& conventions)
{
    const DayAndMs stamp = SplitTimeStamp(automationDate);
    return {FormatDate(CivilFromAutomationDay(stamp.Day), conventions), FormatTime(stamp.MsOfDay, conventions)};
}

int TimeStampMillisecond(double automationDate)
{
    return static_cast<int>(SplitTimeStamp(automationDate).MsOfDay % 1000);
}

std::string FormatIsoTimeStamp(double automationDate)
{
    const DayAndMs stamp = SplitTimeStamp(automationDate);
    const CivilDate date = CivilFromAutomationDay(stamp.Day);
    std::string text;
    text.reserve(23);
    AppendNumber(text, date.Year, 4);
    text += '-';
    AppendNumber(text, date.Month, 2);
    text += '-';
    AppendNumber(text, date.Day, 2);
    text += 'T';
    AppendNumber(text, stamp.MsOfDay / 3'600'000, 2);
    text += ':';
    AppendNumber(text, stamp.MsOfDay / 60'000 % 60, 2);
    text += ':';
    AppendNumber(text, stamp.MsOfDay / 1000 % 60, 2);
    text += '.';
    AppendNumber(text, stamp.MsOfDay % 1000, 3);
    return text;
}

} // namespace vireo
