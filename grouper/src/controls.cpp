// Field controls of one RHS (version-1 shape). The controls run in a fixed
// order (kControls below): the first blocking code found is the return code,
// so the order is part of the behaviour.
#include "grouper/controls.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

#include "common/fields.h"
#include "grouper/rhs.h"
#include "group_fields.h"

namespace grouper {
namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr bool one_of(char c, std::string_view set) {
  for (char s : set)
    if (s == c) return true;
  return false;
}

// Mask matching by character classes: each byte has its classes, each mask
// character the classes it admits.
enum CharClass : std::uint8_t { kDigit = 1, kBlank = 2, kLetter = 4, kAorB = 8, kPlus = 16, kAny = 32 };

constexpr std::array<std::uint8_t, 256> kClassOf = [] {
  std::array<std::uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    std::uint8_t k = kAny;
    if (is_digit(c)) k |= kDigit;
    if (c == ' ') k |= kBlank;
    if (is_letter(c)) k |= kLetter;
    if (upper(c) == 'A' || upper(c) == 'B') k |= kAorB;
    if (c == '+') k |= kPlus;
    t[static_cast<std::size_t>(b)] = k;
  }
  return t;
}();

constexpr std::array<std::uint8_t, 256> kMaskAdmits = [] {
  std::array<std::uint8_t, 256> t{};
  t.fill(kAny);
  t['9'] = kDigit;
  t['Z'] = kDigit | kBlank;
  t['F'] = kDigit | kAorB;
  t['X'] = kLetter;
  t['A'] = kLetter | kDigit;
  t['Y'] = kLetter | kDigit | kBlank;
  t['+'] = kDigit | kBlank | kPlus;
  return t;
}();

bool mask_accepts(char mask, char c) {
  return (kClassOf[static_cast<unsigned char>(c)] & kMaskAdmits[static_cast<unsigned char>(mask)]) != 0;
}

// Non-blocking codes as a bit table over 0...127.
constexpr std::array<std::uint64_t, 2> kNonBlocking = [] {
  std::array<std::uint64_t, 2> bits{};
  for (int code : {1,  4,  5,  6,  7,  17, 18, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                   33, 34, 35, 36, 37, 38, 39, 40, 41, 44, 64, 69, 70, 71, 72, 73, 82})
    bits[static_cast<std::size_t>(code / 64)] |= std::uint64_t{1} << (code % 64);
  return bits;
}();

struct Today {
  std::array<char, 8> text{};
  Ymd date;
  long day = 0;
};

// The local date changes at most once a second: the clock is read on every
// call, the calendar conversion only when the second changes.
const Today& today() {
  static std::time_t converted_at = static_cast<std::time_t>(-1);
  static Today cached;
  const std::time_t now = std::time(nullptr);
  if (now != converted_at) {
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%02d%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
    for (std::size_t i = 0; i < cached.text.size(); ++i) cached.text[i] = buf[i];
    cached.date = Ymd{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
    cached.day = day_number(cached.date);
    converted_at = now;
  }
  return cached;
}

// State shared by the controls of one record: what an earlier control found
// that a later one depends on.
struct Check {
  const ControlInput& in;
  ErrorList& errors;
  const Today& today;
  std::string_view r;
  char hosp_type = ' ';
  long monday_day = 0;
  // entry_date: passed = a valid date, or a blank that is allowed.
  bool entry_passed = false, entry_blank = false;
  long entry_day = 0, entry_week = 0;
  // exit_date: given = not blank; passed = a valid date.
  bool exit_given = false, exit_passed = false;
  long exit_day = 0, exit_week = 0;
  long week_number = 0, week_year = 0;

  // r holds the whole version-1 fixed part (run_controls pads a short one).
  std::string_view at(std::size_t offset, std::size_t width) const { return {r.data() + offset, width}; }
  std::string_view f(const FieldSpec& s) const { return at(s.offset, s.width); }
  char c(const FieldSpec& s) const { return r[s.offset]; }
  void error(int code) { errors.record_error(code); }
};

constexpr std::string_view kDateMask = "Z9Z99999";
constexpr std::size_t kDateMinLength = 7;

void control_finess(Check& k) {
  if (check_mask(k.f(v1::finess), "9F9999999", kWholeField, 9) != kMaskMatches) k.error(1);
}

void control_stay_number(Check& k) {
  const int m = check_mask(k.f(v1::stay_number), "9999999", kLeadingBlanks, 0);
  if (m == kMaskBlank) k.error(2);
  else if (m != kMaskMatches) k.error(3);
}

void control_hosp_type(Check& k) {
  const char c = k.hosp_type;
  if (!is_digit(c)) k.error(8);
  else if (!one_of(c, "1234")) k.error(9);
}

void control_entry_date(Check& k) {
  const std::string_view f = k.f(v1::entry_date);
  const int m = check_mask(f, kDateMask, kLeadingBlanks, kDateMinLength);
  if (m == kMaskBlank) {
    k.entry_blank = true;
    if (k.hosp_type == '1') k.error(19);
    else k.entry_passed = true;
    return;
  }
  if (m != kMaskMatches) return k.error(19);
  const Ymd d = detail::date_of(f);
  if (!is_valid_date(d)) return k.error(20);
  k.entry_passed = true;
  k.entry_day = day_number(d);
  k.entry_week = week_code(d);
  if (k.entry_day > k.today.day) k.error(21);
  if (f.substr(4, 4) <= std::string_view("1990")) k.error(22);
}

void control_birth_date(Check& k) {
  const std::string_view f = k.f(v1::birth_date);
  const int m = check_mask(f, kDateMask, kLeadingBlanks, kDateMinLength);
  if (m == kMaskBlank) return k.error(10);
  if (m != kMaskMatches) return k.error(11);
  const Ymd d = detail::date_of(f);
  if (!is_valid_date(d)) return k.error(12);
  const long birth = day_number(d);
  if (birth > k.monday_day) k.error(13);
  if ((k.monday_day - birth) / 365 > 120) k.error(14);
}

void control_sex(Check& k) {
  const char c = k.c(v1::sex);
  if (!is_digit(c)) k.error(15);
  else if (!one_of(c, "12")) k.error(16);
}

void control_entry_mode(Check& k) {
  const char c = k.c(v1::entry_mode);
  if (c == ' ') {
    if (k.hosp_type == '1') k.error(23);
  } else if (!is_digit(c)) {
    k.error(23);
  } else if (!one_of(c, "0678")) {
    k.error(24);
  }
}

void control_entry_origin(Check& k) {
  const char mode = k.c(v1::entry_mode);
  const char origin = k.c(v1::entry_origin);
  if (mode == ' ') {
    if (k.hosp_type != '1' && origin != ' ') k.error(27);
  } else if (one_of(mode, "067")) {
    if (origin == ' ') k.error(25);
    else if (!one_of(origin, "1234")) k.error(26);
  } else if (mode == '8') {
    if (!one_of(origin, " 567")) k.error(26);
  } else if (!one_of(origin, " 1234567")) {
    k.error(27);
  }
}

void control_exit_date(Check& k) {
  const std::string_view f = k.f(v1::exit_date);
  const int m = check_mask(f, kDateMask, kLeadingBlanks, kDateMinLength);
  if (m == kMaskBlank) return;
  k.exit_given = true;
  if (m == kMaskTooShort) return k.error(29);
  if (m != kMaskMatches) return k.error(30);
  const Ymd d = detail::date_of(f);
  if (!is_valid_date(d)) return k.error(31);
  k.exit_passed = true;
  k.exit_day = day_number(d);
  k.exit_week = week_code(d);
  if (k.entry_passed) {
    if (k.entry_blank) return;
    if (k.exit_day < k.entry_day) k.error(32);
  }
  if (k.exit_day > k.today.day) k.error(33);
}

void control_exit_mode(Check& k) {
  const char c = k.c(v1::exit_mode);
  if (c == ' ') {
    if (k.exit_given) k.error(34);
  } else if (!is_digit(c)) {
    k.error(35);
  } else if (!one_of(c, "06789")) {
    k.error(36);
  }
}

void control_exit_destination(Check& k) {
  const char mode = k.c(v1::exit_mode);
  const char dest = k.c(v1::exit_destination);
  if (mode == ' ') {
    if (k.hosp_type != '1' && dest != ' ') k.error(39);
  } else if (one_of(mode, "067")) {
    if (dest == ' ') k.error(37);
    else if (!one_of(dest, "1234")) k.error(38);
  } else if (mode == '8') {
    if (!one_of(dest, " 567")) k.error(39);
  } else if (mode == '9') {
    if (dest != ' ') k.error(39);
  } else if (!one_of(dest, " 1234")) {
    k.error(39);
  }
}

void control_postal_code(Check& k) {
  const int m = check_mask(k.f(v1::postal_code), "99999", kWholeField, 5);
  if (m == kMaskBlank || m == kMaskTooShort) k.error(40);
  else if (m != kMaskMatches) k.error(41);
}

void control_week(Check& k) {
  if (k.week_number < 1 || k.week_number > 53) k.error(42);
  if (k.week_year > k.today.date.year) k.error(43);
  if (k.week_year < 1990) k.error(44);
  if (k.hosp_type != '1') return;
  const long code = k.week_year * 100 + k.week_number;
  if (k.entry_passed && !k.entry_blank && code < k.entry_week) k.error(45);
  if (k.exit_passed && code > k.exit_week) k.error(46);
}

void control_presence_days(Check& k) {
  const std::string_view f = k.f(v1::presence_days);
  bool present = false, valid = f.size() == v1::presence_days.width;
  for (char c : f) {
    valid = valid && one_of(c, " 01");
    present = present || c == '1';
  }
  if (!valid || !present) k.error(47);
}

void control_um(Check& k) {
  if (check_mask(k.f(v1::um), "9999", kBlanksAround, 0) == kMaskBlank) k.error(17);
}

void control_delay_date(Check& k) {
  const std::string_view f = k.f(v1::delay_date);
  if (pmsi::is_blank(f)) return;
  const Ymd d = detail::date_of(f);
  if (!is_valid_date(d)) return k.error(48);
  if (k.week_year * 100 + k.week_number < week_code(d)) k.error(49);
}

// Diagnoses: the checks against the tables, by position.
struct DiagnosisRule {
  int not_found;        // diag_category 0
  int group_210;        // diag_category 99 holding group (38, 210)
  int group_212;        // ... holding group (38, 212)
  int position_code;    // diag_positions forbids this position
  std::uint8_t position_bits;
};
constexpr DiagnosisRule kDiag1{50, 51, 52, 53, 0xC0};
constexpr DiagnosisRule kDiag2{58, 59, 60, 61, 0x30};
constexpr DiagnosisRule kDiag3{65, 66, 67, 68, 0x0C};
constexpr DiagnosisRule kDiagAssoc{70, 71, 72, 73, 0x03};
constexpr std::uint8_t kAnyPosition = 0xFF;
constexpr std::uint8_t kGroupedCategory = 99;

void check_against_table(Check& k, const pmsi::DiagnosisSlot& slot, const DiagnosisRule& rule) {
  const std::uint8_t category = slot.category();
  if (category == 0) return k.error(rule.not_found);
  if (category == kGroupedCategory) {
    if (slot.has_group(38, 210)) k.error(rule.group_210);
    else if (slot.has_group(38, 212)) k.error(rule.group_212);
  }
  if (slot.positions != kAnyPosition && (slot.positions & rule.position_bits) == 0)
    k.error(rule.position_code);
}

std::string_view diagnosis(const Check& k, std::size_t i) {
  return k.at(v1::diag_1.offset + i * v1::kDiagWidth, v1::kDiagWidth);
}

bool same_diagnosis(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

bool is_aigu(std::string_view d) { return same_diagnosis(d, "ZAIGU "); }
char first_letter(std::string_view d) { return d.empty() ? ' ' : upper(d[0]); }

void control_diag_1(Check& k) {
  const std::string_view d = diagnosis(k, 0);
  if (pmsi::is_blank(d)) return k.error(50);
  if (first_letter(d) != 'Z') return k.error(51);
  if (is_aigu(d)) return;
  check_against_table(k, k.in.diagnoses[0], kDiag1);
}

void control_diag_2(Check& k) {
  const std::string_view d1 = diagnosis(k, 0);
  const std::string_view d = diagnosis(k, 1);
  if (pmsi::is_blank(d)) return k.error(54);
  const char letter = first_letter(d);
  if (one_of(letter, "UVWXY")) k.error(55);
  if (is_aigu(d1) && letter == 'Z') k.error(56);
  if (same_diagnosis(d, d1)) k.error(57);
  check_against_table(k, k.in.diagnoses[1], kDiag2);
}

void control_diag_3(Check& k) {
  const std::string_view d = diagnosis(k, 2);
  if (pmsi::is_blank(d)) return;
  if (one_of(first_letter(d), "RUVWXYZ")) k.error(63);
  if (same_diagnosis(d, diagnosis(k, 0)) || same_diagnosis(d, diagnosis(k, 1))) k.error(64);
  check_against_table(k, k.in.diagnoses[2], kDiag3);
}

void control_diag_assoc(Check& k) {
  for (std::size_t i = 3; i < v1::kDiagCount; ++i) {
    if (pmsi::is_blank(diagnosis(k, i))) continue;
    check_against_table(k, k.in.diagnoses[i], kDiagAssoc);
  }
}

void control_scores(Check& k) {
  for (char c : k.f(v1::scores))
    if (!one_of(c, "1234")) k.error(77);
}

void control_flag_153(Check& k) {
  if (!one_of(k.c(v1::flag_153), "12")) k.error(78);
}

// check_mask with a mask of 9s, alignment 3 and no minimum length, for the
// twelve durations of every record.
int digits_between_blanks(std::string_view f) {
  std::size_t first = 0, last = f.size();
  while (first < last && f[first] == ' ') ++first;
  if (first == last) return kMaskBlank;
  while (f[last - 1] == ' ') --last;
  for (std::size_t i = first; i < last; ++i)
    if (f[i] < '0' || f[i] > '9') return kMaskMismatch;
  return kMaskMatches;
}

void control_durations(Check& k) {
  for (std::size_t i = 0; i < 12; ++i) {
    const int m = digits_between_blanks(k.at(v1::durations.offset + 4 * i, 4));
    if (m == kMaskBlank) k.error(79);
    else if (m != kMaskMatches) k.error(80);
  }
}

void control_act_count(Check& k) {
  const std::string_view f = k.f(v1::act_count);
  const int m = check_mask(f, "99", kLeadingBlanks, 0);
  if (m == kMaskBlank) k.error(74);
  else if (m != kMaskMatches) k.error(75);
  else if (detail::blank_tolerant(f) > 10) k.error(76);
}

void control_acts(Check& k) {
  for (const pmsi::ActSlot& act : k.in.acts) {
    const std::string_view code = act.code_text();
    if (pmsi::is_blank(code)) continue;
    const std::string_view mask = act.width == 8 ? "XXXX9999" : "X999";
    if (check_mask(code, mask, kWholeField, mask.size()) != kMaskMatches) k.error(81);
    else if (act.act_class == 0) k.error(82);
  }
}

using Control = void (*)(Check&);
constexpr Control kControls[] = {
    control_finess,        control_stay_number, control_hosp_type,    control_entry_date,
    control_birth_date,    control_sex,         control_entry_mode,   control_entry_origin,
    control_exit_date,     control_exit_mode,   control_exit_destination, control_postal_code,
    control_week,          control_presence_days, control_um,         control_delay_date,
    control_diag_1,        control_diag_2,      control_diag_3,       control_diag_assoc,
    control_scores,        control_flag_153,    control_durations,    control_act_count,
    control_acts,
};

}  // namespace

bool is_non_blocking(int code) {
  if (code < 0 || code >= 128) return false;
  return (kNonBlocking[static_cast<std::size_t>(code / 64)] >> (code % 64)) & 1u;
}

int first_blocking_code(const ErrorList& errors) {
  for (std::int16_t code : errors.found())
    if (code != 0 && !is_non_blocking(code)) return code;
  return 0;
}

int check_mask(std::string_view f, std::string_view mask, int alignment, std::size_t min_length) {
  const std::size_t n = mask.size();
  // Characters missing from a short field count as blanks.
  char padded[16];
  const char* p = f.data();
  if (f.size() < n) {
    if (n > sizeof padded) return check_mask(std::string(f) + std::string(n - f.size(), ' '), mask, alignment, min_length);
    for (std::size_t i = 0; i < n; ++i) padded[i] = i < f.size() ? f[i] : ' ';
    p = padded;
  }
  std::size_t first = 0;
  while (first < n && p[first] == ' ') ++first;
  if (first == n) return kMaskBlank;
  std::size_t last = n - 1;
  while (p[last] == ' ') --last;
  std::size_t from = 0, to = n - 1;
  if (alignment == kLeadingBlanks || alignment == kBlanksAround) from = first;
  if (alignment == kTrailingBlanks || alignment == kBlanksAround) to = last;
  if (to - from + 1 < min_length) return kMaskTooShort;
  for (std::size_t i = from; i <= to; ++i)
    if (!mask_accepts(mask[i], p[i])) return kMaskMismatch;
  return kMaskMatches;
}

bool in_set(std::string_view f, std::string_view set, std::size_t width) {
  if (width == 0) return false;
  for (std::size_t i = 0; i + width <= set.size(); i += width) {
    bool equal = true;
    for (std::size_t j = 0; j < width && equal; ++j) equal = (j < f.size() ? f[j] : ' ') == set[i + j];
    if (equal) return true;
  }
  return false;
}

std::array<char, 8> reference_date() { return today().text; }

std::int16_t run_controls(const ControlInput& in, ErrorList& errors, std::int16_t& return_code,
                          std::int16_t& cm, std::int16_t& ghj) {
  cm = 90;
  ghj = 900;
  errors.clear();
  std::array<char, v1::kLength> padded;
  std::string_view record = in.record;
  if (record.size() < v1::kLength) {
    padded.fill(' ');
    std::copy(record.begin(), record.end(), padded.begin());
    record = {padded.data(), padded.size()};
  }
  Check k{in, errors, today(), record};
  k.hosp_type = k.c(v1::hosp_type);
  k.monday_day = day_number(detail::date_of(in.week_monday));
  const std::string_view week = k.f(v1::week);
  k.week_number = detail::atoi_of(week.substr(0, 2));
  k.week_year = detail::atoi_of(week.substr(2, 4));
  for (Control control : kControls) control(k);
  return_code = static_cast<std::int16_t>(first_blocking_code(errors));
  return return_code;
}

}  // namespace grouper
