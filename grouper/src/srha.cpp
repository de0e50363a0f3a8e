#include "grouper/srha.h"

#include <bit>
#include <cstdint>

#include "common/textfile.h"
#include "rha_text.h"

namespace grouper {
namespace {

using detail::clamp;
using detail::put_bytes;
using detail::put_int;
using detail::put_literal;
using detail::sub;

constexpr long kMaxDays = 999;   // three-digit day counts
constexpr long kMaxCount = 99;   // two-digit counts

char stay_type(const StayContext& stay) {
  // entry/exit flags 1/1 -> "1", 2/1 -> "2", 1/2 -> "3", 2/2 -> "4".
  int entry_open = stay.stay_entry_flag == 1 ? 0 : 1;
  int exit_open = stay.stay_exit_flag == 1 ? 0 : 1;
  return static_cast<char>('1' + entry_open + 2 * exit_open);
}

}  // namespace

void add_presence_days(StayContext& stay, long presence_day_count, int cm, int ghj) {
  stay.presence_total += presence_day_count;
  if (cm >= 90) return;
  if (cm >= 0) {
    const auto i = static_cast<std::size_t>(cm);
    stay.cm_days[i] += presence_day_count;
    stay.cm_touched[i / 64] |= std::uint64_t{1} << (i % 64);
  }
  if (ghj >= 0 && ghj < static_cast<int>(kGhjCount)) {
    const auto i = static_cast<std::size_t>(ghj);
    stay.ghj_days[i] += presence_day_count;
    stay.ghj_touched[i / 64] |= std::uint64_t{1} << (i % 64);
  }
}

std::size_t format_srha(const SrhaInput& in, const StayContext& stay,
                        std::array<char, kMaxSrhaLine>& out) {
  std::string_view r = in.record;
  char* p = out.data();
  p = put_bytes(p, sub(r, v1::stay_number), srha::stay_number.width);
  p = put_bytes(p, stay.week_monday, srha::first_week_monday.width);
  p = put_bytes(p, stay.week, srha::first_week.width);
  p = put_bytes(p, sub(r, v1::finess), srha::finess.width);
  p = put_literal(p, "M31");
  p = put_literal(p, "240");
  p = put_int(p, in.stay_ordinal, 7);
  *p++ = stay_type(stay);
  p = put_int(p, clamp(stay.presence_total, 0, kMaxDays), 3);
  p = put_bytes(p, stay.entry_mode, 1);
  p = put_bytes(p, stay.entry_origin, 1);
  p = put_bytes(p, sub(r, v1::exit_mode), 1);
  p = put_bytes(p, sub(r, v1::exit_destination), 1);
  p = put_bytes(p, sub(r, v1::hosp_type), 1);
  p = put_int(p, clamp(in.um_changes + 1L, 0, kMaxCount), 2);
  p = put_int(p, clamp(in.rhs_count, 0, kMaxCount), 2);
  char* cm_entries = p;
  char* ghj_entries = p + 2;
  p += 4;

  long cm_count = 0, ghj_count = 0;
  // Entries in index order; an untouched entry is 0 and is not listed.
  for (std::size_t w = 0; w < stay.cm_touched.size(); ++w) {
    for (std::uint64_t bits = stay.cm_touched[w]; bits != 0; bits &= bits - 1) {
      const std::size_t cm = w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
      if (stay.cm_days[cm] == 0) continue;
      p = put_int(p, clamp(stay.cm_days[cm], 0, kMaxDays), 3);
      p = put_int(p, static_cast<long>(cm), 2);
      ++cm_count;
    }
  }
  for (std::size_t w = 0; w < stay.ghj_touched.size(); ++w) {
    for (std::uint64_t bits = stay.ghj_touched[w]; bits != 0; bits &= bits - 1) {
      const std::size_t ghj = w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
      if (stay.ghj_days[ghj] == 0) continue;
      p = put_int(p, clamp(stay.ghj_days[ghj], 0, kMaxDays), 3);
      p = put_int(p, static_cast<long>(ghj), 3);
      ++ghj_count;
    }
  }
  put_int(cm_entries, clamp(cm_count, 0, kMaxCount), 2);
  put_int(ghj_entries, clamp(ghj_count, 0, kMaxCount), 2);
  return static_cast<std::size_t>(p - out.data());
}

int write_srha(SrhaWriter& writer, const SrhaInput& in, const StayContext& stay) {
  ++writer.srha_written_count;
  std::array<char, kMaxSrhaLine> line;
  std::size_t n = format_srha(in, stay, line);
  std::string_view text{line.data(), n};
  switch (writer.mode) {
    case kNoChaining:
      text.remove_prefix(srha::kPrefixLength);
      break;
    case kChainingOwnLink:
      if (writer.link) {
        // "%7.7s%20.20s\n"
        char link[kLinkLineLength + 1];
        char* p = detail::put_cstring(link, sub(in.record, v1::stay_number), 7);
        p = detail::put_cstring(p, sub(in.record, v1::ipp), 20);
        *p = '\n';
        writer.link->write({link, sizeof link});
      }
      break;
    case kChainingUserLink:
      break;
    default:  // no fixed part for an unknown mode (refused at start-up)
      text.remove_prefix(srha::kFixedLength);
      break;
  }
  if (writer.srha) {
    writer.srha->write(text);
    writer.srha->write("\n");
  }
  return 0;
}

}  // namespace grouper
