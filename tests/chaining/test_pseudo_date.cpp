// The anonymised day count: pseudo date from the anonymous number, and the
// day number counted from 1980.
#include <gtest/gtest.h>

#include <string>

#include "chaining/pseudo_date.h"
#include "common/format.h"

namespace {

using namespace chaining;

TEST(ChainingPseudoDate, SumOfThousandGivesSecondOfNovemberSeventeenYearsBefore) {
  const std::string anonymous = "999999999999999HI";  // 15 x 57 + 72 + 73
  ASSERT_EQ(anonymous_sum(anonymous), 1000);
  EXPECT_EQ(pseudo_date(1000, 2010), "02111993");
  // 2 November 1993 to 4 January 2010.
  EXPECT_EQ(day_count("04012010", 2010, anonymous), "5907");
}

TEST(ChainingPseudoDate, CharactersAbove127StillGiveARealDate) {
  const std::string anonymous(17, '\xE9');  // -23 each as a signed byte
  ASSERT_EQ(anonymous_sum(anonymous), -391);
  // -391 mod 27, 11, 24 brought positive: 14, 5, 17.
  EXPECT_EQ(pseudo_date(-391, 2010), "15061992");
  struct Case {
    int s, d, r;
  } cases[] = {{-391, 27, 14}, {-1, 11, 10}, {-24, 24, 0}, {25, 24, 1}, {0, 27, 0}};
  for (const auto& c : cases) EXPECT_EQ(positive_remainder(c.s, c.d), c.r) << c.s << " mod " << c.d;
}

TEST(ChainingPseudoDate, DayNumberFrom1980) {
  struct Case {
    const char* date;
    int number;
  } cases[] = {
      {"01011980", 1},
      {"31121980", 366},    // 1980 is a leap year
      {"01011981", 367},
      {"01031984", 1522},   // 4 years (1461) + 60 + 1
      {"01032000", 7366},   // 20 years (7305) + 60 (2000 is leap) + 1
      {"01031900", 60},     // up to 1980 no year counts; 1900 is not leap
      {"15061975", 166},
      {"        ", 0},
      {"01012070", -32662}, // 32874 held in 16 bits
      {"01132010", 10959},  // month 13 of a damaged date adds no days
  };
  for (const auto& c : cases) EXPECT_EQ(day_number_1980(c.date), c.number) << c.date;
}

TEST(ChainingPseudoDate, BlankFirstMondayGivesXXXX) {
  EXPECT_EQ(day_count("        ", 0, "AAAAAAAAAAAAAAAAA"), "XXXX");
  // 17 x 65 = 1105: day 26, month 6, two years before: 26 June 2008.
  EXPECT_EQ(day_count("04012010", 2010, "AAAAAAAAAAAAAAAAA"), "0557");
}

}  // namespace

namespace {

// The day count equals the difference of the day numbers of the two texts,
// whatever the year of the stay (far years included).
TEST(ChainingPseudoDate, DayCountMatchesTheTexts) {
  for (int year : {-2000, -1000, -990, 0, 5, 1979, 1980, 1995, 2010, 2069, 2100, 9999})
    for (const char* anonymous : {"999999999999999HI", "AAAAAAAAAAAAAAAAA", "\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9"}) {
      std::string monday = pmsi::format("0401%04d", year < 0 ? 0 : year % 10000);
      int s = chaining::anonymous_sum(anonymous);
      int want = chaining::day_number_1980(monday) - chaining::day_number_1980(chaining::pseudo_date(s, year));
      std::string text = pmsi::format("%04d", want);
      EXPECT_EQ(chaining::day_count(monday, year, anonymous), text) << year << " " << anonymous;
    }
}

}  // namespace
