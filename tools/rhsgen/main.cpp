// rhsgen: words -> options -> generator -> exit code.
#include <cstdio>
#include <string_view>
#include <vector>

#include "rhsgen/rhsgen.h"

int main(int argc, char** argv) {
  std::vector<std::string_view> words(argv + 1, argv + argc);
  auto options = rhsgen::parse_options(words);
  if (!options) {
    std::fprintf(stderr, "rhsgen: error: %s\n", options.error().c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(rhsgen::help_text().c_str(), stdout);
    return 0;
  }
  auto summary = rhsgen::run(options.value());
  if (!summary) {
    std::fprintf(stderr, "rhsgen: error: %s\n", summary.error().c_str());
    return 1;
  }
  const rhsgen::Summary& s = summary.value();
  std::fprintf(stderr,
               "rhsgen: %ld lines, %ld stays (M01 %ld, M11 %ld, M02 %ld, M12 %ld, M03 %ld, M13 %ld); "
               "faults: format %ld, blocking %ld, non-blocking %ld, sequence %ld stays, "
               "out of period %ld; old CCAM codes: V0 %ld, deleted %ld; classification: %s\n",
               s.lines, s.stays, s.per_format[0], s.per_format[1], s.per_format[2], s.per_format[3],
               s.per_format[4], s.per_format[5], s.format_faults, s.blocking_faults,
               s.non_blocking_faults, s.sequence_faults, s.out_of_period, s.ccam_v0_acts,
               s.ccam_deleted_acts, s.classification.c_str());
  return 0;
}
