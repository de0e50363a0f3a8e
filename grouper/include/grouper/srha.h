#pragma once
// The SRHA writer: one stay summary per stay, written at the stay's last RHS,
// and in chaining mode 1 the link line of the HOSP-PMSI file.
#include <array>
#include <cstddef>
#include <string_view>

#include "grouper/rhs.h"
#include "grouper/run.h"

namespace pmsi {
class TextWriter;
}

namespace grouper {

// SRHA fixed part (60 characters). Positions 0-20 form the chaining prefix;
// in chaining mode 0 only positions 21-59 are written.
namespace srha {
inline constexpr FieldSpec stay_number{"stay_number", 0, 7};
inline constexpr FieldSpec first_week_monday{"first_week_monday", 7, 8};
inline constexpr FieldSpec first_week{"first_week", 15, 6};
inline constexpr FieldSpec finess{"finess", 21, 9};
inline constexpr FieldSpec format_code{"format_code", 30, 3};  // "M31"
inline constexpr FieldSpec srha_version{"srha_version", 33, 3};  // "240"
inline constexpr FieldSpec stay_ordinal{"stay_ordinal", 36, 7};
inline constexpr FieldSpec stay_type{"stay_type", 43, 1};
inline constexpr FieldSpec presence_total{"presence_total", 44, 3};
inline constexpr FieldSpec entry_mode{"entry_mode", 47, 1};
inline constexpr FieldSpec entry_origin{"entry_origin", 48, 1};
inline constexpr FieldSpec exit_mode{"exit_mode", 49, 1};
inline constexpr FieldSpec exit_destination{"exit_destination", 50, 1};
inline constexpr FieldSpec hosp_type{"hosp_type", 51, 1};
inline constexpr FieldSpec care_unit_count{"care_unit_count", 52, 2};
inline constexpr FieldSpec rhs_count{"rhs_count", 54, 2};
inline constexpr FieldSpec cm_entry_count{"cm_entry_count", 56, 2};
inline constexpr FieldSpec ghj_entry_count{"ghj_entry_count", 58, 2};
inline constexpr std::size_t kFixedLength = 60;
inline constexpr std::size_t kPrefixLength = 21;
inline constexpr std::size_t kCmEntryWidth = 5;   // "%03d%02d" days, CM
inline constexpr std::size_t kGhjEntryWidth = 6;  // "%03d%03d" days, GHJ
inline constexpr std::array<FieldSpec, 18> kLayout{
    stay_number,  first_week_monday, first_week, finess,     format_code,      srha_version,
    stay_ordinal, stay_type,         presence_total, entry_mode, entry_origin, exit_mode,
    exit_destination, hosp_type,     care_unit_count, rhs_count, cm_entry_count, ghj_entry_count};
}  // namespace srha

// Link line of hospmsi.$$$: "%7.7s%20.20s\n" with stay_number and ipp.
inline constexpr std::size_t kLinkLineLength = 27;

// Adds an RHS's presence_day_count to the stay: always to the total; to the
// counters of its CM and its GHJ when the CM is below 90 (a grouped RHS). A
// GHJ outside 0-299 (or a CM below 0) has no counter: it is left out of its
// list while its days still count in the total (and in its CM).
void add_presence_days(StayContext& stay, long presence_day_count, int cm, int ghj);

// Run-wide state of the SRHA writer; the driver opens the files.
struct SrhaWriter {
  int mode = kNoChaining;  // ChainingMode
  pmsi::TextWriter* srha = nullptr;  // N.sha (mode 0) or srhab.$$$ (modes 1, 2)
  pmsi::TextWriter* link = nullptr;  // hospmsi.$$$ (mode 1 only)
  long srha_written_count = 0;
};

struct SrhaInput {
  std::string_view record;  // the stay's last RHS as detected
  int rhs_count = 0;        // number of RHS in the stay
  int um_changes = 0;
  long stay_ordinal = 0;
};

// Writes the stay's SRHA line (and in mode 1 its link line), reading from
// `stay` what its first RHS left there, the two stay flags and the days.
// Values that would overflow their field are capped so the line keeps its
// layout: day counts at 999, two-digit counts at 99. Returns 0 (the output line is built
// in a fixed buffer: there is no allocation to fail).
int write_srha(SrhaWriter& writer, const SrhaInput& in, const StayContext& stay);

// Builds the whole SRHA line (60-character fixed part, CM list, GHJ list, no
// line break) into `out`; returns its length. Exposed for tests.
inline constexpr std::size_t kMaxSrhaLine =
    srha::kFixedLength + kCmCount * srha::kCmEntryWidth + kGhjCount * srha::kGhjEntryWidth;
std::size_t format_srha(const SrhaInput& in, const StayContext& stay,
                        std::array<char, kMaxSrhaLine>& out);

}  // namespace grouper
