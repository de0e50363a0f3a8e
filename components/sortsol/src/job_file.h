#pragma once
// The sort specification file: statements, checked line by line.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sort_error.h"

namespace sortsol {

enum class KeyKind { string, uint_s, date };
enum class DuplicateFilter { none, record, keys };

struct KeyField {
  KeyKind kind = KeyKind::string;
  std::size_t offset = 0;
  std::size_t length = 0;  // 8 for a date
};

struct SortJob {
  std::string input;
  std::string output;
  std::string log;  // empty: no LOGFILE line
  std::vector<KeyField> keys;
  DuplicateFilter filter = DuplicateFilter::none;
};

struct ParsedJob {
  SortJob job;
  std::optional<SortError> error;
};

// Reads the file at path; SSI_ERR_JOB_FILE_UNREADABLE when it cannot be read,
// SSI_ERR_STATEMENT naming the line and the fault otherwise.
ParsedJob read_job_file(std::string_view path);
// The same over the file's bytes; `name` only serves the messages.
ParsedJob parse_job_file(std::string_view text, std::string_view name);

}  // namespace sortsol
