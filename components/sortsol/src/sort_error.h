#pragma once
// A failed step of a job: the SSI_ERR_ code and its French text, already in
// Windows-1252 (file names inside it are bytes as given).
#include <optional>
#include <string>
#include <string_view>

namespace sortsol {

struct SortError {
  int code = 0;
  std::string message;
};

// The system text (UTF-8) of a message, converted to Windows-1252, with
// `detail` bytes appended unchanged.
SortError make_error(int code, std::string_view text_utf8, std::string_view detail = {});

// The generic text of a code, Windows-1252.
std::string generic_message(int code);

}  // namespace sortsol
