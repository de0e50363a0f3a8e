#pragma once
// The figures of a job in the caller's StatTri layout.
#include "sort_job.h"
#include "sortsol/sortsol.h"

namespace sortsol {

StatTri to_stat_tri(const SortJob& job, const JobFigures& figures);

}  // namespace sortsol
