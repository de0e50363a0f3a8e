#include <gtest/gtest.h>

#include "common/fields.h"

namespace pmsi {
namespace {

TEST(Field, IsSafeOnShortRecords) {
  EXPECT_EQ(field("ABCDEFGH", 2, 3), "CDE");
  EXPECT_EQ(field("ABCDEFGH", 6, 5), "GH");
  EXPECT_EQ(field("ABCDEFGH", 8, 2), "");
  EXPECT_EQ(field("ABC", 100, 2), "");
}

TEST(Numbers, BlankTolerantAndAtoiReadings) {
  struct Case {
    const char* text;
    long blank_tolerant;
    long atoi;
  };
  const Case cases[] = {
      {"0012", 12, 12},   {"  12", 12, 12}, {"12ab", 12, 12}, {" 1 2", 1, 1},
      {"    ", 0, 0},     {"", 0, 0},       {"a12 ", 0, 0},   {"-5  ", 0, -5},
      {"+3  ", 0, 3},     {" -7", 0, -7},   {"9x9", 9, 9},    {"99999999999999999999999", LONG_MAX, LONG_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read_blank_tolerant(c.text), c.blank_tolerant) << '"' << c.text << '"';
    EXPECT_EQ(read_atoi(c.text), c.atoi) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace pmsi
