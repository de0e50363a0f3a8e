// The 20 tests of the decision tree. Each reads the node's parameters and the
// values group_rhs derived for the record, and gives a branch index.
#include <algorithm>
#include <array>

#include "grouper/group.h"

namespace grouper {
namespace {

using Node = pmsi::TreeNode;

long value_v(const Node& n) { return static_cast<long>(n.p1) * 256 + n.p2; }  // 0...65535
long duration(const GroupResult& v, int k) { return v.durations[static_cast<std::size_t>(k - 1)]; }
bool is_duration_number(int k) { return k >= 1 && k <= kDurationsInTests; }

// Branch of test type 1 by diagnosis category (0...99); 100 and above give 0.
constexpr std::array<std::uint8_t, 100> kCategoryBranch = [] {
  std::array<std::uint8_t, 100> map{};
  const int categories[] = {11, 12, 13, 14, 15, 16, 17, 18, 20, 30, 40, 50, 60, 99};
  for (std::uint8_t b = 0; b < std::size(categories); ++b) map[static_cast<std::size_t>(categories[b])] = b;
  return map;
}();

int diagnoses_with_group(const GroupResult& v, const Node& n) {
  return static_cast<int>(std::count_if(v.diagnoses.begin(), v.diagnoses.end(),
                                        [&](const pmsi::DiagnosisSlot& s) { return s.has_group(n.p1, n.p2); }));
}

bool is_blank_or_aigu(std::string_view d) {
  if (d == "      ") return true;
  static constexpr std::string_view aigu = "ZAIGU ";
  return std::equal(d.begin(), d.end(), aigu.begin(), aigu.end(),
                    [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b; });
}

// Minutes per day of presence of duration k reach the threshold (never
// without a day of presence).
bool per_day_reaches(const GroupResult& v, int k, long threshold) {
  return v.presence_day_count > 0 && duration(v, k) / v.presence_day_count >= threshold;
}

int test_age(const Node& n, const GroupResult& v) { return v.age_years < value_v(n); }

int test_category(const Node&, const GroupResult& v) {
  int category = v.diagnoses[0].category();
  if (category == 0 || category == 99) category = v.diagnoses[1].category();
  if (category == 0 || category == 99) category = v.diagnoses[2].category();
  if (category == 0) category = 99;
  return category < 100 ? kCategoryBranch[static_cast<std::size_t>(category)] : 0;
}

int test_diag_2_group(const Node& n, const GroupResult& v) {
  const std::string_view d1 = field(v.grouped_record_view(), v1::diag_1);
  return is_blank_or_aigu(d1) && v.diagnoses[1].has_group(n.p1, n.p2);
}

int test_act_class(const Node& n, const GroupResult& v) {
  const long wanted = value_v(n);
  for (int i = 0; i < v.loaded_acts; ++i)
    if (v.acts[static_cast<std::size_t>(i)].act_class == wanted) return 1;
  return 0;
}

int test_none(const Node&, const GroupResult&) { return 0; }
int test_any_diagnosis_group(const Node& n, const GroupResult& v) { return diagnoses_with_group(v, n) >= 1; }
int test_physical_score(const Node& n, const GroupResult& v) { return v.physical_score <= value_v(n); }
int test_flag_153(const Node&, const GroupResult& v) { return v.grouped_record[v1::flag_153.offset] == '1'; }
int test_delay(const Node& n, const GroupResult& v) { return v.delay_days <= n.p1; }

int test_duration_hours(const Node& n, const GroupResult& v) {
  return is_duration_number(n.p1) && duration(v, n.p1) >= n.p2 * 60L;
}

int test_other_duration_hours(const Node& n, const GroupResult& v) {
  for (int k = 1; k <= kDurationsInTests; ++k)
    if (k != n.p1 && duration(v, k) >= n.p2 * 60L) return 1;
  return 0;
}

int test_duration_per_day(const Node& n, const GroupResult& v) {
  return is_duration_number(n.p1) && per_day_reaches(v, n.p1, n.p2);
}

int test_other_duration_per_day(const Node& n, const GroupResult& v) {
  for (int k = 1; k <= kDurationsInTests; ++k)
    if (k != n.p1 && per_day_reaches(v, k, n.p2)) return 1;
  return 0;
}

int test_first_duration_hours(const Node& n, const GroupResult& v) {
  for (int k = 1; k <= kDurationsInTests; ++k)
    if (((n.p1 >> (k - 1)) & 1) && duration(v, k) >= n.p2 * 60L) return k;
  return 0;
}

int test_first_duration_per_day(const Node& n, const GroupResult& v) {
  for (int k = 1; k <= kDurationsInTests; ++k)
    if (((n.p1 >> (k - 1)) & 1) && per_day_reaches(v, k, n.p2)) return k;
  return 0;
}

int test_presence_days(const Node& n, const GroupResult& v) { return v.presence_day_count < n.p1; }
int test_two_diagnoses_group(const Node& n, const GroupResult& v) { return diagnoses_with_group(v, n) >= 2; }
int test_jump(const Node& n, const GroupResult&) { return static_cast<int>(value_v(n)); }

using Test = int (*)(const Node&, const GroupResult&);
constexpr std::array<Test, 20> kTests{
    test_age,                   // 0
    test_category,              // 1
    test_diag_2_group,          // 2
    test_act_class,             // 3
    test_none,                  // 4
    test_any_diagnosis_group,   // 5
    test_physical_score,        // 6
    test_none,                  // 7
    test_flag_153,              // 8
    test_delay,                 // 9
    test_duration_hours,        // 10
    test_other_duration_hours,  // 11
    test_none,                  // 12
    test_duration_per_day,      // 13
    test_other_duration_per_day,  // 14
    test_first_duration_hours,  // 15
    test_first_duration_per_day,  // 16
    test_presence_days,         // 17
    test_two_diagnoses_group,   // 18
    test_jump,                  // 19
};

}  // namespace

int apply_test(const pmsi::TreeNode& node, const GroupResult& values) {
  if (node.test_type >= kTests.size()) return 0;
  return kTests[node.test_type](node, values);
}

}  // namespace grouper
