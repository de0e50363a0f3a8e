#include "stat_tri.h"

#include <cstddef>
#include <limits>

namespace sortsol {
namespace {

static_assert(sizeof(StatTri) == 56, "StatTri is 56 bytes");
static_assert(sizeof(InfoTri) == 1072, "InfoTri is 1072 bytes");
static_assert(offsetof(StatTri, records_read) == 32 && offsetof(StatTri, records_removed) == 40);

int32_t clamp32(std::int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v < 0 ? 0 : v);
}

int32_t kib(std::uint64_t bytes) { return clamp32(static_cast<std::int64_t>((bytes + 1023) / 1024)); }

}  // namespace

StatTri to_stat_tri(const SortJob& job, const JobFigures& f) {
  StatTri s{};
  s.size = sizeof(StatTri);
  s.filter = job.filter == DuplicateFilter::record ? 1 : job.filter == DuplicateFilter::keys ? 2 : 0;
  s.key_count = clamp32(static_cast<std::int64_t>(job.keys.size()));
  s.runs = clamp32(f.runs);
  s.merge_passes = clamp32(f.merge_passes);
  s.temp_kib = kib(f.temp_bytes);
  s.input_kib = kib(f.input_bytes);
  s.output_kib = kib(f.output_bytes);
  s.records_read = clamp32(f.records_read);
  s.records_written = clamp32(f.records_written);
  s.records_removed = clamp32(f.records_removed);
  s.elapsed_ms = clamp32(f.elapsed_ms);
  s.memory_mib = kib(f.memory_budget / 1024);
  s.memory_used_kib = kib(f.memory_used);
  return s;
}

}  // namespace sortsol
