#include "record.h"

#include <algorithm>
#include <cstring>

namespace rhsgen::detail {

namespace v1 = grouper::v1;
namespace v23 = grouper::v23;

void RhsRecord::clear() {
  v1.fill(' ');
  act_count = 0;
  read_grouping.fill(' ');
}

void RhsRecord::set(const grouper::FieldSpec& spec, std::string_view value) {
  char* p = v1.data() + spec.offset;
  const std::size_t n = std::min(value.size(), spec.width);
  std::memcpy(p, value.data(), n);
  std::memset(p + n, ' ', spec.width - n);
}

void RhsRecord::set_diagnosis(int i, std::string_view code) {
  char* p = diagnosis(i);
  const std::size_t n = std::min(code.size(), v1::kDiagWidth);
  std::memcpy(p, code.data(), n);
  std::memset(p + n, ' ', v1::kDiagWidth - n);
}

namespace {

void append(std::string& out, const RhsRecord& r, const grouper::FieldSpec& spec) {
  out.append(r.v1.data() + spec.offset, spec.width);
}

}  // namespace

void render(RhsRecord& r, int format, std::string& out) {
  const grouper::FormatSpec& spec = grouper::kFormats[static_cast<std::size_t>(format)];
  // The record's own code is the one of the same version without grouping.
  const grouper::FormatSpec& inner = grouper::kFormats[static_cast<std::size_t>(format & ~1)];
  std::memcpy(r.at(v1::format_code), inner.code.data(), v1::format_code.width);
  char count[3];
  count[0] = r.act_count >= 10 ? static_cast<char>('0' + r.act_count / 10) : ' ';
  count[1] = static_cast<char>('0' + r.act_count % 10);
  std::memcpy(r.at(v1::act_count), count, v1::act_count.width);

  if (spec.leading_grouping) {
    out.append(r.read_grouping.data(), r.read_grouping.size());
    out.append(spec.code);
  }
  if (spec.rhs_version == 1) {
    out.append(r.v1.data(), v1::kLength);
  } else {
    out.append(r.v1.data(), v1::diag_1.offset);  // identical fields of every version
    for (int i = 0; i < static_cast<int>(v23::kDiagCount); ++i) {
      std::string_view code = r.diagnosis_code(i);
      std::size_t used = code.find_last_not_of(' ');
      used = used == std::string_view::npos ? 0 : used + 1;
      out.append(code.data(), used);
      // A blank diagnosis stays blank; a code is padded with "+" or blanks.
      out.append(v23::kDiagWidth - used, used > 0 && r.plus_padding ? '+' : ' ');
    }
    // scores, flag_153, durations, act_count: same order, same widths.
    static_assert(v23::scores.offset + v23::scores.width == v23::flag_153.offset &&
                  v23::flag_153.end() == v23::durations.offset &&
                  v23::durations.end() == v23::act_count.offset &&
                  v1::scores.end() == v1::flag_153.offset && v1::flag_153.end() == v1::durations.offset &&
                  v1::durations.end() == v1::act_count.offset);
    append(out, r, v1::scores);
    append(out, r, v1::flag_153);
    append(out, r, v1::durations);
    append(out, r, v1::act_count);
  }
  for (int i = 0; i < r.act_count; ++i)
    out.append(r.acts[static_cast<std::size_t>(i)].data(), spec.act_width);
}

}  // namespace rhsgen::detail
