#include "model/DateTime.h"

#include "model/TextRules.h"

#include <cmath>
#include <cstdint>

namespace korvo {

namespace {

    constexpr std::int64_t MillisecondsPerDay = 24LL * 60 * 60 * 1000;

    // Days from 0001-01-01 to the given date of the proleptic Gregorian calendar.
    std::int64_t DaysFromCivil(int year, int month, int day)
    {
        const std::int64_t y = month <= 2 ? year - 1 : year;
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const std::int64_t yoe = y - era * 400;
        const std::int64_t mp = (month + 9) % 12;
        const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468; // days since 1970-01-01
    }

    void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
    {
        z += 719468;
        const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    }

    const std::int64_t EpochDays = DaysFromCivil(1899, 12, 30);

} // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static constexpr int Days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

bool TryEncodeDateTime(const DateTimeParts& p, TDateTime& result)
{
    if (p.Year < 1 || p.Year > 9999 || p.Month < 1 || p.Month > 12 || p.Day < 1 || p.Day > DaysInMonth(p.Year, p.Month))
        return false;
    if (p.Hour < 0 || p.Hour > 23 || p.Minute < 0 || p.Minute > 59 || p.Second < 0 || p.Second > 59 || p.Millisecond < 0
        || p.Millisecond > 999)
        return false;
    const std::int64_t days = DaysFromCivil(p.Year, p.Month, p.Day) - EpochDays;
    const std::int64_t ms = ((p.Hour * 60LL + p.Minute) * 60 + p.Second) * 1000 + p.Millisecond;
    // Days before the epoch still add the time of day, so the numeric order stays the
    // chronological order on both sides of it.
    result = static_cast<double>(days) + static_cast<double>(ms) / MillisecondsPerDay;
    return true;
}

DateTimeParts DecodeDateTime(TDateTime value)
{
    DateTimeParts parts;
    if (!std::isfinite(value))
        return parts;
    const std::int64_t total = std::llround(value * MillisecondsPerDay);
    std::int64_t days = total / MillisecondsPerDay;
    std::int64_t ms = total % MillisecondsPerDay;
    if (ms < 0) {
        ms += MillisecondsPerDay;
        --days;
    }
    CivilFromDays(days + EpochDays, parts.Year, parts.Month, parts.Day);
    parts.Millisecond = static_cast<int>(ms % 1000);
    parts.Second = static_cast<int>(ms / 1000 % 60);
    parts.Minute = static_cast<int>(ms / 60000 % 60);
    parts.Hour = static_cast<int>(ms / 3600000);
    return parts;
}

std::string FormatListDate(TDateTime value)
{
    const DateTimeParts p = DecodeDateTime(value);
    std::string result = ZeroPadded(p.Day, 2) + "." + ZeroPadded(p.Month, 2) + "." + ZeroPadded(p.Year, 4) + " "
        + ZeroPadded(p.Hour, 2) + ":" + ZeroPadded(p.Minute, 2);
    if (result.size() > 19)
        result.resize(19);
    return result;
}

} // namespace korvo
