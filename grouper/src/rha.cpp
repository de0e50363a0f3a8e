#include "grouper/rha.h"

#include <cstring>

#include "common/fields.h"
#include "common/textfile.h"
#include "grouper/tables.h"
#include "rha_text.h"

namespace grouper {
namespace {

using detail::clamp;
using detail::put_bytes;
using detail::put_int;
using detail::put_literal;
using detail::sub;

constexpr long kMaxDays = 999;
constexpr int kMaxRhsNumber = 99;

bool is_error_cm(std::string_view cm) { return cm == "90" || cm == "99"; }

// year * 100 + week number of a WWYYYY field, each part read as atoi does.
long week_field_year_week(std::string_view week) {
  return pmsi::read_atoi(detail::at(week, 2, 4)) * 100 + pmsi::read_atoi(detail::at(week, 0, 2));
}

// A date field read once: blank, or its numbers and whether they form a date.
struct DateField {
  bool blank;
  bool valid;
  Ymd ymd;
  explicit DateField(std::string_view text) : blank(pmsi::is_blank(text)), valid(false) {
    if (!blank) {
      ymd = parse_date(text);
      valid = is_valid_date(ymd);
    }
  }
};

char entry_marker(const RhaInput& in, const DateField& entry, StayContext& stay) {
  if (entry.blank) return ' ';
  if (in.first_of_stay && in.index_in_stay == 0 && entry.valid &&
      week_code(entry.ymd) == week_field_year_week(sub(in.grouped_record, v1::week))) {
    stay.stay_entry_flag = 1;
    return '1';
  }
  return '2';
}

char exit_marker(const RhaInput& in, const DateField& monday, StayContext& stay) {
  std::string_view g = in.grouped_record;
  std::string_view exit_text = sub(g, v1::exit_date);
  if (pmsi::is_blank(exit_text)) return '0';
  if (sub(g, v1::exit_mode) == "6" && sub(g, v1::exit_destination) == "2") return '2';
  if (!in.last_of_stay || !monday.valid) return '2';
  DateField exit_date(exit_text);
  if (exit_date.valid && day_number(exit_date.ymd) - day_number(monday.ymd) <= 6) {
    stay.stay_exit_flag = 1;
    return '1';
  }
  return '2';
}

// Days from the stay's entry to this week's Monday, or blanks when either
// entry date is missing or the stay's cannot be counted from.
char* put_days_from_entry(char* p, const DateField& entry, const DateField& monday,
                          const StayContext& stay) {
  if (entry.blank || !monday.valid) return put_bytes(p, {}, rha::days_from_entry.width);
  DateField stay_entry(stay.entry_date);
  if (!stay_entry.valid) return put_bytes(p, {}, rha::days_from_entry.width);
  return put_int(p, clamp(day_number(monday.ymd) - day_number(stay_entry.ymd), 0, kMaxDays), 3);
}

// Acts start at 204 in version 1 and at 220 in versions 2 and 3; the
// record's own format code decides, as it decides the version-1 shape.
std::size_t acts_offset(std::string_view record) {
  std::string_view code = sub(record, v1::format_code);
  return code == "M02" || code == "M03" ? v23::kActsOffset : v1::kActsOffset;
}

void write_difference(pmsi::TextWriter& dif, std::string_view grouped, std::string_view line) {
  // "%7.7s%6.6s%7.7s%7.7s\n"
  char buf[7 + 6 + 7 + 7 + 1];
  char* p = buf;
  p = detail::put_cstring(p, sub(grouped, v1::stay_number), 7);
  p = detail::put_cstring(p, sub(grouped, v1::week), 6);
  p = detail::put_cstring(p, detail::at(line, rha::read_cm.offset, 7), 7);
  p = detail::put_cstring(p, detail::at(line, rha::cm.offset, 7), 7);
  *p++ = '\n';
  dif.write({buf, static_cast<std::size_t>(p - buf)});
}

void compare_groupings(RhaWriter& w, std::string_view grouped, std::string_view line) {
  auto text_at = [&](const FieldSpec& f) { return detail::sub(line, f); };
  std::string_view read_cm = text_at(rha::read_cm), cm = text_at(rha::cm);
  GroupingCounters& c = w.counters;
  if (text_at(rha::read_ghj) == text_at(rha::ghj)) {
    ++c.identical_count;
    if (is_error_cm(cm)) {
      ++c.identical_cm90_count;
      if (text_at(rha::read_return_code) != text_at(rha::return_code)) ++c.return_code_diff_count;
    }
    return;
  }
  if (!is_error_cm(read_cm) && !is_error_cm(cm)) ++c.ghj_ghj_diff_count;
  if ((read_cm == "90" && cm == "90") || (read_cm == "99" && cm == "99")) ++c.cm90_cm90_diff_count;
  if ((read_cm == "90" && cm != "90") || (read_cm == "99" && cm != "99")) ++c.cm90_ghj_count;
  if ((read_cm != "90" && cm == "90") || (read_cm != "99" && cm == "99")) ++c.ghj_cm90_count;
  if (w.differences && !pmsi::is_blank(detail::at(line, rha::read_cm.offset, 7)))
    write_difference(*w.differences, grouped, line);
}

}  // namespace

std::array<char, 5> geo_code(const pmsi::Tables* tables, std::string_view postal_code) {
  std::array<char, 5> code{};
  put_bytes(code.data(), postal_code, 5);
  auto fallback = [&] {
    std::array<char, 5> f = code;
    std::memcpy(f.data() + 2, "999", 3);
    return f;
  };
  if (!tables || !tables->geography_open()) return fallback();
  std::string_view p{code.data(), code.size()};
  if (p == "99999" || p == "99000") return code;

  long department;
  std::string_view head = p.substr(0, 2);
  if (head == "2A" || head == "2B") {
    char t[3] = {'3', head[1] == 'A' ? '0' : '1', p[2]};
    department = pmsi::read_atoi({t, 3});
  } else {
    department = pmsi::read_atoi(p.substr(0, 3));
    // Character by character as unsigned bytes, as strncmp compares.
    if (std::memcmp(p.data(), "30", 2) >= 0) department += 20;
  }
  if (department < 0 || department >= pmsi::table_layout::kDepartmentCount - 1) return fallback();

  long commune = pmsi::read_atoi(p.substr(3, 2));
  if (commune < 0 || commune > 255) return fallback();
  auto number = tables->geographic_number(static_cast<int>(department), static_cast<int>(commune));
  constexpr std::uint32_t kLimit = 10 * 23958;
  if (!number || *number >= kLimit) return fallback();

  static constexpr std::string_view kAlphabet1 = "0123456789";
  static constexpr std::string_view kAlphabet2 = "0123456789ABCDEFGHJ";
  static constexpr std::string_view kAlphabet3 = "0123456789C";
  static constexpr std::string_view kAlphabet45 = "0123456789A";
  std::uint32_t g = *number;
  return {kAlphabet1[g / 23958], kAlphabet2[(g % 23958) / 1331], kAlphabet3[(g % 1331) / 121],
          kAlphabet45[(g % 121) / 11], kAlphabet45[g % 11]};
}

std::size_t format_rha(const RhaWriter& writer, const RhaInput& in, StayContext& stay,
                       std::array<char, kMaxRhaLine>& out) {
  std::string_view g = in.grouped_record;
  char* p = out.data();
  p = put_bytes(p, sub(g, v1::finess), rha::finess.width);
  p = put_literal(p, sub(g, v1::format_code) == "M03" ? "M23" : "M22");
  p = put_literal(p, "240");
  p = put_bytes(p, in.read_grouping, rha::read_grouping.width);
  p = put_bytes(p, {writer.classif_version.data(), writer.classif_version.size()}, 2);
  p = put_int(p, in.cm, 2);
  p = put_int(p, in.ghj, 3);
  p = put_int(p, in.return_code, 2);
  p = put_int(p, in.stay_ordinal, 7);
  p = put_bytes(p, sub(g, v1::hosp_type), 1);
  p = put_int(p, in.age_years, 3);
  p = put_bytes(p, sub(g, v1::sex), 1);
  std::array<char, 5> geo = geo_code(writer.tables, sub(g, v1::postal_code));
  p = put_literal(p, {geo.data(), geo.size()});
  p = put_bytes(p, sub(g, v1::entry_mode), 1);
  p = put_bytes(p, sub(g, v1::entry_origin), 1);
  p = put_bytes(p, sub(g, v1::exit_mode), 1);
  p = put_bytes(p, sub(g, v1::exit_destination), 1);
  DateField entry(sub(g, v1::entry_date));
  DateField monday(in.week_monday);
  p = put_days_from_entry(p, entry, monday, stay);
  p = put_bytes(p, sub(g, v1::presence_days), rha::presence_days.width);
  p = put_int(p, in.index_in_stay + 1 < kMaxRhsNumber ? in.index_in_stay + 1 : kMaxRhsNumber, 2);
  *p++ = entry_marker(in, entry, stay);
  *p++ = exit_marker(in, monday, stay);
  p = put_bytes(p, detail::at(in.week_monday, 2, 6), rha::month_year.width);
  p = put_int(p, clamp(in.delay_days, 0, kMaxDays), 3);
  p = put_bytes(p, detail::at(g, v1::diag_1.offset, rha::diagnoses.width), rha::diagnoses.width);
  p = put_bytes(p, sub(g, v1::scores), rha::scores.width);
  p = put_bytes(p, detail::at(g, v1::flag_153.offset, 51), 51);

  std::size_t from = acts_offset(in.record);
  std::size_t used = static_cast<std::size_t>(p - out.data());
  if (from < in.record.size()) {
    std::size_t n = in.record.size() - from;
    if (n > out.size() - 1 - used) n = out.size() - 1 - used;
    std::memcpy(p, in.record.data() + from, n);
    used += n;
  }
  return used;
}

void write_rha(RhaWriter& writer, const RhaInput& in, StayContext& stay) {
  ++writer.counters.rha_written_count;
  std::array<char, kMaxRhaLine> line;
  std::size_t n = format_rha(writer, in, stay, line);  // leaves room for the break
  line[n] = '\n';
  if (writer.rha) writer.rha->write({line.data(), n + 1});
  compare_groupings(writer, in.grouped_record, {line.data(), n});
}

}  // namespace grouper
