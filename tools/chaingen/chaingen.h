#pragma once
// chaingen: consistent key files for the chaining programs, made from the
// stays of an RHS file, of a link file or of an SRHA chaining file.
#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"

namespace chaingen {

struct Stay {
  std::string stay_number;   // 7 characters
  std::string admin_number;  // 20 characters (the RHS ipp)
};

enum class Source { rhs, link, srha };

// The stays of a file, in the order of their first line. From an RHS file
// the administrative number is the ipp of the stay's last RHS; an SRHA file
// carries none, so one is made from the seed.
pmsi::Result<std::vector<Stay>> read_stays(Source source, const std::string& path, std::uint64_t seed);

struct Faults {
  int wrong_keys = 0;    // ANO-HOSP records whose key is wrong
  int special = 0;       // special ANO-HOSP records added
  int repeat_admin = 0;  // extra ANO-HOSP records repeating a number with another anonymous number
  int missing_ano = 0;   // numbers left out of ANO-HOSP (their stays only in HOSP-PMSI)
  int missing_hosp = 0;  // ANO-HOSP numbers that no stay has
  int empty_lines = 0;   // empty lines inserted in each file
  int high_chars = 0;    // anonymous numbers with characters above 127
  bool unsorted = false; // lines shuffled instead of sorted on the number
};

struct Files {
  std::vector<std::string> ano_hosp;   // lines without line end
  std::vector<std::string> hosp_pmsi;
};

// One ANO-HOSP record per distinct administrative number (sound key, ano
// code "0000", an anonymous number drawn from the seed and the number), one
// HOSP-PMSI record per stay; both sorted in byte order of the number as the
// front end's sort jobs leave them, then the faults.
Files generate(const std::vector<Stay>& stays, const Faults& faults, std::uint64_t seed);

// Writes lines with CR LF line ends.
pmsi::Status write_lines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace chaingen
