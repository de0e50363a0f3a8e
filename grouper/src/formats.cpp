// Format detection and the version-1 shape of RHS records.
#include <algorithm>

#include "common/fields.h"
#include "grouper/rhs.h"

namespace grouper {

std::string_view field(std::string_view record, const FieldSpec& spec) {
  return pmsi::field(record, spec.offset, spec.width);
}

namespace {

const FormatSpec* find_format(std::string_view code) {
  for (const FormatSpec& f : kFormats) {
    if (f.code == code) return &f;
  }
  return nullptr;
}

std::string_view format_code_of(std::string_view line) {
  return pmsi::field(line, kFormatCodeOffset, kFormatCodeWidth);
}

}  // namespace

int format_version(std::string_view code) {
  const FormatSpec* f = find_format(code);
  return f ? f->version : 0;
}

Detection detect_format(std::string& line) {
  Detection d;
  d.read_grouping.fill(' ');
  d.version = format_version(format_code_of(line));

  if (d.version % 2 == 0) {
    // Leading grouping, also assumed for a line whose code is unknown. A line
    // too short to hold it keeps blanks where it has no characters.
    std::string_view head = pmsi::field(line, 0, kReadGroupingWidth);
    std::copy(head.begin(), head.end(), d.read_grouping.begin());
    line.erase(0, std::min(line.size(), kLeadingGroupingWidth));
  }

  d.result = format_version(format_code_of(line)) == 0 ? kUnknownFormat : kAccepted;

  if (d.version <= 2) {
    d.min_length = v1::kLength;
    d.act_width = kCdamActWidth;
  } else if (d.version <= 4) {
    d.min_length = v23::kLength;
    d.act_width = kCdamActWidth;
  } else {
    d.min_length = v23::kLength;
    d.act_width = kCcamActWidth;
  }

  // The act count ends the fixed part; the line must hold exactly that many
  // acts. A size fault takes precedence over an unknown code.
  if (line.size() < d.min_length) {
    d.result = kSizeIncompatible;
  } else {
    const long n = pmsi::read_atoi(pmsi::field(line, d.min_length - 2, 2));
    const long expected = static_cast<long>(d.min_length) + n * static_cast<long>(d.act_width);
    if (static_cast<long>(line.size()) != expected) d.result = kSizeIncompatible;
  }
  return d;
}

void to_version1_shape(std::string_view record, std::string& out) {
  const std::string_view code = format_code_of(record);
  if (code != "M02" && code != "M03") {
    out.assign(record);
    return;
  }
  out.assign(pmsi::field(record, 0, v23::diagnoses.offset));
  for (std::size_t i = 0; i < v23::kDiagCount; ++i) {
    char diag[v1::kDiagWidth];
    std::fill(diag, diag + v1::kDiagWidth, ' ');
    const std::string_view src =
        pmsi::field(record, v23::diagnoses.offset + i * v23::kDiagWidth, v1::kDiagWidth);
    std::copy(src.begin(), src.end(), diag);
    // Padding "+" among the kept 6 characters, from the 6th back to the 3rd.
    for (std::size_t p = v1::kDiagWidth; p >= 3; --p) {
      if (diag[p - 1] != '+') break;
      diag[p - 1] = ' ';
    }
    out.append(diag, v1::kDiagWidth);
  }
  if (record.size() > v23::diagnoses.end()) out.append(record.substr(v23::diagnoses.end()));
}

}  // namespace grouper
