#include "chaining/pseudo_date.h"

#include "common/fields.h"
#include "common/format.h"

namespace chaining {
namespace {

constexpr int kDaysBefore[2][12] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};

bool is_leap(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Leap years from year 1 up to y (y >= 0).
long leaps_through(long y) { return y / 4 - y / 100 + y / 400; }

std::int16_t day_number(long d, long m, long y) {
  long n = 0;
  if (y > 1980) n = 365 * (y - 1980) + leaps_through(y - 1) - leaps_through(1979);
  // A month outside 1..12 (a damaged date) adds no days rather than reading
  // outside the table.
  if (m >= 1 && m <= 12) n += kDaysBefore[is_leap(y) ? 1 : 0][m - 1];
  n += d;
  return static_cast<std::int16_t>(n);
}

}  // namespace

int anonymous_sum(std::string_view anonymous_number) {
  int s = 0;
  for (char c : anonymous_number) s += static_cast<signed char>(c);
  return s;
}

int positive_remainder(int s, int d) {
  int r = s % d;
  return r < 0 ? r + d : r;
}

std::string pseudo_date(int sum, int stay_year) {
  int day = positive_remainder(sum, 27) + 1;
  int month = positive_remainder(sum, 11) + 1;
  int year = stay_year - positive_remainder(sum, 24) - 1;
  return pmsi::format("%02d%02d%4d", day, month, year);
}

std::int16_t day_number_1980(std::string_view ddmmyyyy) {
  long d = pmsi::read_atoi(pmsi::field(ddmmyyyy, 0, 2));
  long m = pmsi::read_atoi(pmsi::field(ddmmyyyy, 2, 2));
  long y = pmsi::read_atoi(pmsi::field(ddmmyyyy, 4, 4));
  return day_number(d, m, y);
}

std::string day_count(std::string_view first_monday, int stay_year, std::string_view anonymous_number) {
  if (first_monday.size() == 8 && pmsi::is_blank(first_monday)) return "XXXX";
  int sum = anonymous_sum(anonymous_number);
  int pseudo_year = stay_year - positive_remainder(sum, 24) - 1;
  // The pseudo date is counted as its "%02d%02d%4d" text reads back; its day
  // and month always take 2 digits, and its year reads back unchanged while
  // "%4d" gives 4 characters.
  std::int16_t pseudo =
      pseudo_year >= -999 && pseudo_year <= 9999
          ? day_number(positive_remainder(sum, 27) + 1, positive_remainder(sum, 11) + 1, pseudo_year)
          : day_number_1980(pseudo_date(sum, stay_year));
  int days = day_number_1980(first_monday) - pseudo;
  if (days >= 0 && days <= 9999) {
    std::string out(4, '0');
    for (int i = 3; i >= 0; --i, days /= 10) out[static_cast<std::size_t>(i)] = static_cast<char>('0' + days % 10);
    return out;
  }
  return pmsi::format("%04d", days);
}

}  // namespace chaining
