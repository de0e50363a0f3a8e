// Key comparison: each kind orders records as its KEY line means,
// through the normalised bytes that the sort and the merge compare.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sort_key.h"

namespace {

using sortsol::KeyKind;
using sortsol::KeyField;

int compare(const std::vector<KeyField>& keys, std::string_view a, std::string_view b) {
  sortsol::KeyLayout layout(keys);
  std::vector<unsigned char> ka(layout.width()), kb(layout.width());
  layout.encode(a, ka.data());
  layout.encode(b, kb.data());
  int c = std::memcmp(ka.data(), kb.data(), layout.width());
  return (c > 0) - (c < 0);
}

struct Case {
  const char* what;
  KeyField key;
  std::string a, b;
  int expected;  // sign of a compared with b
};

const KeyField kText{KeyKind::string, 2, 3};
const KeyField kNumber{KeyKind::uint_s, 2, 3};
const KeyField kDate{KeyKind::date, 1, 8};

const Case kCases[] = {
    {"text: bytes, unsigned", kText, "xxabc", "xxabd", -1},
    {"text: high bytes after ASCII", kText, "xx\xe9", "xxz", 1},
    {"text: bytes after the key do not count", kText, "xxabcZ", "xxabcA", 0},
    {"text: a missing byte sorts before any byte", kText, "xxab", "xxab\x01", -1},
    {"text: a missing byte sorts before NUL", kText, "xxab", std::string("xxab\0", 5), -1},
    {"text: a record that does not reach the key sorts first", kText, "x", "xx   ", -1},
    {"text: NUL then longer against missing", kText, std::string("xxa\0", 4), "xxa", 1},
    {"number: numeric, not bytes", kNumber, "xx 9 ", "xx10 ", -1},
    {"number: leading blanks and zeros are equal", kNumber, "xx  7", "xx007", 0},
    {"number: blank reads 0", kNumber, "xx   ", "xx000", 0},
    {"number: digits before other bytes count", kNumber, "xx1A ", "xx1  ", 0},
    {"number: a field starting with a letter reads 0", kNumber, "xxA99", "xx000", 0},
    {"number: cut field compares on the digits it has", kNumber, "xx2", "xx010", -1},
    {"number: unreached field sorts before 0", kNumber, "x", "xx000", -1},
    {"date: year before month before day", kDate, "x31122020", "x01012021", -1},
    {"date: month before day", kDate, "x31012021", "x01022021", -1},
    {"date: equal dates", kDate, "x15062021", "x15062021", 0},
    {"date: leading blanks in a part", kDate, "x 1 12021", "x01012021", 0},
    {"date: blank sorts before every date", kDate, "x        ", "x00000000", -1},
    {"date: unreached sorts before blank", kDate, "", "x        ", -1},
    {"date: invalid day keeps its place by year, month, day", kDate, "x31022021", "x01032021", -1},
    {"date: other content sorts after every date", kDate, "x0101202A", "x31129999", 1},
    {"date: a cut date sorts after every date", kDate, "x010120", "x31129999", 1},
};

TEST(SortKeys, EachKindOrdersAsItsLineMeans) {
  for (const Case& c : kCases) {
    EXPECT_EQ(compare({c.key}, c.a, c.b), c.expected) << c.what;
    EXPECT_EQ(compare({c.key}, c.b, c.a), -c.expected) << c.what << " (reversed)";
  }
}

TEST(SortKeys, TheFirstKeyIsTheMostSignificant) {
  const std::vector<KeyField> keys{{KeyKind::string, 0, 1}, {KeyKind::uint_s, 1, 2}};
  EXPECT_EQ(compare(keys, "a99", "b01"), -1);
  EXPECT_EQ(compare(keys, "a10", "a 9"), 1);
  // A record cut inside the first key sorts first whatever follows.
  EXPECT_EQ(compare(keys, "", "a"), -1);
}

}  // namespace
