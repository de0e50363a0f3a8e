#pragma once
// k-way merge of sorted runs.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record_io.h"
#include "sort_key.h"

namespace sortsol {

// Merges the runs, given in input order, and then `last` (sorted records
// that follow the runs in the input; may be null) into out. Records with
// equal keys come out in input order; the filter drops duplicates, the first
// in input order staying. Adds the records dropped to `removed`.
std::optional<SortError> merge_runs(const std::vector<std::string>& runs, RecordSource* last, OutputFile& out,
                                    const KeyLayout& layout, DuplicateFilter filter, std::size_t buffer_size,
                                    std::int64_t& removed);

}  // namespace sortsol
