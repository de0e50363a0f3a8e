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

struct KeySpec {
  KeyKind kind = KeyKind::string;
  std::size_t offset = 0;
  std::size_t length = 0;  // 8 for a date
};

struct SortSpec {
  std::string input;
  std::string output;
  std::string log;  // empty: no LOGFILE line
  std::vector<KeySpec> keys;
  DuplicateFilter filter = DuplicateFilter::none;
};

struct ParsedSpec {
  SortSpec spec;
  std::optional<SortError> error;
};

// Reads the file at path; SSI_ERR_SPEC_UNREADABLE when it cannot be read,
// SSI_ERR_SPEC_STATEMENT naming the line and the fault otherwise.
ParsedSpec read_sort_specification(std::string_view path);
// The same over the file's bytes; `name` only serves the messages.
ParsedSpec parse_sort_specification(std::string_view text, std::string_view name);

}  // namespace sortsol
