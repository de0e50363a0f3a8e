#pragma once
// One RHS while it is being made: its fields in version-1 shape (the layout
// of grouper/rhs.h), its acts and its read grouping; rendered at the end in
// the format of its stay.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "grouper/rhs.h"

namespace rhsgen::detail {

inline constexpr int kMaxActs = 10;

struct RhsRecord {
  std::array<char, grouper::v1::kLength> v1;
  int act_count = 0;
  std::array<std::array<char, grouper::kCcamActWidth>, kMaxActs> acts{};
  std::array<char, grouper::kReadGroupingWidth> read_grouping{};
  bool plus_padding = false;  // versions 2 and 3: diagnoses padded with "+" rather than blanks
  std::size_t act_width = grouper::kCdamActWidth;  // of the record's format

  RhsRecord() { clear(); }
  void clear();
  // Writes value at the field, truncated or blank-padded to its width.
  void set(const grouper::FieldSpec& spec, std::string_view value);
  void set_char(const grouper::FieldSpec& spec, char c) { v1[spec.offset] = c; }
  char* at(const grouper::FieldSpec& spec) { return v1.data() + spec.offset; }
  std::string_view get(const grouper::FieldSpec& spec) const {
    return {v1.data() + spec.offset, spec.width};
  }
  // Diagnosis i (0 to 7: diag_1, diag_2, diag_3, then the associated ones).
  char* diagnosis(int i) { return v1.data() + grouper::v1::diag_1.offset + i * grouper::v1::kDiagWidth; }
  std::string_view diagnosis_code(int i) const {
    return {v1.data() + grouper::v1::diag_1.offset + i * grouper::v1::kDiagWidth, grouper::v1::kDiagWidth};
  }
  void set_diagnosis(int i, std::string_view code);
};

// Appends the line (without line end) in format kFormats[format]; the inner
// format code of a leading-grouping format is that of its version without
// grouping. Writes the act count field from act_count.
void render(RhsRecord& r, int format, std::string& out);

}  // namespace rhsgen::detail
