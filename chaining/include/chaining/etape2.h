#pragma once
// Chaining step 2: merges the sorted ANO-PMSI file with the grouper's sorted
// SRHA file on the SSR stay number, writes the final SRHA file N.sha and the
// chaining file N.ano, then seals N.rha with the key of N.ano and a table_sum.
// Findings go to etape1.err, counts to etape1.log, both appended to.
#include <string_view>

namespace chaining {

// base_name is N, the base name of the run's files. Returns the exit code:
// 0 after the run, 1 when a file cannot be opened.
int etape2(std::string_view program_dir, std::string_view base_name);

}  // namespace chaining
