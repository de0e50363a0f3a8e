// group_rhs: one record from its detected text to CM, GHJ and return code.
#include "grouper/group.h"

#include <algorithm>
#include <span>

#include "common/fields.h"
#include "grouper/tables.h"
#include "group_fields.h"

namespace grouper {
namespace {

constexpr std::size_t kMaxLoadedActs = pmsi::kActSlotCount;

std::size_t act_width_of(std::string_view record, std::size_t detected_act_width) {
  const std::string_view code = field(record, v1::format_code);
  if (code == "M01" || code == "M02") return kCdamActWidth;
  if (code == "M03") return kCcamActWidth;
  return detected_act_width == kCcamActWidth ? kCcamActWidth : kCdamActWidth;
}

// Whole years from birth to the Monday: the year difference, less one when
// the birthday of that year is still to come.
int age_in_years(const Ymd& birth, const Ymd& monday) {
  int age = monday.year - birth.year;
  if (monday.month < birth.month || (monday.month == birth.month && monday.day < birth.day)) --age;
  return age;
}

constexpr int kMaxAge = 999;           // the RHA field holds 3 digits
constexpr long kNoDelayKnown = 999;    // blank delay_date

// Values the tree tests and the writers read, computed for every record so
// that none is left over from an earlier one. For a record that reaches the
// walk the controls have made every date involved valid.
void derive_values(GroupResult& out) {
  const std::string_view r = out.grouped_record_view();
  out.presence_day_count = static_cast<int>(std::count(r.begin() + static_cast<long>(v1::presence_days.offset),
                                                       r.begin() + static_cast<long>(v1::presence_days.end()), '1'));
  int score = 0;
  for (char c : field(r, v1::scores).substr(0, 4)) score += c - '0';
  out.physical_score = score;
  for (std::size_t k = 0; k < out.durations.size(); ++k)
    out.durations[k] = detail::blank_tolerant(r.substr(v1::durations.offset + 4 * k, 4));

  const Ymd monday = detail::date_of(out.week_monday_view());
  const bool monday_valid = is_valid_date(monday);
  const Ymd birth = detail::date_of(field(r, v1::birth_date));
  out.age_years = monday_valid && is_valid_date(birth) ? std::clamp(age_in_years(birth, monday), 0, kMaxAge) : 0;

  const std::string_view delay = field(r, v1::delay_date);
  if (pmsi::is_blank(delay)) {
    out.delay_days = kNoDelayKnown;
  } else {
    const Ymd d = detail::date_of(delay);
    out.delay_days = monday_valid && is_valid_date(d) ? day_number(monday) - day_number(d) : 0;
  }
}

// week_monday of a `week` field; 8 blanks when it gives no 8-character date.
std::array<char, 8> monday_of(detail::MondayCache& cache, std::string_view week) {
  std::array<char, 6> key;
  key.fill(' ');
  std::copy_n(week.begin(), std::min(week.size(), key.size()), key.begin());
  std::uint32_t hash = 0;
  for (char c : key) hash = hash * 131 + static_cast<unsigned char>(c);
  hash *= 2654435761u;  // spreads neighbouring weeks over the whole table
  detail::MondayCache::Entry& e = cache.entries[(hash >> 24) % cache.entries.size()];
  if (!e.used || e.week != key) {
    const std::string monday = week_monday(std::string_view(key.data(), key.size()));
    e.monday.fill(' ');
    if (monday.size() == e.monday.size()) std::copy(monday.begin(), monday.end(), e.monday.begin());
    e.week = key;
    e.used = true;
  }
  return e.monday;
}

// Everything of the result that describes one record, back to its state
// before any grouping (the scratch buffer keeps its capacity). The slots are
// rewritten by the lookups, or cleared when the tables fail.
void reset(GroupResult& out) {
  out.cm = out.ghj = out.return_code = out.result = 0;
  out.errors.clear();
  out.grouped_record.fill(' ');
  out.week_monday.fill(' ');
  out.presence_day_count = out.age_years = out.physical_score = 0;
  out.delay_days = 0;
  out.durations.fill(0);
  out.tree_walked = false;
  out.act_count = out.loaded_acts = 0;
  out.act_width = kCdamActWidth;
  out.classif_version.fill('\0');
}

void look_up_codes(pmsi::Tables& tables, GroupResult& out) {
  const std::string_view r = out.grouped_record_view();
  // A code whose first character is blank always gets record 0: it is read
  // from the tables once per record, and copied for the other blank codes.
  std::size_t blank_slot = pmsi::kDiagnosisSlotCount;
  for (int i = 0; i < pmsi::kDiagnosisSlotCount; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    const std::string_view code = r.substr(v1::diag_1.offset + slot * v1::kDiagWidth, v1::kDiagWidth);
    if (code[0] == ' ' && blank_slot < pmsi::kDiagnosisSlotCount) {
      out.diagnoses[slot] = out.diagnoses[blank_slot];
      std::copy(code.begin(), code.end(), out.diagnoses[slot].code.begin());
      continue;
    }
    tables.fetch_diagnosis(i, code);
    out.diagnoses[slot] = tables.diagnosis(i);
    if (code[0] == ' ') blank_slot = slot;
  }
  const std::size_t width = out.act_width;
  for (int i = 0; i < out.loaded_acts; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    std::array<char, kCcamActWidth> code;
    code.fill(' ');
    const std::string_view text = pmsi::field(out.shaped, v1::kActsOffset + slot * width, width);
    std::copy(text.begin(), text.end(), code.begin());
    const std::string_view padded(code.data(), width);
    if (width == kCcamActWidth) tables.lookup_ccam_act(i, padded);
    else tables.lookup_cdam_act(i, padded);
    pmsi::ActSlot& act = out.acts[slot];
    act = tables.act(i);
    act.width = static_cast<int>(width);
    act.code = code;
  }
  std::fill(out.acts.begin() + out.loaded_acts, out.acts.end(), pmsi::ActSlot{});
}

}  // namespace

std::int16_t group_rhs(std::string_view record, std::size_t detected_act_width, pmsi::Tables& tables,
                       std::string_view tables_dir, pmsi::TextWriter& report, GroupResult& out) {
  reset(out);
  out.act_width = act_width_of(record, detected_act_width);

  // The record's own shape, Monday and derived values come first: the RHA of
  // a record stopped by a table failure or a blocking code is built from them.
  to_version1_shape(record, out.shaped);
  const std::string_view shaped = out.shaped;
  std::copy_n(shaped.begin(), std::min(shaped.size(), out.grouped_record.size()), out.grouped_record.begin());
  out.week_monday = monday_of(out.monday_cache, field(out.grouped_record_view(), v1::week));
  derive_values(out);

  const int table_code = tables.open_tables(tables_dir, std::span<char, 3>(out.classif_version), report);
  if (table_code != pmsi::kTablesOpen) {
    out.diagnoses.fill(pmsi::DiagnosisSlot{});
    out.acts.fill(pmsi::ActSlot{});
    out.return_code = out.result = static_cast<std::int16_t>(table_code);
    return out.result;
  }

  out.act_count = static_cast<int>(detail::blank_tolerant(field(out.grouped_record_view(), v1::act_count)));
  out.loaded_acts = std::clamp(out.act_count, 0, static_cast<int>(kMaxLoadedActs));
  look_up_codes(tables, out);

  const ControlInput in{out.grouped_record_view(), out.week_monday_view(), out.diagnoses,
                        std::span<const pmsi::ActSlot>(out.acts.data(), static_cast<std::size_t>(out.loaded_acts))};
  if (run_controls(in, out.errors, out.return_code, out.cm, out.ghj) != 0) {
    out.result = out.return_code;
    return out.result;
  }

  out.tree_walked = true;
  const Leaf leaf = walk_tree([&tables](int n) { return tables.tree_node(n); }, out);
  out.cm = leaf.cm;
  out.ghj = leaf.ghj;
  out.return_code = leaf.return_code;
  out.result = 0;
  return 0;
}

}  // namespace grouper
