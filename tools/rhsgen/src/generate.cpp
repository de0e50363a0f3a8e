// The stays: who the patient is, when the stay begins and ends, its weeks,
// care units, presence days, scores, rehabilitation durations and acts; then
// the faults asked for, and the lines in the front end's sort order.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "calendar.h"
#include "common/paths.h"
#include "faults.h"
#include "record.h"
#include "rhsgen/catalogue.h"
#include "rhsgen/rhsgen.h"
#include "rng.h"

namespace rhsgen {

namespace {

using namespace detail;
namespace v1 = grouper::v1;

// First and last ISO week of a semester (1999 splits after week 25, 1998
// ends with week 53), as the grouper's period window has them.
struct Window {
  long first_monday;
  int weeks;
};

Window semester_window(int semester, int year) {
  int first = 1, last = 26;
  if (semester == 2) {
    first = 27;
    last = year == 1998 ? 53 : 52;
  }
  if (year == 1999) (semester == 1 ? last : first) = semester == 1 ? 25 : 26;
  return {iso_week_monday(year, first), last - first + 1};
}

struct Stay {
  int format = 0;
  char hosp_type = '1';
  bool has_entry = true;
  long entry = 0;        // serial day (also used for presence when not written)
  long exit = -1;        // serial day, -1: no exit in this file
  int first_week = 0;    // week indexes relative to the semester's first week
  int last_week = 0;
};

class Generator {
 public:
  Generator(const Options& o, const Catalogue& c, const ByteSink& sink)
      : o_(o), c_(c), sink_(sink), rng_(o.seed), window_(semester_window(o.semester, o.year)) {
    for (int w : o.format_weights) weight_total_ += w;
    summary_.classification = c.origin;
    // Week indexes of the first and last weeks of the year, relative to the
    // semester's first week.
    year_first_week_ = static_cast<int>((iso_week_monday(o.year, 1) - window_.first_monday) / 7);
    year_last_week_ = year_first_week_ - 1 +
                      static_cast<int>((iso_week_monday(o.year + 1, 1) - iso_week_monday(o.year, 1)) / 7);
  }

  pmsi::Result<Summary> run() {
    long stay_number = rng_.range(1000, 9999);
    out_.reserve(kChunk + 4096);
    while (summary_.lines < o_.count) {
      stay_number += rng_.range(1, 2);
      if (stay_number > 9999999) return pmsi::Error{"more stays than 7-digit stay numbers allow"};
      make_stay(stay_number);
      if (!emit_stay()) return pmsi::Error{"write failed"};
    }
    if (!out_.empty() && !sink_(out_)) return pmsi::Error{"write failed"};
    return summary_;
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;

  int pick_format() {
    int r = rng_.below(weight_total_);
    for (int i = 0; i < 6; ++i) {
      r -= o_.format_weights[static_cast<std::size_t>(i)];
      if (r < 0) return i;
    }
    return 0;
  }

  int pick_length() {
    const int band = rng_.below(100);
    if (band < 40) return rng_.range(1, 4);
    if (band < 75) return rng_.range(5, 12);
    if (band < 95) return rng_.range(13, 30);
    return rng_.range(31, 60);
  }

  // Out-of-period weeks still allowed so that they make up the rate asked for.
  long out_of_period_allowance(long in_period_lines) const {
    const double r = o_.faults.out_of_period;
    if (r <= 0) return 0;
    const double allowed = r / (1 - r) * static_cast<double>(summary_.lines - summary_.out_of_period +
                                                             in_period_lines);
    return std::max(0L, static_cast<long>(allowed) - summary_.out_of_period);
  }

  long monday(int week_index) const { return window_.first_monday + 7L * week_index; }

  void make_stay(long stay_number) {
    Stay s;
    s.format = pick_format();
    stay_format_ = s.format;
    const int t = rng_.below(100);
    s.hosp_type = t < 75 ? '1' : t < 90 ? '2' : t < 95 ? '3' : '4';
    const int length = pick_length();
    s.first_week = rng_.range(-(length - 1), window_.weeks - 1);
    s.last_week = s.first_week + length - 1;
    s.entry = monday(s.first_week) + rng_.below(s.hosp_type == '1' ? 7 : 5);
    s.entry = avoid_early_january(s.entry);
    s.first_week = static_cast<int>((s.entry - window_.first_monday + 7000) / 7 - 1000);
    if (s.first_week > s.last_week) s.last_week = s.first_week;
    s.has_entry = s.hosp_type == '1' || rng_.below(10) != 0;  // optional but for type 1
    if (s.hosp_type == '1' || rng_.below(10) < 8) {
      s.exit = monday(s.last_week) + rng_.below(s.hosp_type == '1' ? 7 : 5);
      if (s.exit < s.entry) s.exit = s.entry;
    }

    // Weeks written: those of the semester, and as many out-of-period weeks
    // as the rate still allows on the side of the semester that stays in its
    // year (after semester 1, before semester 2), so that a stay's weeks keep
    // one year as the sequence checks want.
    int lo = std::max(s.first_week, 0);
    int hi = std::min(s.last_week, window_.weeks - 1);
    const long allowance = out_of_period_allowance(hi - lo + 1);
    if (o_.semester == 1)
      hi += static_cast<int>(std::min<long>(std::min(s.last_week, year_last_week_) - hi, allowance));
    else
      lo -= static_cast<int>(std::min<long>(lo - std::max(s.first_week, year_first_week_), allowance));
    hi = std::max(hi, lo - 1);

    // Who the patient is; constant over the stay.
    RhsRecord base;
    base.set(v1::finess, o_.finess);
    char text[32];
    std::snprintf(text, sizeof text, "%07ld", stay_number);
    base.set(v1::stay_number, text);
    base.set_char(v1::hosp_type, s.hosp_type);
    std::snprintf(text, sizeof text, "%010d", rng_.range(1, 999999999));
    base.set(v1::ipp, text);
    const int age = rng_.below(100) < 3 ? rng_.range(2, 17) : rng_.range(18, 97);
    const long birth = s.entry - 365L * age - rng_.below(365);
    put_date(base.at(v1::birth_date), birth);
    base.set_char(v1::sex, rng_.below(2) ? '2' : '1');
    base.set(v1::postal_code, rng_.pick(c_.postal_codes));
    if (s.has_entry) {
      put_date(base.at(v1::entry_date), s.entry);
      const char mode = "0678"[rng_.below(4)];
      base.set_char(v1::entry_mode, mode);
      base.set_char(v1::entry_origin, mode == '8' ? " 567"[rng_.below(4)] : "1234"[rng_.below(4)]);
    }
    if (rng_.below(10) < 7) {
      const long delay = avoid_early_january(s.entry - rng_.range(0, 60));
      put_date(base.at(v1::delay_date), std::min(delay, s.entry));
    }
    const bool aigu = rng_.below(100) < 3;
    base.set_diagnosis(0, aigu ? std::string_view("ZAIGU ") : std::string_view(rng_.pick(c_.main_diagnoses)));
    // No second diagnosis begins with "Z", which would be refused after "ZAIGU".
    base.set_diagnosis(1, rng_.pick(c_.second_diagnoses));
    if (rng_.below(2)) {
      const std::string& third = rng_.pick(c_.third_diagnoses);
      if (third != base.diagnosis_code(0) && third != base.diagnosis_code(1)) base.set_diagnosis(2, third);
    }
    const int assoc = rng_.below(6);
    for (int i = 0; i < assoc; ++i) base.set_diagnosis(3 + i, rng_.pick(c_.assoc_diagnoses));
    for (int i = 0; i < 6; ++i) base.at(v1::scores)[i] = static_cast<char>('1' + rng_.below(4));
    base.set_char(v1::flag_153, rng_.below(3) ? '1' : '2');
    base.plus_padding = rng_.below(2) != 0;
    int um = rng_.below(static_cast<int>(kUnits.size()));

    records_.clear();
    for (int w = lo; w <= hi; ++w) {
      const bool edge = w == lo || w == hi;
      if (s.hosp_type != '1' && !edge && rng_.below(10) == 0) continue;  // partial care skips weeks
      const long mon = monday(w);
      const long first_day = std::max(mon, s.entry);
      const long last_day = std::min(mon + 6, s.exit >= 0 ? s.exit : mon + 6);
      int mask = 0;
      for (long d = first_day; d <= last_day; ++d) {
        const int wd = iso_weekday(d);
        if (s.hosp_type == '1' || (wd < 5 && rng_.below(10) < 6)) mask |= 1 << wd;
      }
      if (mask == 0) mask = 1 << iso_weekday(std::min(std::max(first_day, mon), mon + 6));
      const bool exit_week = s.exit >= mon && s.exit <= mon + 6;

      RhsRecord r = base;
      const IsoWeek iw = iso_week(mon);
      std::snprintf(text, sizeof text, "%02d%04d", iw.week, iw.year);
      r.set(v1::week, text);
      if (exit_week) {
        put_date(r.at(v1::exit_date), s.exit);
        const char mode = "06789"[rng_.below(5)];
        r.set_char(v1::exit_mode, mode);
        r.set_char(v1::exit_destination, mode == '8' ? " 567"[rng_.below(4)]
                                         : mode == '9' ? ' '
                                                       : "1234"[rng_.below(4)]);
      }
      vary_week(base, r);

      // A change of care unit within the week splits it in two RHS.
      const int days = __builtin_popcount(static_cast<unsigned>(mask));
      if (s.hosp_type == '1' && days >= 2 && !exit_week && w > lo && rng_.below(100) < 6) {
        const int keep = rng_.range(1, days - 1);
        int first_mask = 0, seen = 0;
        for (int d = 0; d < 7; ++d)
          if (mask & (1 << d) && seen++ < keep) first_mask |= 1 << d;
        add_record(r, first_mask, um);
        um = (um + 1 + rng_.below(static_cast<int>(kUnits.size()) - 1)) % static_cast<int>(kUnits.size());
        RhsRecord second_part = r;
        vary_week(base, second_part);
        add_record(second_part, mask & ~first_mask, um);
      } else {
        add_record(r, mask, um);
      }
    }
    sequence_fault_at_ = -1;
    if (records_.size() >= 2 && rng_.chance(o_.faults.sequence))
      sequence_fault_at_ = inject_sequence_fault(rng_, s.hosp_type == '1', s.has_entry, records_, kUnits);
    ++summary_.stays;
  }

  void add_record(RhsRecord& r, int mask, int um) {
    char* p = r.at(v1::presence_days);
    for (int d = 0; d < 7; ++d) p[d] = mask & (1 << d) ? '1' : '0';
    r.set(v1::um, kUnits[static_cast<std::size_t>(um)]);
    records_.push_back(r);
  }

  // What changes from one week to the next: scores drift, durations, acts,
  // the grouping that the sender's grouper found.
  void vary_week(const RhsRecord& base, RhsRecord& r) {
    char* scores = r.at(v1::scores);
    std::memcpy(scores, base.get(v1::scores).data(), v1::scores.width);
    if (rng_.below(5) == 0) {
      char& s = scores[rng_.below(6)];
      s = static_cast<char>(std::clamp(s + (rng_.below(2) ? 1 : -1), int{'1'}, int{'4'}));
    }
    char text[8];
    for (int k = 0; k < 12; ++k) {
      int minutes = rng_.below(100) < 45 ? rng_.range(15, 150) * rng_.range(1, 5) : 0;
      std::snprintf(text, sizeof text, "%4d", minutes);
      std::memcpy(r.at(v1::durations) + 4 * k, text, 4);
    }
    const int band = rng_.below(10);
    r.act_count = band < 5 ? 0 : band < 9 ? rng_.range(1, 4) : rng_.range(5, kMaxActs);
    r.act_width = grouper::kFormats[static_cast<std::size_t>(stay_format_)].act_width;
    const bool ccam = r.act_width == grouper::kCcamActWidth;
    for (int i = 0; i < r.act_count; ++i) {
      const std::string* code = ccam ? &rng_.pick(c_.ccam_acts) : &rng_.pick(c_.cdam_acts);
      if (ccam && rng_.chance(o_.old_ccam.rate)) {
        code = &rng_.pick(rng_.chance(o_.old_ccam.deleted) ? c_.ccam_deleted_codes : c_.ccam_v0_codes);
      }
      std::memcpy(r.acts[static_cast<std::size_t>(i)].data(), code->data(), r.act_width);
    }
    char* g = r.read_grouping.data();
    std::memcpy(g, c_.classif_version.data(), 2);
    if (rng_.below(10) < 9) {
      const auto& [cm, ghj] = rng_.pick(c_.groupings);
      std::snprintf(text, sizeof text, "%02d%03d", cm % 100, ghj % 1000);
      std::memcpy(g + 2, text, 5);
      std::memcpy(g + 7, "00", 2);
    } else {
      static constexpr int kBlockingCodes[] = {47, 50, 54, 77};
      std::snprintf(text, sizeof text, "90900%02d", kBlockingCodes[rng_.below(4)]);
      std::memcpy(g + 2, text, 7);
    }
  }

  bool emit_stay() {
    for (std::size_t i = 0; i < records_.size(); ++i) {
      RhsRecord& r = records_[i];
      if (summary_.lines >= o_.count) break;
      // Counted once the record that shows it is written (the count may cut
      // the last stay short).
      if (static_cast<int>(i) == sequence_fault_at_) ++summary_.sequence_faults;
      if (rng_.chance(o_.faults.blocking) && inject_blocking_fault(rng_, c_, r)) ++summary_.blocking_faults;
      if (rng_.chance(o_.faults.non_blocking) && inject_non_blocking_fault(rng_, c_, r))
        ++summary_.non_blocking_faults;
      const std::size_t start = out_.size();
      render(r, stay_format_, out_);
      const std::size_t end = out_.size();
      out_.append("\r\n");
      ++summary_.lines;
      ++summary_.per_format[static_cast<std::size_t>(stay_format_)];
      if (o_.old_ccam.rate > 0) count_old_ccam(r);
      if (!in_period(r)) ++summary_.out_of_period;
      if (summary_.lines < o_.count && rng_.chance(o_.faults.format)) {
        std::string copy = out_.substr(start, end - start);
        spoil_format(rng_, stay_format_, copy);
        out_.append(copy);
        out_.append("\r\n");
        ++summary_.lines;
        ++summary_.format_faults;
      }
      if (out_.size() >= kChunk) {
        if (!sink_(out_)) return false;
        out_.clear();
      }
    }
    return true;
  }

  // Counted as written: a field fault may have replaced an old code.
  void count_old_ccam(const RhsRecord& r) {
    if (r.act_width != grouper::kCcamActWidth) return;
    for (int i = 0; i < r.act_count; ++i) {
      const std::string_view act(r.acts[static_cast<std::size_t>(i)].data(), r.act_width);
      auto in = [&](const std::vector<std::string>& v) { return std::find(v.begin(), v.end(), act) != v.end(); };
      if (in(c_.ccam_v0_codes))
        ++summary_.ccam_v0_acts;
      else if (in(c_.ccam_deleted_codes))
        ++summary_.ccam_deleted_acts;
    }
  }

  bool in_period(const RhsRecord& r) const {
    std::string_view w = r.get(v1::week);
    const int week = (w[0] - '0') * 10 + (w[1] - '0');
    const int year = (w[2] - '0') * 1000 + (w[3] - '0') * 100 + (w[4] - '0') * 10 + (w[5] - '0');
    const IsoWeek first = iso_week(window_.first_monday);
    const IsoWeek last = iso_week(window_.first_monday + 7L * (window_.weeks - 1));
    const long code = year * 100L + week;
    return code >= first.code() && code <= last.code();
  }

  static constexpr std::array<std::string_view, 8> kUnits{"0101", "0102", "0110", "0201",
                                                          "0202", "0305", "0310", "1201"};

  const Options& o_;
  const Catalogue& c_;
  const ByteSink& sink_;
  Rng rng_;
  Window window_;
  int weight_total_ = 0;
  int year_first_week_ = 0, year_last_week_ = 0;
  int stay_format_ = 0;
  int sequence_fault_at_ = -1;
  Summary summary_;
  std::vector<RhsRecord> records_;
  std::string out_;
};

}  // namespace

pmsi::Result<Summary> generate(const Options& options, const Catalogue& catalogue, const ByteSink& sink) {
  if (catalogue.main_diagnoses.empty() || catalogue.second_diagnoses.empty() ||
      catalogue.third_diagnoses.empty() || catalogue.assoc_diagnoses.empty() ||
      catalogue.cdam_acts.empty() || catalogue.ccam_acts.empty() || catalogue.groupings.empty() ||
      catalogue.postal_codes.empty() || catalogue.ccam_v0_codes.empty() ||
      catalogue.ccam_deleted_codes.empty())
    return pmsi::Error{"the classification gives no code for some list"};
  Generator g(options, catalogue, sink);
  return g.run();
}

pmsi::Result<std::string> generate_to_string(const Options& options, const Catalogue& catalogue,
                                             Summary* summary) {
  std::string text;
  auto result = generate(options, catalogue, [&](std::string_view bytes) {
    text.append(bytes);
    return true;
  });
  if (!result) return pmsi::Error{result.error()};
  if (summary) *summary = result.value();
  return text;
}

}  // namespace rhsgen

namespace rhsgen {

pmsi::Result<Summary> run(const Options& options) {
  Catalogue catalogue = Catalogue::built_in();
  std::string dir = options.tables_src;
#ifdef RHSGEN_DEFAULT_TABLES_SRC
  if (dir.empty() && pmsi::is_directory(RHSGEN_DEFAULT_TABLES_SRC)) dir = RHSGEN_DEFAULT_TABLES_SRC;
#endif
  if (!dir.empty()) {
    auto loaded = Catalogue::from_sources(dir);
    if (!loaded) return pmsi::Error{loaded.error()};
    catalogue = std::move(loaded.value());
  }
  std::string list = options.ccam_v0_list;
#ifdef RHSGEN_DEFAULT_CCAM_V0_LIST
  if (list.empty() && pmsi::exists(RHSGEN_DEFAULT_CCAM_V0_LIST)) list = RHSGEN_DEFAULT_CCAM_V0_LIST;
#endif
  if (!list.empty()) {
    auto status = catalogue.read_ccam_v0_list(list);
    if (!status) return pmsi::Error{status.error()};
  }
  const bool to_stdout = options.output.empty() || options.output == "-";
  std::FILE* out = stdout;
  pmsi::FilePtr file;
  if (!to_stdout) {
    auto opened = pmsi::open_file(options.output, "wb");
    if (!opened) return pmsi::Error{opened.error()};
    file = std::move(opened.value());
    out = file.get();
  }
#ifdef _WIN32
  if (to_stdout) _setmode(_fileno(stdout), _O_BINARY);
#endif
  auto summary = generate(options, catalogue, [&](std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  });
  if (!summary) return pmsi::Error{"'" + (to_stdout ? std::string("-") : options.output) + "': " + summary.error()};
  if (std::fflush(out) != 0) return pmsi::Error{"'" + options.output + "': write failed"};
  if (file && std::fclose(file.release()) != 0) return pmsi::Error{"'" + options.output + "': write failed"};
  return summary;
}

}  // namespace rhsgen
