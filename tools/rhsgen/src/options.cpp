#include <algorithm>
#include <charconv>
#include <iterator>
#include <cstdlib>
#include <string>

#include "rhsgen/rhsgen.h"

namespace rhsgen {

namespace {

pmsi::Error bad(std::string_view word, std::string_view why) {
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on operator+.
  std::string text = "'";
  text.append(word).append("': ").append(why);
  return pmsi::Error{std::move(text)};
}

bool to_long(std::string_view s, long& out) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size();
}

bool to_rate(std::string_view s, double& out) {
  // Decimal "0.05" or percentage "5%".
  std::string text(s);
  bool percent = !text.empty() && text.back() == '%';
  if (percent) text.pop_back();
  if (text.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return false;
  if (percent) v /= 100;
  if (!(v >= 0 && v <= 1)) return false;
  out = v;
  return true;
}

// "M01,M13:3" -> weights by format index.
bool to_weights(std::string_view s, std::array<int, 6>& out) {
  out.fill(0);
  while (!s.empty()) {
    auto comma = s.find(',');
    std::string_view item = s.substr(0, comma);
    s = comma == std::string_view::npos ? std::string_view{} : s.substr(comma + 1);
    long weight = 1;
    auto colon = item.find(':');
    if (colon != std::string_view::npos) {
      if (!to_long(item.substr(colon + 1), weight) || weight < 0 || weight > 1000) return false;
      item = item.substr(0, colon);
    }
    bool found = false;
    for (std::size_t i = 0; i < kFormatCodes.size(); ++i)
      if (item == kFormatCodes[i]) {
        out[i] += static_cast<int>(weight);
        found = true;
      }
    if (!found) return false;
  }
  for (int w : out)
    if (w > 0) return true;
  return false;
}

}  // namespace

pmsi::Result<Options> parse_options(const std::vector<std::string_view>& words) {
  Options o;
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string_view word = words[i];
    std::string_view value;
    if (word == "-h" || word == "--help") {
      o.help = true;
      continue;
    }
    auto eq = word.find('=');
    std::string_view name = word.substr(0, eq);
    static constexpr std::string_view kNames[] = {
        "--seed", "--semester", "--year", "--count", "-n", "--formats", "--finess",
        "--tables-src", "--output", "-o", "--format-errors", "--blocking", "--non-blocking",
        "--sequence", "--out-of-period", "--ccam-v0", "--ccam-deleted", "--ccam-v0-list"};
    if (name.size() > 1 && name[0] == '-' &&
        std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames))
      return bad(name, "unknown option (see --help)");
    if (eq != std::string_view::npos) {
      value = word.substr(eq + 1);
    } else if (name.size() > 1 && name[0] == '-') {
      if (i + 1 >= words.size()) return bad(word, "value missing");
      value = words[++i];
    } else {
      return bad(word, "unexpected word (see --help)");
    }
    long n = 0;
    double rate = 0;
    if (name == "--seed") {
      if (!to_long(value, n) || n < 0) return bad(value, "seed must be a number from 0");
      o.seed = static_cast<std::uint64_t>(n);
    } else if (name == "--semester") {
      if (value != "1" && value != "2") return bad(value, "semester must be 1 or 2");
      o.semester = value[0] - '0';
    } else if (name == "--year") {
      if (!to_long(value, n) || n < 1998 || n > 2003) return bad(value, "year must be 1998 to 2003");
      o.year = static_cast<int>(n);
    } else if (name == "--count" || name == "-n") {
      if (!to_long(value, n) || n < 0) return bad(value, "count must be a number from 0");
      o.count = n;
    } else if (name == "--formats") {
      if (!to_weights(value, o.format_weights))
        return bad(value, "formats are a list such as M01,M13:3 (codes M01 M11 M02 M12 M03 M13)");
    } else if (name == "--finess") {
      if (value.size() != 9) return bad(value, "FINESS must have 9 characters");
      o.finess = std::string(value);
    } else if (name == "--tables-src") {
      o.tables_src = std::string(value);
    } else if (name == "--output" || name == "-o") {
      o.output = std::string(value);
    } else if (name == "--ccam-v0" || name == "--ccam-deleted") {
      if (!to_rate(value, rate)) return bad(value, "rate must be from 0 to 1, or a percentage");
      (name == "--ccam-v0" ? o.old_ccam.rate : o.old_ccam.deleted) = rate;
    } else if (name == "--ccam-v0-list") {
      o.ccam_v0_list = std::string(value);
    } else if (name == "--format-errors" || name == "--blocking" || name == "--non-blocking" ||
               name == "--sequence" || name == "--out-of-period") {
      if (!to_rate(value, rate)) return bad(value, "rate must be from 0 to 1, or a percentage");
      if (name == "--format-errors") o.faults.format = rate;
      if (name == "--blocking") o.faults.blocking = rate;
      if (name == "--non-blocking") o.faults.non_blocking = rate;
      if (name == "--sequence") o.faults.sequence = rate;
      if (name == "--out-of-period") {
        if (rate > 0.9) return bad(value, "out-of-period rate must be at most 0.9");
        o.faults.out_of_period = rate;
      }
    } else {
      return bad(name, "unknown option (see --help)");
    }
  }
  return o;
}

std::string help_text() {
  return R"(Usage: rhsgen [options]
Writes a file of weekly stay summaries (RHS) for the grouper: Windows-1252
text, CR LF line ends, records in the order of the front end's sort (stay
number, year, week, entry date, exit date). Same options, same bytes.

Options (a value follows the option as the next word or after "="):
  --seed N           seed of the random draws (default 1)
  --semester 1|2     semester of the file (default 1)
  --year YYYY        year of the file, 1998 to 2003 (default 2003)
  --count N, -n N    number of lines to write, fault copies included (default 1000)
  --formats LIST     formats and weights, drawn per stay: M01,M11,M02,M12,M03,M13
                     each optionally followed by ":weight" (default: all six, weight 1).
                     A mixed file is ordered by each record's own fields.
  --finess CODE      FINESS of the establishment, 9 characters (default 750000001)
  --tables-src DIR   demo classification sources to draw diagnoses, acts and
                     groupings from (default: the project's data/tables when it
                     exists, else a small built-in list)
  --output FILE, -o FILE
                     file to write (default: standard output)
  --ccam-v0 R        per CCAM act of an M03/M13 line: an old code that the
                     grouper's transcoding pass meets instead of a current one
                     (default 0)
  --ccam-deleted R   of those old codes, the share of deleted codes, which the
                     pass leaves as they are (an act unknown to the tables); the
                     others are V0 codes, which it replaces (default 0.2)
  --ccam-v0-list F   the grouper's CCAM V0 list, lines "v0 CODE V0BIS" and
                     "deleted CODE" (default: the project's data/ccam/ccam_v0.txt
                     when it exists, else the examples built in)
Faults (a rate from 0 to 1, or a percentage such as 5%; default 0):
  --format-errors R  per RHS: an extra copy of the line that format detection
                     rejects (wrong length, unknown format code)
  --blocking R       per RHS: one field fault with a blocking control code
  --non-blocking R   per RHS: one field fault with a non-blocking control code
  --sequence R       per stay of 2 RHS or more: one inconsistency between its
                     weeks (sex, postal code, birth date, type of hospitalisation,
                     a missing week, a presence day given twice)
  --out-of-period R  share of the lines whose week lies outside the semester:
                     weeks after semester 1, before semester 2, so that a stay
                     keeps one year (at most 0.9; reached only as far as stays
                     cross that edge)
  -h, --help         this text
A summary of what was written goes to standard error.
)";
}

}  // namespace rhsgen
