#pragma once

// Dates and times as a count of days since 30 December 1899 with the time of day as fraction,
// so that two values compare as numbers (later is larger).

#include <string>

namespace korvo {

using TDateTime = double;

struct DateTimeParts {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// False when the parts do not form a valid date and time (years 1 to 9999, month 1 to 12, a day
// of that month, hours 0 to 23, minutes and seconds 0 to 59, milliseconds 0 to 999).
bool TryEncodeDateTime(const DateTimeParts& parts, TDateTime& result);

// The calendar parts of a value, to the nearest millisecond.
DateTimeParts DecodeDateTime(TDateTime value);

// "dd.mm.yyyy hh:nn", the form in which the image list shows a date.
std::string FormatListDate(TDateTime value);

} // namespace korvo
