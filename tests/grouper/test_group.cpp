// The tree tests, the walk, and group_rhs over small table files built in a
// temporary directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/table_sum.h"
#include "common/textfile.h"
#include "grouper/group.h"
// The fast field readings of the grouping (internal header).
#include "../../grouper/src/group_fields.h"

namespace grouper {
namespace {

pmsi::TreeNode node(int type, int p1, int p2, int highest, int child) {
  return {static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(p1), static_cast<std::uint8_t>(p2),
          static_cast<std::uint8_t>(highest), static_cast<std::uint16_t>(child)};
}
pmsi::TreeNode leaf(int cm, int ghj, int cr) { return node(0, cr, cm, 0, ghj); }

pmsi::DiagnosisSlot slot(const char* code, std::uint8_t category, std::initializer_list<std::uint8_t> groups = {}) {
  pmsi::DiagnosisSlot s;
  std::copy(code, code + 6, s.code.begin());
  s.positions = 0xFF;
  s.data[0] = category;
  std::size_t n = 1;
  for (std::uint8_t g : groups) s.data[n++] = g;
  s.data_size = static_cast<std::uint8_t>(n);
  return s;
}

// Values of a record that reached the walk.
GroupResult walked_values() {
  GroupResult v;
  v.grouped_record.fill(' ');
  v.grouped_record[v1::flag_153.offset] = '1';
  std::copy_n("Z500  ", 6, v.grouped_record.begin() + v1::diag_1.offset);
  v.age_years = 40;
  v.delay_days = 10;
  v.presence_day_count = 5;
  v.physical_score = 8;
  v.durations = {600, 0, 120, 0, 300, 0, 0, 60};
  v.diagnoses[0] = slot("Z500  ", 11);
  v.diagnoses[1] = slot("S7200 ", 12, {5, 7});
  v.loaded_acts = 2;
  v.acts[0].act_class = 3;
  v.acts[1].act_class = 200;
  v.acts[2].act_class = 77;  // beyond the record's acts
  return v;
}

struct TestCase {
  const char* name;
  pmsi::TreeNode node;
  std::function<void(GroupResult&)> change;
  int branch;
};

TEST(ApplyTest, EveryTestType) {
  const auto none = [](GroupResult&) {};
  const std::vector<TestCase> cases = {
      {"age below V", node(0, 0, 41, 1, 0), none, 1},
      {"age not below V", node(0, 0, 40, 1, 0), none, 0},
      {"age below a 16-bit V", node(0, 1, 0, 1, 0), [](GroupResult& v) { v.age_years = 255; }, 1},
      {"category 11", node(1, 0, 0, 13, 0), none, 0},
      {"category 99 then 0, 0: 99", node(1, 0, 0, 13, 0),
       [](GroupResult& v) { v.diagnoses[0] = slot("Z501  ", 99); v.diagnoses[1] = slot("S7201 ", 0); }, 13},
      {"category 0 then 12", node(1, 0, 0, 13, 0), [](GroupResult& v) { v.diagnoses[0] = slot("Z501  ", 0); }, 1},
      {"category 99, 99, then 60", node(1, 0, 0, 13, 0),
       [](GroupResult& v) {
         v.diagnoses[0] = slot("Z501  ", 99);
         v.diagnoses[1] = slot("S7201 ", 99);
         v.diagnoses[2] = slot("S7202 ", 60);
       }, 12},
      {"category outside the map", node(1, 0, 0, 13, 0), [](GroupResult& v) { v.diagnoses[0] = slot("Z501  ", 45); }, 0},
      {"category 100 or more", node(1, 0, 0, 13, 0), [](GroupResult& v) { v.diagnoses[0] = slot("Z501  ", 150); }, 0},
      {"diag_2 group, diag_1 a code", node(2, 5, 7, 1, 0), none, 0},
      {"diag_2 group, diag_1 ZAIGU", node(2, 5, 7, 1, 0),
       [](GroupResult& v) { std::copy_n("ZAIGU ", 6, v.grouped_record.begin() + 99); }, 1},
      {"diag_2 group, diag_1 blank", node(2, 5, 7, 1, 0),
       [](GroupResult& v) { std::copy_n("      ", 6, v.grouped_record.begin() + 99); }, 1},
      {"diag_2 other group, diag_1 blank", node(2, 5, 8, 1, 0),
       [](GroupResult& v) { std::copy_n("      ", 6, v.grouped_record.begin() + 99); }, 0},
      {"act class of the record", node(3, 0, 200, 1, 0), none, 1},
      {"act class beyond the record's acts", node(3, 0, 77, 1, 0), none, 0},
      {"act class 16-bit V", node(3, 1, 200, 1, 0), none, 0},
      {"no test 4", node(4, 9, 9, 1, 0), none, 0},
      {"no test 7", node(7, 9, 9, 1, 0), none, 0},
      {"no test 12", node(12, 9, 9, 1, 0), none, 0},
      {"group in a diagnosis", node(5, 5, 7, 1, 0), none, 1},
      {"group in no diagnosis", node(5, 7, 5, 1, 0), none, 0},
      {"physical score at most V", node(6, 0, 8, 1, 0), none, 1},
      {"physical score above V", node(6, 0, 7, 1, 0), none, 0},
      {"flag 153 is 1", node(8, 0, 0, 1, 0), none, 1},
      {"flag 153 is 2", node(8, 0, 0, 1, 0), [](GroupResult& v) { v.grouped_record[153] = '2'; }, 0},
      {"delay at most P1", node(9, 10, 0, 1, 0), none, 1},
      {"delay above P1", node(9, 9, 0, 1, 0), none, 0},
      {"no delay known (999)", node(9, 255, 0, 1, 0), [](GroupResult& v) { v.delay_days = 999; }, 0},
      {"duration 1 reaches 10 h", node(10, 1, 10, 1, 0), none, 1},
      {"duration 1 below 11 h", node(10, 1, 11, 1, 0), none, 0},
      {"duration 0 does not exist", node(10, 0, 0, 1, 0), none, 0},
      {"duration 9 does not exist", node(10, 9, 0, 1, 0), none, 0},
      {"another duration reaches 5 h", node(11, 3, 5, 1, 0), none, 1},
      {"only the left-out duration reaches 10 h", node(11, 1, 10, 1, 0), none, 0},
      {"none left out", node(11, 0, 10, 1, 0), none, 1},
      {"duration 5 per day reaches 60", node(13, 5, 60, 1, 0), none, 1},
      {"duration 5 per day below 61", node(13, 5, 61, 1, 0), none, 0},
      {"duration per day without presence", node(13, 5, 0, 1, 0), [](GroupResult& v) { v.presence_day_count = 0; }, 0},
      {"duration 13 does not exist", node(13, 13, 0, 1, 0), none, 0},
      {"another duration per day", node(14, 1, 60, 1, 0), none, 1},
      {"no other duration per day", node(14, 1, 61, 1, 0), none, 0},
      {"first flagged duration: 3", node(15, 4, 2, 8, 0), none, 3},
      {"durations 1 and 3 both reach: 1", node(15, 5, 2, 8, 0), none, 1},
      {"first flagged duration: 1", node(15, 5, 1, 8, 0), none, 1},
      {"no flagged duration reaches", node(15, 2, 1, 8, 0), none, 0},
      {"duration 8 flagged by bit 7", node(15, 128, 1, 8, 0), none, 8},
      {"first flagged duration per day", node(16, 0x14, 60, 8, 0), none, 5},
      {"presence below P1", node(17, 6, 0, 1, 0), none, 1},
      {"presence not below P1", node(17, 5, 0, 1, 0), none, 0},
      {"group in two diagnoses", node(18, 5, 7, 1, 0),
       [](GroupResult& v) { v.diagnoses[6] = slot("S7201 ", 12, {1, 1, 5, 7}); }, 1},
      {"group in one diagnosis", node(18, 5, 7, 1, 0), none, 0},
      {"jump", node(19, 1, 2, 1, 0), none, 258},
      {"jump with the largest V", node(19, 255, 255, 1, 0), none, 65535},
      {"type 20", node(20, 1, 1, 1, 0), none, 0},
      {"type 255", node(255, 1, 1, 1, 0), none, 0},
  };
  for (const TestCase& c : cases) {
    GroupResult v = walked_values();
    c.change(v);
    EXPECT_EQ(apply_test(c.node, v), c.branch) << c.name;
  }
}

struct WalkCase {
  const char* name;
  std::vector<pmsi::TreeNode> nodes;
  Leaf expected;
};

TEST(WalkTree, LeavesAndErrors) {
  const std::vector<WalkCase> cases = {
      {"root is a leaf", {leaf(12, 123, 0)}, {12, 123, 0}},
      {"leaf with its return code", {node(8, 0, 0, 1, 1), leaf(5, 40, 0), leaf(6, 41, 7)}, {6, 41, 7}},
      {"cycle", {node(4, 0, 0, 1, 0)}, {99, 904, kWalkTooManySteps}},
      {"branch beyond highest", {node(15, 4, 2, 2, 1), leaf(1, 1, 0), leaf(1, 2, 0), leaf(1, 3, 0), leaf(1, 4, 0)},
       {99, 904, kWalkBranchBeyondHighest}},
      {"child outside the tree", {node(8, 0, 0, 1, 1), leaf(1, 1, 0)}, {99, 904, kWalkNodeOutsideTree}},
      {"jump beyond highest is followed", {node(19, 0, 3, 1, 0), leaf(1, 1, 0), leaf(1, 2, 0), leaf(7, 70, 0)}, {7, 70, 0}},
      {"jump to a negative index", {node(19, 128, 0, 1, 0)}, {99, 904, kWalkNodeOutsideTree}},
      {"child index wraps modulo 65536", {node(19, 255, 255, 1, 2), leaf(3, 30, 0), leaf(9, 90, 0)}, {3, 30, 0}},
      {"GHJ above 32767 reads as negative", {leaf(1, 0x8001, 0)}, {1, -32767, 0}},
  };
  const GroupResult v = walked_values();
  for (const WalkCase& c : cases) {
    auto read = [&c](int n) -> std::optional<pmsi::TreeNode> {
      if (n < 0 || n >= static_cast<int>(c.nodes.size())) return std::nullopt;
      return c.nodes[static_cast<std::size_t>(n)];
    };
    const Leaf got = walk_tree(read, v);
    EXPECT_EQ(got.cm, c.expected.cm) << c.name;
    EXPECT_EQ(got.ghj, c.expected.ghj) << c.name;
    EXPECT_EQ(got.return_code, c.expected.return_code) << c.name;
  }
}

TEST(WalkTree, AThousandTestsAtMost) {
  int tests = 0;
  const GroupResult v = walked_values();
  auto read = [&tests](int) -> std::optional<pmsi::TreeNode> {
    ++tests;
    return node(4, 0, 0, 1, 0);
  };
  EXPECT_EQ(walk_tree(read, v).return_code, kWalkTooManySteps);
  EXPECT_EQ(tests, 1 + kMaxWalkSteps);  // the root, then one node per test
}

// Every field of up to 4 characters over an alphabet of digits, blanks,
// signs, a letter, a tab and a NUL: the fast readings give what the general
// ones give.
TEST(FieldReadings, FastReadingsEqualTheGeneralOnes) {
  const char alphabet[] = {' ', '0', '1', '9', '+', '-', 'a', '\t', '\0'};
  for (int len = 0; len <= 4; ++len) {
    long total = 1;
    for (int i = 0; i < len; ++i) total *= 9;
    for (long k = 0; k < total; ++k) {
      std::string f;
      for (long x = k, i = 0; i < len; ++i, x /= 9) f += alphabet[x % 9];
      ASSERT_EQ(detail::blank_tolerant(f), pmsi::read_blank_tolerant(f)) << "'" << f << "'";
      ASSERT_EQ(detail::atoi_of(f), pmsi::read_atoi(f)) << "'" << f << "'";
      ASSERT_EQ(detail::all_digits(f), !f.empty() && f.find_first_not_of("0123456789") == std::string::npos) << "'" << f << "'";
    }
  }
  for (const char* date : {"29022000", "01011990", " 1012003", "3102 003", "ab012003", "00000000"})
    EXPECT_EQ(day_number(detail::date_of(date)), day_number(parse_date(date))) << date;
}

}  // namespace
}  // namespace grouper
