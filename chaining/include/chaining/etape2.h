#pragma once
// Chaining step 2: merges the sorted ANO-PMSI file with the grouper's sorted
// SRHA file on the SSR stay number, writes the final SRHA file N.sha and the
// chaining file N.ano, then seals N.rha with the key of N.ano and a table_sum.
// Findings go to etape1.err, counts to etape1.log, both appended to.
#include <string>
#include <string_view>

namespace chaining {

// base_name is N, the base name of the run's files. Returns the exit code:
// 0 after the run, 1 when a file cannot be opened.
int etape2(std::string_view program_dir, std::string_view base_name);

// The 23-character key block of a chaining line ("%5.5s%c%17.17s" of the
// ANO-PMSI ano code and link status, the chaining status, the anonymous
// number).
std::string key_block(std::string_view head, char status, std::string_view anonymous_number);
// Chaining lines with their line end: with an ANO-PMSI partner
// ("%9.9s%6.6s%23.23s%4.4s%7.7s\n"), and without one
// ("%9.9s%6.6s99999%cXXXXXXXXXXXXXXXXXXXXX%7.7s\n").
std::string chaining_line(std::string_view finess, std::string_view month_year,
                          std::string_view key_block, std::string_view day_count,
                          std::string_view stay_ordinal);
std::string chaining_line_alone(std::string_view finess, std::string_view month_year, char status,
                                std::string_view stay_ordinal);

}  // namespace chaining
