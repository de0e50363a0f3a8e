// Code arithmetic of the nomenclature lookups, shared with the compiler.
#include <optional>
#include <string_view>

#include "grouper/tables.h"

namespace pmsi {
namespace {

// Letter index A = 0 ... Z = 25, case-insensitive.
std::optional<int> letter_index(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a';
  return std::nullopt;
}

char at(std::string_view s, std::size_t i) { return i < s.size() ? s[i] : ' '; }

}  // namespace

std::optional<int> diagnosis_category_number(std::string_view code) {
  auto letter = letter_index(at(code, 0));
  if (!letter) return std::nullopt;
  int value = 0;
  for (std::size_t i = 1; i <= 2; ++i) {
    char c = at(code, i);
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return *letter * 100 + value;
}

std::optional<int> diagnosis_suffix_key(std::string_view code) {
  static constexpr int kWeight[3] = {132, 11, 1};
  int key = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    char c = at(code, 3 + i);
    int v;
    if (c == ' ') v = 0;
    else if (c >= '0' && c <= '9') v = c - '0' + 1;
    else if (c == '+' && i < 2) v = 11;
    else return std::nullopt;
    key += v * kWeight[i];
  }
  return key;
}

std::optional<int> ccam_bucket_number(std::string_view code) {
  int n = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    auto letter = letter_index(at(code, i));
    if (!letter) return std::nullopt;
    n = n * 26 + *letter;
  }
  return n;
}

}  // namespace pmsi
