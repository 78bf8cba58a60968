// Dates, times, the local clock and the millisecond tick count.
// A TDateTime counts days since 30 December 1899 00:00; the fraction is the time of day. Before that
// day the whole part is negative and the fraction still counts forward (-1.25 is 29 December 1899 06:00).
#pragma once

#include <functional>
#include <string>

#include "platform/SysUtils.h"

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerDay = HoursPerDay * 60;
constexpr Integer SecsPerDay = MinsPerDay * 60;
constexpr Integer MSecsPerDay = SecsPerDay * 1000;
constexpr TDateTime UnixDateDelta = 25569.0;  // 1 January 1970

void GetLocalTime(TSystemTime& St);
void GetSystemTime(TSystemTime& St);  // UTC, always from the real clock
// Replaces the local clock (GetLocalTime, Now, Date, Time) until called with an empty function, so
// that code depending on the day or the second can be tried at any moment.
void SetLocalTimeSource(std::function<TSystemTime()> Source);

bool IsLeapYear(Word Year);
Word DaysInAMonth(Word Year, Word Month);  // 0 for a month outside 1..12

// Years 1..9999. The Encode forms raise EConvertError on a value out of range.
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Result);
TDateTime EncodeDate(Word Year, Word Month, Word Day);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Result);  // Hour < 24
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
// Decoding rounds to the nearest millisecond; a time that rounds up to midnight belongs to the next day.
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
void DateTimeToSystemTime(TDateTime DateTime, TSystemTime& St);
TDateTime SystemTimeToDateTime(const TSystemTime& St);  // wDayOfWeek is ignored
Integer DayOfWeek(TDateTime Date);                         // 1 = Sunday ... 7 = Saturday

TDateTime Now();
TDateTime Date();  // today at 00:00
TDateTime Time();  // the time of day alone

// The class library's pattern letters: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes right after
// an hour), yy yyyy, h hh, n nn, s ss, z zzz, t tt, c, am/pm ampm a/p (the hour then counts 1..12),
// '/' and ':' as the separators of FormatSettings, and text in single or double quotes.
std::string FormatDateTime(const std::string& Format, TDateTime DateTime);
std::string DateToStr(TDateTime Date);          // ShortDateFormat
std::string TimeToStr(TDateTime Time);          // LongTimeFormat
std::string DateTimeToStr(TDateTime DateTime);  // "c"

namespace platform_detail {
// The local clock's reading of a moment given as seconds and nanoseconds since 1970 (UTC).
TSystemTime LocalSystemTime(Int64 Seconds, long Nanoseconds);
}  // namespace platform_detail

// Milliseconds since an arbitrary start, never going back; the 32-bit count wraps after 49.7 days.
DWORD GetTickCount();
Int64 GetTickCount64();
