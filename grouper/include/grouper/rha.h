#pragma once
// The RHA writer: one anonymous weekly summary per accepted RHS, the
// comparison of the grouping read from the input with the one computed, and
// the geographic coding of postal codes.
#include <array>
#include <cstddef>
#include <string_view>

#include "grouper/rhs.h"
#include "grouper/run.h"

namespace pmsi {
class Tables;
class TextWriter;
}  // namespace pmsi

namespace grouper {

// RHA line layout (the line break follows the acts).
namespace rha {
inline constexpr FieldSpec finess{"finess", 0, 9};
inline constexpr FieldSpec format_code{"format_code", 9, 3};  // "M22" / "M23"
inline constexpr FieldSpec rha_version{"rha_version", 12, 3};  // "240"
inline constexpr FieldSpec read_grouping{"read_grouping", 15, 9};
inline constexpr FieldSpec read_cm{"read_cm", 17, 2};
inline constexpr FieldSpec read_ghj{"read_ghj", 19, 3};
inline constexpr FieldSpec read_return_code{"read_return_code", 22, 2};
inline constexpr FieldSpec classif_version{"classif_version", 24, 2};
inline constexpr FieldSpec cm{"cm", 26, 2};
inline constexpr FieldSpec ghj{"ghj", 28, 3};
inline constexpr FieldSpec return_code{"return_code", 31, 2};
inline constexpr FieldSpec stay_ordinal{"stay_ordinal", 33, 7};
inline constexpr FieldSpec hosp_type{"hosp_type", 40, 1};
inline constexpr FieldSpec age_years{"age_years", 41, 3};
inline constexpr FieldSpec sex{"sex", 44, 1};
inline constexpr FieldSpec geo_code{"geo_code", 45, 5};
inline constexpr FieldSpec entry_mode{"entry_mode", 50, 1};
inline constexpr FieldSpec entry_origin{"entry_origin", 51, 1};
inline constexpr FieldSpec exit_mode{"exit_mode", 52, 1};
inline constexpr FieldSpec exit_destination{"exit_destination", 53, 1};
inline constexpr FieldSpec days_from_entry{"days_from_entry", 54, 3};
inline constexpr FieldSpec presence_days{"presence_days", 57, 7};
inline constexpr FieldSpec rhs_number{"rhs_number", 64, 2};
inline constexpr FieldSpec entry_marker{"entry_marker", 66, 1};
inline constexpr FieldSpec exit_marker{"exit_marker", 67, 1};
inline constexpr FieldSpec month_year{"month_year", 68, 6};  // MMYYYY of week_monday
inline constexpr FieldSpec delay_days{"delay_days", 74, 3};
inline constexpr FieldSpec diagnoses{"diagnoses", 77, 48};  // eight of 6
inline constexpr FieldSpec scores{"scores", 125, 6};
inline constexpr FieldSpec flag_153{"flag_153", 131, 1};
inline constexpr FieldSpec durations{"durations", 132, 48};
inline constexpr FieldSpec act_count{"act_count", 180, 2};
inline constexpr std::size_t kActsOffset = 182;
inline constexpr std::array<FieldSpec, 31> kLayout{
    finess,       format_code,  rha_version,  read_grouping, read_cm,      read_ghj,
    read_return_code, classif_version, cm,    ghj,           return_code,  stay_ordinal,
    hosp_type,    age_years,    sex,          geo_code,      entry_mode,   entry_origin,
    exit_mode,    exit_destination, days_from_entry, presence_days, rhs_number, entry_marker,
    exit_marker,  month_year,   delay_days,   diagnoses,     scores,       flag_153,
    durations};
}  // namespace rha

// Counters of the execution report (process-wide, from 0).
struct GroupingCounters {
  long rha_written_count = 0;
  long identical_count = 0;
  long identical_cm90_count = 0;
  long return_code_diff_count = 0;
  long ghj_ghj_diff_count = 0;
  long ghj_cm90_count = 0;
  long cm90_ghj_count = 0;
  long cm90_cm90_diff_count = 0;
};

// Run-wide state of the RHA writer. The driver opens the files and the
// geographic table and keeps this object for the whole run.
struct RhaWriter {
  pmsi::TextWriter* rha = nullptr;          // N.rha
  pmsi::TextWriter* differences = nullptr;  // N.dif
  const pmsi::Tables* tables = nullptr;     // codegeog.tab; null or not open: fallback codes
  std::array<char, 2> classif_version{{' ', ' '}};  // the run's, from the tree file
  GroupingCounters counters;
};

// One accepted RHS as the RHA writer sees it.
struct RhaInput {
  std::string_view record;          // held record as detected (header removed, not normalised)
  std::string_view grouped_record;  // its version-1 shape (at least 204 characters)
  std::string_view read_grouping;   // 9 characters (9 blanks for M01, M02, M03 lines)
  std::string_view week_monday;     // DDMMYYYY of the record's week
  int cm = 0, ghj = 0, return_code = 0;
  int age_years = 0;
  long delay_days = 0;
  long stay_ordinal = 0;
  int index_in_stay = 0;  // from 0
  bool first_of_stay = false;
  bool last_of_stay = false;
};

// Writes the RHA line of `in` (with its line break) and, when the read and
// computed groupings differ and a grouping was read, the differences line;
// counts the comparison. Reads the stay's first entry_date from `stay` and
// sets its stay_entry_flag / stay_exit_flag to 1 on marker "1".
// Dates that are not valid never satisfy a date comparison: such an
// entry_date gives entry marker "2", such an exit_date never gives exit
// marker "1", and the days from the stay's entry are blank when this
// record's entry_date is blank or the stay's first entry_date is blank or
// not a valid date.
void write_rha(RhaWriter& writer, const RhaInput& in, StayContext& stay);

// Builds the RHA line of `in` into `out` (no line break) and returns its
// length; the line holds at most kMaxRhaLine - 1 characters (acts beyond are
// cut), leaving room for the line break. Sets the stay flags as write_rha
// does. Used by write_rha; exposed for tests and benchmarks.
inline constexpr std::size_t kMaxRhaLine = 4096;
std::size_t format_rha(const RhaWriter& writer, const RhaInput& in, StayContext& stay,
                       std::array<char, kMaxRhaLine>& out);

// Geographic code of a 5-character postal code: 5 characters. Without the
// table, for a postal code without an entry, a department index outside
// 0-1019 or a geographic number of 239,580 or more: the code's first two
// characters followed by "999". "99999" and "99000" (table open) stay as they
// are.
std::array<char, 5> geo_code(const pmsi::Tables* tables, std::string_view postal_code);

}  // namespace grouper
