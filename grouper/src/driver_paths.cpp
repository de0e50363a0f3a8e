// Paths of a run, the semester table and the stay context of a stay's
// first RHS.
#include <string>

#include "common/paths.h"
#include "grouper/driver.h"
#include "grouper/rhs.h"

namespace grouper {

namespace {

struct SemesterWeeks {
  long year;
  long first1, last1, first2, last2;
};

// 1999 is split after week 25; 1998 ends with week 53.
constexpr SemesterWeeks kSemesters[] = {
    {1998, 199801, 199826, 199827, 199853}, {1999, 199901, 199925, 199926, 199952},
    {2000, 200001, 200026, 200027, 200052}, {2001, 200101, 200126, 200127, 200152},
    {2002, 200201, 200226, 200227, 200252}, {2003, 200301, 200326, 200327, 200352},
};

}  // namespace

bool period_window(int semester, long year, PeriodWindow& out) {
  for (const SemesterWeeks& s : kSemesters) {
    if (s.year != year) continue;
    if (semester == 1) {
      out = PeriodWindow{s.first1, s.last1};
      return true;
    }
    if (semester == 2) {
      out = PeriodWindow{s.first2, s.last2};
      return true;
    }
    return false;
  }
  return false;
}

RunPaths run_paths(std::string_view argv0, std::string_view out_name, int chaining_mode) {
  RunPaths p;
  p.base_dir = pmsi::program_dir(argv0);
  // The front end creates "wks"; the system names it "WKS".
  p.work_dir = pmsi::resolve(pmsi::join(p.base_dir, "WKS"));
  // program_dir keeps the trailing separator; a bare program name means the
  // current directory, where the tables are then looked up.
  p.tables_dir = p.base_dir;
  p.out_name = std::string(out_name);
  const auto in_work = [&](std::string_view name) { return pmsi::join(p.work_dir, name); };
  const std::string n(out_name);
  p.log = in_work(n + ".log");
  p.fmt_err = in_work(n + ".fmt.err");
  p.sorted_input = in_work("$$$in.srt");
  p.transcoded_input = p.sorted_input + ".recod";
  p.transcod_err = in_work("transcod.err");
  p.rha = in_work(n + ".rha");
  p.srha = chaining_mode != kNoChaining ? in_work("srhab.$$$") : in_work(n + ".sha");
  p.hospmsi = in_work("hospmsi.$$$");
  p.dif = in_work(n + ".dif");
  p.ctrls = in_work(n + ".ctrls");
  p.suite_err = in_work(n + ".suite.err");
  return p;
}

void StayContext::start(std::string_view first_record) {
  *this = StayContext{};
  week = std::string(field(first_record, v1::week));
  week_monday = grouper::week_monday(week);
  entry_date = std::string(field(first_record, v1::entry_date));
  entry_mode = std::string(field(first_record, v1::entry_mode));
  entry_origin = std::string(field(first_record, v1::entry_origin));
}

}  // namespace grouper
