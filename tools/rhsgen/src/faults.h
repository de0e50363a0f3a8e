#pragma once
// Faults on demand. Each keeps the sort keys of the record (stay number, week,
// entry and exit dates), so the file stays in the front end's order.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "record.h"
#include "rhsgen/catalogue.h"
#include "rng.h"

namespace rhsgen::detail {

// One field fault whose control code is blocking (presence days, diagnoses,
// scores, flag, durations, delay date, act form, exit before entry).
bool inject_blocking_fault(Rng& rng, const Catalogue& c, RhsRecord& r);

// One field fault whose control codes are all non-blocking (FINESS, care
// unit, entry mode, exit mode, third diagnosis, unknown associated diagnosis
// or act).
bool inject_non_blocking_fault(Rng& rng, const Catalogue& c, RhsRecord& r);

// One inconsistency between the weeks of a stay (at least 2 records): sex,
// postal code, birth date or type of hospitalisation changing from some week
// on, a missing week of a full hospitalisation, or a presence day given in two
// RHS of the same week. Returns the index of the first record that shows it
// (the sequence checks see it once that record is written), -1 when none
// applies.
int inject_sequence_fault(Rng& rng, bool full_hospitalisation, bool has_entry,
                           std::vector<RhsRecord>& records,
                           const std::array<std::string_view, 8>& units);

// Makes a rendered line (format kFormats[format]) one that format detection
// rejects: a character missing or added, an act count that disagrees with the
// acts, or an unknown format code.
void spoil_format(Rng& rng, int format, std::string& line);

}  // namespace rhsgen::detail
