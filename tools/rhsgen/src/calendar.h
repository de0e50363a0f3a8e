#pragma once
// Integer calendar of the generator: serial days, civil dates and ISO weeks.
// Day 0 is 1 January 1970; only the years 1900 to 2100 are used.
#include <string>

namespace rhsgen::detail {

struct Date {
  int year, month, day;
};

long serial_day(int year, int month, int day);
Date civil_date(long serial);
int iso_weekday(long serial);  // 0 Monday ... 6 Sunday

struct IsoWeek {
  int year, week;
  long code() const { return year * 100L + week; }
};
IsoWeek iso_week(long serial);
long iso_week_monday(int year, int week);  // serial day of the Monday

// Writes DDMMYYYY (8 characters, no NUL) at out.
void put_date(char* out, long serial);

// The grouper reads a date that lies before week 1 of its year as week 53 of
// the previous year, even when that year had 52 weeks; such dates would make
// a valid stay fail the week controls. Moves such a date to the Monday of week
// 1 of its year; other dates stay.
long avoid_early_january(long serial);

}  // namespace rhsgen::detail
