#pragma once
// Field controls of one RHS in its version-1 shape: every field is checked
// and each failed control appends a code to the record's error list. The
// first blocking code (in the order the controls run) is the return code;
// non-blocking codes are collected and change nothing.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "grouper/tables.h"

namespace grouper {

// Up to 100 codes in the order found; a code found when the list is full is
// dropped (record_error).
inline constexpr std::size_t kErrorListCapacity = 100;

struct ErrorList {
  std::array<std::int16_t, kErrorListCapacity> codes{};
  std::size_t count = 0;

  void clear() {
    codes.fill(0);
    count = 0;
  }
  void record_error(int code) {
    if (count < codes.size()) codes[count++] = static_cast<std::int16_t>(code);
  }
  std::span<const std::int16_t> found() const { return {codes.data(), count}; }
};

// The 35 codes that do not stop the grouping.
bool is_non_blocking(int code);

// First code of the list that is neither 0 nor non-blocking; 0 when none.
int first_blocking_code(const ErrorList& errors);

// check_mask results.
enum MaskResult : int { kMaskMatches = 0, kMaskBlank = 1, kMaskTooShort = 2, kMaskMismatch = 3 };
// Alignment: which part of the field is compared with the mask.
enum MaskAlignment : int {
  kWholeField = 0,       // positions 0 to n - 1
  kLeadingBlanks = 1,    // first non-blank to n - 1
  kTrailingBlanks = 2,   // 0 to last non-blank
  kBlanksAround = 3,     // first to last non-blank
};

// Mask characters: 9 digit, Z digit or blank, F digit/A/B (either case),
// X letter, A letter or digit, Y letter, digit or blank, + digit, blank or
// "+", any other character accepts anything. The field is read over the
// mask's length (a field shorter than the mask counts its missing characters
// as blanks).
int check_mask(std::string_view field, std::string_view mask, int alignment, std::size_t min_length);

// The field's first `width` characters equal one of the width-character items
// of `set`, taken in order from its start (" 567", width 1: blank, 5, 6, 7).
bool in_set(std::string_view field, std::string_view set, std::size_t width);

// What the controls read besides the record: the Monday of the record's week
// and the table lookups made before them.
struct ControlInput {
  std::string_view record;       // version-1 shape, at least 204 characters
  std::string_view week_monday;  // DDMMYYYY of the record's `week`
  std::span<const pmsi::DiagnosisSlot, pmsi::kDiagnosisSlotCount> diagnoses;
  std::span<const pmsi::ActSlot> acts;  // the acts loaded (at most 10)
};

// Today's local date, DDMMYYYY, from the system clock.
std::array<char, 8> reference_date();

// run_controls: CM := 90, GHJ := 900, clears the list, runs every control
// (with today's date from the system clock), and sets the return code to the
// first blocking code (0 when none), which it returns.
std::int16_t run_controls(const ControlInput& in, ErrorList& errors, std::int16_t& return_code,
                          std::int16_t& cm, std::int16_t& ghj);

}  // namespace grouper
