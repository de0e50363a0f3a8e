#pragma once
// Fixed-width fields of records: bytes at an offset and width, safe on short
// records, and the number readings the programs use.
#include <cstddef>
#include <string_view>

namespace pmsi {

// The bytes of [offset, offset + width) that the record holds (fewer, or
// none, when the record is shorter).
// Inline: the programs call it for nearly every field of every record.
inline std::string_view field(std::string_view record, std::size_t offset, std::size_t width) {
  if (offset >= record.size()) return {};
  return record.substr(offset, width);
}

// Blank-tolerant reading: a field whose first character is a digit or a blank
// is read as a decimal number after skipping leading blanks, up to the first
// non-digit; any other first character, or an all-blank or empty field, reads
// as 0.
long read_blank_tolerant(std::string_view f);

// C's atoi over the field: leading blanks, an optional sign, digits up to the
// first non-digit; 0 when there is no digit. Saturates instead of overflowing.
long read_atoi(std::string_view f);

// Empty or only spaces.
inline bool is_blank(std::string_view f) {
  for (const char c : f)
    if (c != ' ') return false;
  return true;
}

}  // namespace pmsi
