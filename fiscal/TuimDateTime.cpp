#include "fiscal/TuimDateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "fiscal/TuimException.h"

namespace tuim {
namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian), H. Hinnant's algorithm.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr std::int64_t kUnixEpochDays = 25569;  // 1970-01-01 as TDateTime

// Split into whole days and milliseconds of the day; negative values keep a positive time
// part, as the platform's date type does.
void Split(TDateTime dt, std::int64_t& days, std::int64_t& ms) {
  double whole = std::trunc(dt);
  double frac = std::fabs(dt - whole);
  days = static_cast<std::int64_t>(whole);
  ms = static_cast<std::int64_t>(std::llround(frac * MSecsPerDay));
  if (ms >= 86400000) {
    ms -= 86400000;
    days += dt < 0 ? -1 : 1;
  }
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDays);
  return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    return false;
  out = (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) throw ETuimDFeException("Data inválida");
  return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime r;
  if (!TryEncodeTime(hour, min, sec, msec, r)) throw ETuimDFeException("Hora inválida");
  return r;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& out) {
  TDateTime d, t;
  if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, min, sec, msec, t)) return false;
  out = d >= 0 ? d + t : d - t;
  return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
  TDateTime r;
  if (!TryEncodeDateTime(year, month, day, hour, min, sec, msec, r))
    throw ETuimDFeException("Data/hora inválida");
  return r;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  std::int64_t days, ms;
  Split(dt, days, ms);
  CivilFromDays(days - kUnixEpochDays, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
  std::int64_t days, ms;
  Split(dt, days, ms);
  msec = static_cast<int>(ms % 1000);
  ms /= 1000;
  sec = static_cast<int>(ms % 60);
  ms /= 60;
  min = static_cast<int>(ms % 60);
  hour = static_cast<int>(ms / 60);
}

void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec) {
  DecodeDate(dt, year, month, day);
  DecodeTime(dt, hour, min, sec, msec);
}

int DayOfWeek(TDateTime dt) {
  std::int64_t days, ms;
  Split(dt, days, ms);
  // 1899-12-30 was a Saturday (7).
  std::int64_t r = (days + 6) % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

int YearOf(TDateTime dt) { int y, m, d; DecodeDate(dt, y, m, d); return y; }
int MonthOf(TDateTime dt) { int y, m, d; DecodeDate(dt, y, m, d); return m; }
int DayOf(TDateTime dt) { int y, m, d; DecodeDate(dt, y, m, d); return d; }

TDateTime DateOf(TDateTime dt) {
  std::int64_t days, ms;
  Split(dt, days, ms);
  return static_cast<double>(days);
}

TDateTime TimeOf(TDateTime dt) {
  std::int64_t days, ms;
  Split(dt, days, ms);
  return ms / MSecsPerDay;
}

TDateTime IncDay(TDateTime dt, int days) { return dt + days; }

TDateTime IncMonth(TDateTime dt, int months) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  int total = y * 12 + (m - 1) + months;
  y = total / 12;
  m = total % 12 + 1;
  d = std::min(d, DaysInMonth(y, m));
  TDateTime r = EncodeDate(y, m, d);
  return r + TimeOf(dt);
}

namespace {
TDateTime FromTm(const std::tm& tm, int msec) {
  TDateTime r = 0;
  TryEncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                    tm.tm_sec > 59 ? 59 : tm.tm_sec, msec, r);
  return r;
}
}  // namespace

TDateTime Now() {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  std::time_t t = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  localtime_r(&t, &tm);
  return FromTm(tm, static_cast<int>(ms % 1000));
}

TDateTime Today() { return DateOf(Now()); }

TDateTime NowUTC() {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return MSecsToDateTime(ms + kUnixEpochDays * 86400000LL);
}

std::int64_t DateTimeToMSecs(TDateTime dt) {
  std::int64_t days, ms;
  Split(dt, days, ms);
  return days * 86400000LL + (dt < 0 ? -ms : ms);
}

TDateTime MSecsToDateTime(std::int64_t ms) {
  std::int64_t days = ms / 86400000LL;
  std::int64_t rest = ms % 86400000LL;
  if (rest < 0) return static_cast<double>(days) - (-rest) / MSecsPerDay;
  return static_cast<double>(days) + rest / MSecsPerDay;
}

TDateTime UnixToDateTime(std::int64_t secs) {
  return MSecsToDateTime((secs + kUnixEpochDays * 86400LL) * 1000LL);
}

std::int64_t DateTimeToUnix(TDateTime dt) {
  std::int64_t ms = DateTimeToMSecs(dt) - kUnixEpochDays * 86400000LL;
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

}  // namespace tuim
