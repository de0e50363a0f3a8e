#pragma once
// One sort job: reads the input, sorts and filters it in memory or through
// runs on disk, writes the output under a temporary name, renames it into
// place and appends its report to the log.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "record_io.h"
#include "sort_error.h"
#include "job_file.h"

namespace sortsol {

inline constexpr std::size_t kDefaultMemoryMiB = 256;
inline constexpr std::size_t kDefaultFanIn = 16;

struct SortOptions {
  std::size_t memory_bytes = 0;  // 0: SORTSOL_MEMORY_MB, else 256 MiB
  std::size_t fan_in = kDefaultFanIn;  // runs merged at once, at least 2
  WriteFn write = nullptr;       // nullptr: fwrite
};

struct JobFigures {
  std::int64_t records_read = 0;
  std::int64_t records_removed = 0;
  std::int64_t records_written = 0;
  std::int64_t runs = 0;
  std::int64_t merge_passes = 0;
  std::uint64_t temp_bytes = 0;
  std::uint64_t input_bytes = 0;
  std::uint64_t output_bytes = 0;
  std::int64_t elapsed_ms = 0;
  std::size_t memory_budget = 0;
  std::size_t memory_used = 0;  // largest memory held for the records of a run
};

struct SortOutcome {
  JobFigures figures;
  std::optional<SortError> error;
};

// The budget that SORTSOL_MEMORY_MB sets, or the default.
std::size_t memory_budget_from_environment();

SortOutcome run_sort(const SortJob& job, const SortOptions& options = {});

}  // namespace sortsol
