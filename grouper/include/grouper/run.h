#pragma once
// The state of one grouper run, owned by the driver and shared with the
// writers (RHA, SRHA, sequence checks) and the execution report: paths, open
// files, period window, the current stay and the driver's counters.
//
// Writers may read everything here; they change only what a comment gives
// them (the stay flags).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/paths.h"
#include "common/textfile.h"

namespace grouper {

// Chaining modes of the command line (word 5).
enum ChainingMode : int { kNoChaining = 0, kChainingOwnLink = 1, kChainingUserLink = 2 };

// First and last week of the semester, as YYYYWW numbers.
struct PeriodWindow {
  long first = 0;
  long last = 0;
  bool contains(long week_code) const { return week_code >= first && week_code <= last; }
};

// Built-in semester table (years 1998 to 2003). Returns false for any other
// year or a semester other than 1 or 2.
bool period_window(int semester, long year, PeriodWindow& out);

// Every path of a run, built once at start-up. Data files lie in work_dir.
struct RunPaths {
  std::string base_dir;     // drive and directory of argv[0], "" for a bare name
  std::string work_dir;     // base_dir + "WKS", resolved without regard to case
  std::string tables_dir;   // base_dir with a trailing separator (when not empty)
  std::string out_name;     // N: base name of the output files
  std::string log;          // N.log
  std::string fmt_err;      // N.fmt.err
  std::string sorted_input; // $$$in.srt (written by the front end)
  std::string transcoded_input;  // $$$in.srt.recod
  std::string transcod_err; // transcod.err
  std::string rha;          // N.rha
  std::string srha;         // N.sha, or srhab.$$$ when chaining
  std::string hospmsi;      // hospmsi.$$$ (chaining mode 1 only)
  std::string dif;          // N.dif
  std::string ctrls;        // N.ctrls
  std::string suite_err;    // N.suite.err
};

// Files open during the run. An empty optional is a file not (yet) opened.
struct RunFiles {
  std::optional<pmsi::TextWriter> log;
  std::optional<pmsi::TextWriter> fmt_err;
  std::optional<pmsi::TextWriter> rha;
  std::optional<pmsi::TextWriter> srha;
  std::optional<pmsi::TextWriter> hospmsi;  // chaining mode 1 only
  std::optional<pmsi::TextWriter> dif;
  std::optional<pmsi::TextWriter> ctrls;
  std::optional<pmsi::TextWriter> suite_err;
  pmsi::FilePtr codegeog;  // "codegeog.tab", null when missing
};

inline constexpr std::size_t kCmCount = 100;
inline constexpr std::size_t kGhjCount = 300;

// Set from the first RHS of a stay (StayContext::start), read by the writers.
struct StayContext {
  std::string week_monday;   // DDMMYYYY: Monday of the first RHS's week
  std::string entry_date;    // 8 characters of the first RHS
  std::string entry_mode;    // 1 character
  std::string entry_origin;  // 1 character
  std::string week;          // WWYYYY of the first RHS
  // 2 at the start of a stay; the RHA writer sets them to 1.
  int stay_entry_flag = 2;
  int stay_exit_flag = 2;
  long presence_total = 0;
  std::array<long, kCmCount> cm_days{};
  std::array<long, kGhjCount> ghj_days{};
  // The entries of cm_days and ghj_days that add_presence_days touched, one
  // bit each, so that the SRHA visits those alone, in index order.
  std::array<std::uint64_t, (kCmCount + 63) / 64> cm_touched{};
  std::array<std::uint64_t, (kGhjCount + 63) / 64> ghj_touched{};
  int rhs_index = 0;   // index within the stay of the RHS being handled
  int um_changes = 0;

  // Resets everything and takes the fields of the stay's first RHS (as
  // detected: header removed).
  void start(std::string_view first_record);
};

// The RHS of one stay, as detected, for the sequence checks. RHS beyond the
// 50th are not kept; each slot keeps the first kStayBufferSlotWidth
// characters of its RHS (the checks read below offset 99 only).
inline constexpr std::size_t kStayBufferSlots = 50;
inline constexpr std::size_t kStayBufferSlotWidth = 270;
using StayBuffer = std::array<std::string, kStayBufferSlots>;

struct DriverCounters {
  long lines_read = 0;
  long rejected_count = 0;
  long v1_count = 0;  // formats M01, M11
  long v2_count = 0;  // M02, M12
  long v3_count = 0;  // M03, M13
  long read_grouping_count = 0;  // even versions, 0 included
  long out_of_period_count = 0;
  long sequence_error_stays = 0;
};

struct Run {
  RunPaths paths;
  RunFiles files;

  // Command-line words as typed.
  std::string rhs_word;       // word 1: shown in the report only
  std::string semester_word;  // word 3
  std::string year_word;      // word 4
  int chaining_mode = kNoChaining;

  PeriodWindow period;
  std::string classif_version = "  ";  // 2 characters of the tree table header

  long stay_ordinal = 1;  // of the stay being handled, from 1
  StayContext stay;
  StayBuffer stay_buffer;
  DriverCounters counters;

  std::string finess = "         ";  // first accepted RHS, 9 blanks when none

  // The held record being handled.
  long held_line_number = 0;
  std::array<char, 9> read_grouping{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  std::string_view read_grouping_view() const { return {read_grouping.data(), read_grouping.size()}; }
};

}  // namespace grouper
