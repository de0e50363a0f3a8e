#pragma once
// Chaining step 1: merges the ANO-HOSP file (anonymous number per
// administrative number) with the HOSP-PMSI file (administrative number per
// SSR stay number), checks every ANO-HOSP integrity key, and writes one
// ANO-PMSI line per HOSP-PMSI record into the working directory. Findings go
// to etape1.err, counts to etape1.log, both appended to.
#include <string>
#include <string_view>

namespace chaining {

// Returns the exit code: 0 after the run, 1 when a file cannot be opened.
int etape1(std::string_view program_dir, std::string_view ano_hosp_path,
           std::string_view hosp_pmsi_path);

// The ANO-PMSI lines, with their line end: linked to an ANO-HOSP record
// ("%4.4s%c%17.17s%7.7s\n"), and without one ("9999%cXXXXXXXXXXXXXXXXX%7.7s\n").
std::string linked_line(std::string_view ano_code, char status, std::string_view anonymous_number,
                        std::string_view stay_number);
std::string unlinked_line(char status, std::string_view stay_number);

}  // namespace chaining
