#pragma once
// Grouping of one RHS: tables opened, record brought to the version-1 shape,
// diagnoses and acts looked up, fields controlled, and, when no blocking code
// was found, the decision tree of arbressr.tab walked down to a leaf that
// gives CM, GHJ and return code.
//
// group_rhs fills a GroupResult afresh on every call: nothing of an earlier
// record survives in it. The result keeps its buffers between calls, so a run
// that reuses one GroupResult allocates nothing per record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "grouper/controls.h"
#include "grouper/rhs.h"
#include "grouper/tables.h"

namespace pmsi {
class TextWriter;
}

namespace grouper {

inline constexpr int kDurationsInTests = 8;  // durations 1 to 8 (of 12)

namespace detail {
// Mondays of the weeks met lately, by week text: a pure function of the text
// (no record's data), kept between calls because a file spans few weeks.
struct MondayCache {
  struct Entry {
    std::array<char, 6> week{};
    std::array<char, 8> monday{};
    bool used = false;
  };
  std::array<Entry, 256> entries{};
};
}  // namespace detail

struct GroupResult {
  // The grouping: leaf values, CM 90 / GHJ 900 / blocking code, CM 99 /
  // GHJ 904 / walk error, or CM 0 / GHJ 0 / table code after a table failure.
  std::int16_t cm = 0;
  std::int16_t ghj = 0;
  std::int16_t return_code = 0;
  // group_rhs's own result: 0, the table code, or the first blocking code.
  std::int16_t result = 0;
  ErrorList errors;  // the control codes (empty after a table failure)

  // First 204 characters of the record in version-1 shape (blank-padded when
  // the record is shorter). Read by the controls, the tests and the RHA writer.
  std::array<char, v1::kLength> grouped_record{};
  // Monday of the record's week, DDMMYYYY ("%02d%02d%04d"; 8 blanks when the
  // week field gives no 8-character date).
  std::array<char, 8> week_monday{};

  // Derived values, computed for every record:
  // - presence_day_count: the "1"s of presence_days;
  // - age_years: whole years from birth_date to week_monday, 0 when either
  //   is not a valid date;
  // - delay_days: days from delay_date to week_monday; 999 when delay_date is
  //   blank (no delay known), 0 when it or week_monday is not a valid date;
  // - physical_score: sum of the first four scores as digits.
  int presence_day_count = 0;
  int age_years = 0;
  long delay_days = 0;
  int physical_score = 0;
  std::array<long, kDurationsInTests> durations{};  // minutes, blank-tolerant
  bool tree_walked = false;  // no table failure, no blocking code

  // Table lookups of this record.
  std::array<pmsi::DiagnosisSlot, pmsi::kDiagnosisSlotCount> diagnoses{};
  std::array<pmsi::ActSlot, pmsi::kActSlotCount> acts{};
  int act_count = 0;     // act_count of the record, read blank-tolerantly
  int loaded_acts = 0;   // act slots filled: act_count limited to 0...10
  std::size_t act_width = 4;  // 4 CDAM, 8 CCAM

  std::array<char, 3> classif_version{};  // the tree's, NUL-terminated

  std::string_view grouped_record_view() const { return {grouped_record.data(), grouped_record.size()}; }
  std::string_view week_monday_view() const { return {week_monday.data(), week_monday.size()}; }

  // The whole record in version-1 shape (acts included); scratch, reused.
  std::string shaped;
  detail::MondayCache monday_cache;
};

// Groups one record as detection left it (leading grouping removed; its own
// format code at offset 9). `detected_act_width` is the act width M of the
// line's detected format, used when the record's own code is none of "M01",
// "M02", "M03". Table failures are written to `report` by the tables.
// Returns out.result.
std::int16_t group_rhs(std::string_view record, std::size_t detected_act_width, pmsi::Tables& tables,
                       std::string_view tables_dir, pmsi::TextWriter& report, GroupResult& out);

// ---------------------------------------------------------------------------
// The tree walk, exposed for tests and benchmarks.

// Walk errors (return code with CM 99, GHJ 904).
inline constexpr std::int16_t kWalkTooManySteps = 1;
inline constexpr std::int16_t kWalkBranchBeyondHighest = 2;
inline constexpr std::int16_t kWalkNodeOutsideTree = 3;
inline constexpr int kMaxWalkSteps = 1000;
inline constexpr std::uint8_t kJumpTest = 19;

// Branch index given by the node's test for this record (types 0 to 19; any
// other type gives 0).
int apply_test(const pmsi::TreeNode& node, const GroupResult& values);

struct Leaf {
  std::int16_t cm = 0, ghj = 0, return_code = 0;
};

// Walks from node 0. `read_node(n)` gives node n, or nothing when it does not
// lie wholly within the tree section.
template <class ReadNode>
Leaf walk_tree(ReadNode&& read_node, const GroupResult& values) {
  constexpr Leaf error{99, 904, 0};
  std::optional<pmsi::TreeNode> node = read_node(0);
  int steps = 0;
  while (node && node->highest_branch != 0) {
    if (++steps > kMaxWalkSteps) return {error.cm, error.ghj, kWalkTooManySteps};
    const int branch = apply_test(*node, values);
    if (node->test_type != kJumpTest && branch > node->highest_branch)
      return {error.cm, error.ghj, kWalkBranchBeyondHighest};
    const auto next = static_cast<std::int16_t>(static_cast<std::uint16_t>(node->child_index + branch));
    node = read_node(next);
  }
  if (!node) return {error.cm, error.ghj, kWalkNodeOutsideTree};
  return {static_cast<std::int16_t>(node->p2), static_cast<std::int16_t>(node->child_index),
          static_cast<std::int16_t>(node->p1)};
}

}  // namespace grouper
