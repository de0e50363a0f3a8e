// Date helpers: validity, day numbers, ISO week codes with the system's
// "week 53" rule, Monday of a week, and the week codes of `week` fields.
#include <gtest/gtest.h>

#include "grouper/rhs.h"

namespace {

TEST(Dates, Validity) {
  struct Case {
    const char* date;
    bool valid;
  } cases[] = {
      {"29022000", true},  {"29021900", false}, {"29022004", true},  {"29022003", false},
      {"31042000", false}, {"30042000", true},  {"00012000", false}, {"01132000", false},
      {"01002000", false}, {"        ", false}, {" 1012000", true},  {"31122003", true},
      {"3112200", true},   {"", false},         {"AB012000", false},
  };
  for (const Case& c : cases) EXPECT_EQ(grouper::is_valid_date(c.date), c.valid) << c.date;
}

TEST(Dates, DayNumberDifferencesAndWeekday) {
  EXPECT_EQ(grouper::day_number("01032000") - grouper::day_number("28022000"), 2);
  EXPECT_EQ(grouper::day_number("01032003") - grouper::day_number("28022003"), 1);
  EXPECT_EQ(grouper::day_number("01011999") - grouper::day_number("31121998"), 1);
  EXPECT_EQ(grouper::day_number("01012004") - grouper::day_number("01012003"), 365);
  EXPECT_EQ(grouper::day_of_week(grouper::parse_date("01012000")), 6);  // Saturday
  EXPECT_EQ(grouper::day_of_week(grouper::parse_date("04011999")), 1);  // Monday
  EXPECT_EQ(grouper::day_of_week(grouper::parse_date("02011999")), 6);
}

TEST(Dates, WeekCode) {
  struct Case {
    const char* date;
    long code;
  } cases[] = {
      {"04011999", 199901},  // Monday of week 1
      {"03011999", 199853},  // Sunday before: 1998 had 53 weeks
      {"01012000", 199953},  // 1999 had 52 weeks: still 53 by the system's rule
      {"03012000", 200001},
      {"29022000", 200009},
      {"29122003", 200401},  // week 1 of 2004 starts in December 2003
      {"31122003", 200401},  // 1 January 2004 is a Thursday
      {"31122004", 200453},  // 1 January 2005 is a Saturday: 2004 has 53 weeks
      {"02012005", 200453},
      {"03012005", 200501},
      {"28061999", 199926},
      {"27061999", 199925},
  };
  for (const Case& c : cases) EXPECT_EQ(grouper::week_code(c.date), c.code) << c.date;
}

TEST(Dates, WeekMonday) {
  struct Case {
    const char* week;
    const char* monday;
  } cases[] = {
      {"011999", "04011999"}, {"012004", "29122003"}, {"532004", "27122004"},
      {"011998", "29121997"}, {"002000", "27121999"}, {" 51999", "01021999"},
      {"261999", "28061999"}, {"012001", "01012001"},
  };
  for (const Case& c : cases) EXPECT_EQ(grouper::week_monday(c.week), c.monday) << c.week;
}

TEST(Dates, WeekFieldCodes) {
  EXPECT_EQ(grouper::week_field_code("261999"), 199926);
  EXPECT_EQ(grouper::week_field_code(" 51999"), 199905);
  EXPECT_EQ(grouper::week_field_code("531998"), 199853);
  EXPECT_EQ(grouper::week_field_code("5 1999"), 19995);  // digits up to the blank
  EXPECT_EQ(grouper::week_field_code("      "), 0);
  EXPECT_EQ(grouper::week_field_number(" 5"), 5);
  EXPECT_EQ(grouper::week_field_number("52"), 52);
  EXPECT_EQ(grouper::week_field_number("  "), 0);
}

TEST(Dates, OutOfRangeFieldsDoNotFail) {
  // Garbage or extreme fields give some number and never overflow.
  (void)grouper::day_number("99999999");
  (void)grouper::week_code("-9-9-999");
  EXPECT_FALSE(grouper::week_monday("999999").empty());
  EXPECT_FALSE(grouper::week_monday("").empty());
}

}  // namespace
