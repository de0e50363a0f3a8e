#include "calendar.h"

namespace rhsgen::detail {

// Days from civil (proleptic Gregorian), after H. Hinnant's algorithms.
long serial_day(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Date civil_date(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

int iso_weekday(long serial) {
  // 1 January 1970 was a Thursday (3).
  long w = (serial + 3) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w);
}

long iso_week_monday(int year, int week) {
  const long jan4 = serial_day(year, 1, 4);
  return jan4 - iso_weekday(jan4) + 7L * (week - 1);
}

IsoWeek iso_week(long serial) {
  const long thursday = serial - iso_weekday(serial) + 3;
  const int year = civil_date(thursday).year;
  const long week1 = iso_week_monday(year, 1);
  return {year, static_cast<int>((serial - week1) / 7 + 1)};
}

void put_date(char* out, long serial) {
  const Date d = civil_date(serial);
  const int parts[3] = {d.day, d.month, d.year};
  out[0] = static_cast<char>('0' + parts[0] / 10);
  out[1] = static_cast<char>('0' + parts[0] % 10);
  out[2] = static_cast<char>('0' + parts[1] / 10);
  out[3] = static_cast<char>('0' + parts[1] % 10);
  int y = parts[2];
  for (int i = 7; i >= 4; --i) {
    out[i] = static_cast<char>('0' + y % 10);
    y /= 10;
  }
}

long avoid_early_january(long serial) {
  const Date d = civil_date(serial);
  if (d.month == 1 && iso_week(serial).year != d.year) return iso_week_monday(d.year, 1);
  return serial;
}

}  // namespace rhsgen::detail
