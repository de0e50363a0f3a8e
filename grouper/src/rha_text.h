#pragma once
// Formatting into fixed line buffers without allocation, with exactly the
// output of the printf conversions the record formats are defined with.
#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/fields.h"
#include "grouper/rhs.h"

namespace grouper::detail {

// The bytes of a field that the record holds (fewer, or none, when short).
inline std::string_view at(std::string_view record, std::size_t offset, std::size_t width) {
  if (offset >= record.size()) return {};
  std::size_t n = record.size() - offset;
  return {record.data() + offset, n < width ? n : width};
}

inline std::string_view sub(std::string_view record, const FieldSpec& spec) {
  return at(record, spec.offset, spec.width);
}

// The field's bytes unchanged, blank-padded to `width` when the text is
// shorter (record content is copied as it stands).
inline char* put_bytes(char* p, std::string_view f, std::size_t width) {
  std::size_t n = f.size() < width ? f.size() : width;
  if (n > 0) std::memcpy(p, f.data(), n);
  std::memset(p + n, ' ', width - n);
  return p + width;
}

inline char* put_literal(char* p, std::string_view s) {
  std::memcpy(p, s.data(), s.size());
  return p + s.size();
}

// "%0<width>d": zero-padded, the sign counting in the width, wider when the
// value needs more digits.
inline char* put_int(char* p, long v, int width) {
  char digits[24];
  int n = 0;
  bool negative = v < 0;
  unsigned long u = negative ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
  do {
    digits[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (negative) *p++ = '-';
  for (int pad = width - n - (negative ? 1 : 0); pad > 0; --pad) *p++ = '0';
  while (n > 0) *p++ = digits[--n];
  return p;
}

inline long clamp(long v, long lo, long hi) { return v < lo ? lo : (v > hi ? hi : v); }

// "%<width>.<width>s" of a C string: at most `width` bytes, stopping at a NUL
// byte, right-aligned in `width` (blanks on the left).
inline char* put_cstring(char* p, std::string_view f, std::size_t width) {
  std::size_t n = 0;
  while (n < f.size() && n < width && f[n] != '\0') ++n;
  std::memset(p, ' ', width - n);
  if (n > 0) std::memcpy(p + (width - n), f.data(), n);
  return p + width;
}

}  // namespace grouper::detail
