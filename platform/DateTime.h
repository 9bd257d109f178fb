// Dates as day numbers from 1899-12-30 (proleptic Gregorian, years 1..9999),
// the time of day as the fraction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FormatSettings.h"

namespace ostrane {

struct DateParts {
    int Year = 0, Month = 0, Day = 0;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Day number of a calendar date; throws EConvertError "Invalid argument to
// date encode" outside years 1..9999 or for a day the month does not have.
double EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, double& result);
// Time of day as a fraction; no range check beyond the caller's.
double EncodeTime(int hour, int minute, int second, int millisecond);
// Day number of a date counted from 0001-01-01 = day 1 (for the reader).
std::int64_t DaysFromCivil(int year, int month, int day);

// Splits a date-time into its parts: the value is rounded to whole
// milliseconds (ties to even); the day keeps its sign, the time of day is
// taken from the magnitude.  Returns false outside years 1..9999: the date
// parts are then 0 (the time parts are still filled for finite values up to
// 1e7 days; all parts are 0 for NaN and infinities).
bool DecodeDateTime(double value, DateParts& parts);

// The parts that the text of a date-time shows: the time of day rounded to
// whole seconds (half a second up), a rounding into the next day moving the
// date.  Returns false (all parts 0) outside years 1..9999, for NaN and for
// infinities.
bool DecodeDateTimeToSeconds(double value, DateParts& parts);

// Formats a date-time by a pattern (d dd m mm mmm mmmm yy yyyy h hh n nn s ss
// ampm; "/" and ":" give the settings' separators; text in quotes is copied).
// Letters match in any case; also ddd/dddd (English weekday names), ddddd and
// c (short date, c adding the long time when not midnight), t (long time),
// z/zzz (milliseconds), am/pm and a/p.  "m" is always the month.  Hours are
// on the 12-hour clock when the pattern holds an AM/PM token.  The parts come
// from DecodeDateTime (milliseconds rounded, date parts 0 out of range).
void AppendFormattedDateTime(std::string& out, std::string_view pattern, double value,
                             const FormatSettings& settings);

// Value to text of a date-time: short date, a blank and the long time when
// the time of day is not zero; time alone when the day part is zero and the
// time is not (0 itself is the date 1899-12-30).  A
// value outside years 1..9999 is written as its serial number.
void AppendDateTimeText(std::string& out, double value, const FormatSettings& settings);

// The text AppendDateTimeText writes for the day number of a calendar date
// (years 1..9999), written from its parts when the short date pattern is
// made of numbers and fixed texts only.
void AppendDateText(std::string& out, int year, int month, int day, const FormatSettings& settings);

// The local clock as a date-time, and the local year.
double CurrentDateTime();
int CurrentYear();

} // namespace ostrane
