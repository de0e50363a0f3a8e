// Date helpers on DDMMYYYY texts and WWYYYY week fields.
#include <algorithm>
#include <cstdio>

#include "common/fields.h"
#include "grouper/rhs.h"

namespace grouper {

namespace {

bool is_leap(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int month_length(long y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && is_leap(y) ? 29 : kDays[m - 1];
}

long floor_div(long a, long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// days_from_civil); month is brought into 1-12 first so that any field
// values give a number.
long days_from_civil(long y, long m, long d) {
  if (m < 1 || m > 12) {  // the floor divisions are only needed off the usual range
    y += floor_div(m - 1, 12);
    m = m - 12 * floor_div(m - 1, 12);
  }
  y -= m <= 2;
  const long era = y >= 0 ? y / 400 : floor_div(y, 400);
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Ymd civil_from_days(long z) {
  z += 719468;
  const long era = floor_div(z, 146097);
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long y = yoe + era * 400;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long d = doy - (153 * mp + 2) / 5 + 1;
  const long m = mp + (mp < 10 ? 3 : -9);
  return Ymd{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

int weekday_of_day_number(long dn) {  // 1970-01-01 was a Thursday (4)
  return static_cast<int>(((dn % 7) + 7 + 4) % 7);
}

// Monday of ISO week 1 of a year: 1 January shifted by 0 (Monday), -1
// (Tuesday), -2, -3 (Thursday), +3 (Friday), +2, +1 (Sunday).
long week1_monday(long year) {
  static constexpr int kShift[7] = {+1, 0, -1, -2, -3, +3, +2};  // by weekday, Sunday first
  const long jan1 = days_from_civil(year, 1, 1);
  return jan1 + kShift[weekday_of_day_number(jan1)];
}

}  // namespace

Ymd parse_date(std::string_view ddmmyyyy) {
  // Eight digits, the usual case, read directly; atoi semantics otherwise.
  if (ddmmyyyy.size() == 8 &&
      std::all_of(ddmmyyyy.begin(), ddmmyyyy.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const auto num = [&](std::size_t at, std::size_t n) {
      int v = 0;
      for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (ddmmyyyy[i] - '0');
      return v;
    };
    return Ymd{num(4, 4), num(2, 2), num(0, 2)};
  }
  return Ymd{static_cast<int>(pmsi::read_atoi(pmsi::field(ddmmyyyy, 4, 4))),
             static_cast<int>(pmsi::read_atoi(pmsi::field(ddmmyyyy, 2, 2))),
             static_cast<int>(pmsi::read_atoi(pmsi::field(ddmmyyyy, 0, 2)))};
}

bool is_valid_date(const Ymd& d) {
  return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= month_length(d.year, d.month);
}

bool is_valid_date(std::string_view ddmmyyyy) { return is_valid_date(parse_date(ddmmyyyy)); }

long day_number(const Ymd& d) { return days_from_civil(d.year, d.month, d.day); }

long day_number(std::string_view ddmmyyyy) { return day_number(parse_date(ddmmyyyy)); }

int day_of_week(const Ymd& d) { return weekday_of_day_number(day_number(d)); }

long week_code(const Ymd& d) {
  const long dn = day_number(d);
  const long monday1 = week1_monday(d.year);
  if (dn < monday1) return (static_cast<long>(d.year) - 1) * 100 + 53;
  const long week = (dn - monday1) / 7 + 1;
  if (week == 53) {
    const int next_jan1 = weekday_of_day_number(days_from_civil(d.year + 1L, 1, 1));
    if (next_jan1 >= 1 && next_jan1 <= 4) return (static_cast<long>(d.year) + 1) * 100 + 1;
  }
  return static_cast<long>(d.year) * 100 + week;
}

long week_code(std::string_view ddmmyyyy) { return week_code(parse_date(ddmmyyyy)); }

std::string week_monday(std::string_view wwyyyy) {
  const long week = pmsi::read_atoi(pmsi::field(wwyyyy, 0, 2));
  const long year = pmsi::read_atoi(pmsi::field(wwyyyy, 2, 4));
  const Ymd m = civil_from_days(week1_monday(year) + 7 * (week - 1));
  if (m.day >= 0 && m.day <= 99 && m.month >= 0 && m.month <= 99 && m.year >= 0 && m.year <= 9999) {
    // "%02d%02d%04d" without the cost of snprintf.
    std::string text(8, '0');
    text[0] = static_cast<char>('0' + m.day / 10);
    text[1] = static_cast<char>('0' + m.day % 10);
    text[2] = static_cast<char>('0' + m.month / 10);
    text[3] = static_cast<char>('0' + m.month % 10);
    for (int i = 7, y = m.year; i >= 4; --i, y /= 10) text[static_cast<std::size_t>(i)] = static_cast<char>('0' + y % 10);
    return text;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d%02d%04d", m.day, m.month, m.year);
  return buf;
}

long week_field_code(std::string_view wwyyyy) {
  char code[6] = {' ', ' ', ' ', ' ', ' ', ' '};
  const std::string_view year = pmsi::field(wwyyyy, 2, 4);
  const std::string_view week = pmsi::field(wwyyyy, 0, 2);
  const std::size_t y = std::min<std::size_t>(year.size(), 4);
  const std::size_t w = std::min<std::size_t>(week.size(), 2);
  year.copy(code, y);
  week.copy(code + y, w);
  if (w > 0 && code[y] == ' ') code[y] = '0';
  return pmsi::read_atoi(std::string_view(code, y + w));
}

int week_field_number(std::string_view wwyyyy) {
  char week[2] = {' ', ' '};
  const std::string_view f = pmsi::field(wwyyyy, 0, 2);
  for (std::size_t i = 0; i < f.size(); ++i) week[i] = f[i];
  if (week[0] == ' ') week[0] = '0';
  return static_cast<int>(pmsi::read_atoi(std::string_view(week, f.size())));
}

}  // namespace grouper
