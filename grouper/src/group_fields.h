#pragma once
// Fast readings of the fields that every grouping reads many times. Each
// gives exactly what the general reading gives; the common all-digit case
// skips the general parser.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "common/fields.h"
#include "grouper/rhs.h"

namespace grouper::detail {

inline bool all_digits(std::string_view f) {
  if (f.size() == 4) {
    // Four bytes at once: each is 0x30...0x39 when its high nibble is 3 and
    // adding 6 to it leaves the high nibble 3.
    std::uint32_t v;
    std::memcpy(&v, f.data(), 4);
    return (v & 0xF0F0F0F0u) == 0x30303030u && ((v + 0x06060606u) & 0xF0F0F0F0u) == 0x30303030u;
  }
  for (char c : f)
    if (c < '0' || c > '9') return false;
  return !f.empty();
}

inline int digits_value(const char* p, int n) {
  int v = 0;
  for (int i = 0; i < n; ++i) v = v * 10 + (p[i] - '0');
  return v;
}

// parse_date of a DDMMYYYY text.
inline Ymd date_of(std::string_view f) {
  if (f.size() == 8 && all_digits(f)) return Ymd{digits_value(f.data() + 4, 4), digits_value(f.data() + 2, 2), digits_value(f.data(), 2)};
  return parse_date(f);
}

// pmsi::read_blank_tolerant of a field of at most 9 characters: a first
// character that is neither a digit nor a blank reads as 0; otherwise leading
// blanks are skipped and digits read up to the first other character.
inline long blank_tolerant(std::string_view f) {
  if (f.size() > 9) return pmsi::read_blank_tolerant(f);
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  if (i == 0 && !f.empty() && (f[0] < '0' || f[0] > '9')) return 0;
  long v = 0;
  for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) v = v * 10 + (f[i] - '0');
  return v;
}

// pmsi::read_atoi of a field of at most 9 characters.
inline long atoi_of(std::string_view f) {
  if (f.size() > 9) return pmsi::read_atoi(f);
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  // Signs and other white space: the general reading.
  if (i < f.size() && (f[i] < '0' || f[i] > '9')) return pmsi::read_atoi(f);
  long v = 0;
  for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) v = v * 10 + (f[i] - '0');
  return v;
}

}  // namespace grouper::detail
