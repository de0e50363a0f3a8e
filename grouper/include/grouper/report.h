#pragma once
// The execution report that ends the run log.
#include "grouper/rha.h"
#include "grouper/run.h"

namespace pmsi {
class TextWriter;
}

namespace grouper {

// Program version shown in the report and written into every RHA.
inline constexpr const char* kVerdanVersion = "240";

// Appends the report to `log`: counts of the driver (run.counters), of the
// RHA writer (grouping) and of the SRHA writer (srha_written_count), the
// FINESS of the first accepted RHS (run.finess), the RHS file as the user
// named it (run.rhs_word), the RHA and SRHA paths and the classification
// version. Write errors are not detected.
void write_report(pmsi::TextWriter& log, const Run& run, const GroupingCounters& grouping,
                  long srha_written_count);

}  // namespace grouper
