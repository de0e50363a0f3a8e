#pragma once
// The grouper run: command line, paths, start-up, the record loop and the
// execution report.
#include <span>
#include <string>
#include <string_view>

#include "grouper/run.h"

namespace grouper {

// Exit codes of verdan.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNoRecord = 1;  // no line accepted, or an over-long first line
inline constexpr int kExitFailure = -1;  // open failure, wrong period, bad command line

// The whole run. words[0] is the program path, then the RHS file as the user
// chose it, the output base name, the semester, the year and the chaining
// mode. Returns the exit code.
int verdan(std::span<const char* const> words);

// Paths of a run from the program path and the output base name. The
// working directory "WKS" is resolved without regard to case.
RunPaths run_paths(std::string_view argv0, std::string_view out_name, int chaining_mode);

}  // namespace grouper
