#include "common/fields.h"

#include <climits>

namespace pmsi {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

long digits(std::string_view f, std::size_t i, bool negative) {
  long v = 0;
  for (; i < f.size() && is_digit(f[i]); ++i) {
    int d = f[i] - '0';
    // v * 10 + d > LONG_MAX, without a division per digit.
    if (v > LONG_MAX / 10 || (v == LONG_MAX / 10 && d > LONG_MAX % 10)) return negative ? LONG_MIN : LONG_MAX;
    v = v * 10 + d;
  }
  return negative ? -v : v;
}

}  // namespace

long read_blank_tolerant(std::string_view f) {
  if (f.empty() || !(is_digit(f[0]) || f[0] == ' ')) return 0;
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  return digits(f, i, false);
}

long read_atoi(std::string_view f) {
  if (!f.empty() && is_digit(f[0])) return digits(f, 0, false);  // the usual case
  std::size_t i = 0;
  while (i < f.size() && (f[i] == ' ' || f[i] == '\t' || f[i] == '\n' || f[i] == '\r' ||
                          f[i] == '\v' || f[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < f.size() && (f[i] == '+' || f[i] == '-')) negative = f[i++] == '-';
  return digits(f, i, negative);
}

}  // namespace pmsi
