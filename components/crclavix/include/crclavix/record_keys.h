#pragma once
// Maintainers' side of the library: the keys of whole files, and record files
// with the integrity key written in front of each record (how the first 4
// characters of an ANO-HOSP record are made).
#include <cstdio>
#include <string>
#include <string_view>

#include "common/result.h"

namespace crclavix {

// key + record, for one record without its line end.
std::string keyed_record(std::string_view record);

// Reads the text file at path line by line and writes every line to out as
// keyed_record(line) followed by CR LF. A last line without line end is
// written all the same.
pmsi::Status write_record_keys(std::string_view path, std::FILE* out);

}  // namespace crclavix
