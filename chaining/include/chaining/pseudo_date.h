#pragma once
// The anonymised day count of a chaining line: the days from a pseudo date,
// drawn from the patient's anonymous number, to the stay's first Monday.
#include <cstdint>
#include <string>
#include <string_view>

namespace chaining {

// Sum of the character codes of the anonymous number, each taken as a
// signed 8-bit value.
int anonymous_sum(std::string_view anonymous_number);

// Remainder of s / d truncated toward zero, brought into 0 .. d-1: a negative
// sum (characters above 127) still gives a real day, month and year offset.
int positive_remainder(int s, int d);

// "%02d%02d%4d" of day s mod 27 + 1, month s mod 11 + 1 and year
// stay_year - (s mod 24) - 1.
std::string pseudo_date(int sum, int stay_year);

// Days of a DDMMYYYY text counted from 1980: the days of the years from 1980
// to the year before, the days of the year before the month, and the day.
// Years up to 1980 count no year; held in 16 bits as the stored counts are.
std::int16_t day_number_1980(std::string_view ddmmyyyy);

// The 4-character day count of a chaining line: "XXXX" when the first Monday
// is blank, else "%04d" of its day number minus that of the pseudo date (cut
// to 4 characters by the line's format).
std::string day_count(std::string_view first_monday, int stay_year, std::string_view anonymous_number);

}  // namespace chaining
