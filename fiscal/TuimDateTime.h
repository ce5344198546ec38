#pragma once
#include <cstdint>

namespace tuim {

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
// Raise ETuimDFeException for an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec = 0);
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& out);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec = 0);

void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime dt);
int YearOf(TDateTime dt);
int MonthOf(TDateTime dt);
int DayOf(TDateTime dt);

TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);
TDateTime IncDay(TDateTime dt, int days);
TDateTime IncMonth(TDateTime dt, int months);  // the day is clamped to the month's length

// Local wall-clock time of the operating system, and UTC.
TDateTime Now();
TDateTime Today();
TDateTime NowUTC();

// Whole milliseconds since the epoch of TDateTime, rounded; used to compare and order.
std::int64_t DateTimeToMSecs(TDateTime dt);
TDateTime MSecsToDateTime(std::int64_t ms);

// Unix seconds (UTC) <-> TDateTime (UTC).
TDateTime UnixToDateTime(std::int64_t secs);
std::int64_t DateTimeToUnix(TDateTime dt);

}  // namespace tuim
