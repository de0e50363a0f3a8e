#include <gtest/gtest.h>

#include "common/cp1252.h"

namespace pmsi {
namespace {

TEST(Cp1252, EncodesTheSystemsTexts) {
  struct Case {
    const char* utf8;
    const char* cp1252;
  };
  const Case cases[] = {
      {"é", "\xE9"}, {"°", "\xB0"}, {"€", "\x80"}, {"œ", "\x9C"}, {"’", "\x92"},
      {"Période incorrecte", "P\xE9riode incorrecte"}, {"chaînage", "cha\xEEnage"},
  };
  for (const auto& c : cases) EXPECT_EQ(utf8_to_cp1252(c.utf8), std::string(c.cp1252)) << c.utf8;
}

TEST(Cp1252, RefusesWhatItCannotEncode) {
  for (const char* bad : {"\u2713", "\xC3", "\xFF", "\xE2\x82", "\xF0\x9F\x98\x80"})
    EXPECT_FALSE(utf8_to_cp1252(bad).has_value()) << bad;
}

TEST(Cp1252, EveryDefinedByteRoundTrips) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
    std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(byte)), byte) << b;
  }
}

}  // namespace
}  // namespace pmsi
