#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/fields.h"
#include "grouper/rhs.h"
#include "rhsgen/catalogue.h"
#include "rhsgen/rhsgen.h"

#ifdef RHSGEN_WITH_GROUPER
#include <cstdio>
#include <filesystem>

#include "common/textfile.h"
#include "grouper/controls.h"
#include "grouper/run.h"
#include "grouper/tables.h"
#include "grouper/sequence.h"
#endif

namespace {

using rhsgen::Options;
using rhsgen::Summary;

std::string make(const Options& o, Summary* s = nullptr,
                 const rhsgen::Catalogue& c = rhsgen::Catalogue::built_in()) {
  auto text = rhsgen::generate_to_string(o, c, s);
  EXPECT_TRUE(text.ok()) << (text.ok() ? "" : text.error());
  return text.ok() ? text.value() : std::string();
}

// Lines without their CR LF; every line must end with CR LF and hold no other
// line-end byte.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find("\r\n", pos);
    EXPECT_NE(end, std::string::npos) << "last line without CR LF";
    if (end == std::string::npos) break;
    std::string line = text.substr(pos, end - pos);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    out.push_back(std::move(line));
    pos = end + 2;
  }
  return out;
}

int format_index(std::string_view line) {
  const std::string_view code = pmsi::field(line, grouper::kFormatCodeOffset, grouper::kFormatCodeWidth);
  for (int i = 0; i < 6; ++i)
    if (grouper::kFormats[static_cast<std::size_t>(i)].code == code) return i;
  return -1;
}

// The record as the grouper sees it after detection.
std::string_view record_of(std::string_view line) {
  const int f = format_index(line);
  return f >= 0 && grouper::kFormats[static_cast<std::size_t>(f)].leading_grouping
             ? line.substr(grouper::kLeadingGroupingWidth)
             : line;
}

Options faulty(long count, std::uint64_t seed) {
  Options o;
  o.count = count;
  o.seed = seed;
  o.faults = {0.02, 0.03, 0.04, 0.1, 0.05};
  return o;
}

TEST(Rhsgen, SameSeedGivesSameBytesAndAnotherSeedOthers) {
  for (int semester : {1, 2}) {
    Options o = faulty(3000, 42);
    o.semester = semester;
    o.year = semester == 1 ? 1999 : 1998;
    const std::string a = make(o);
    EXPECT_EQ(a, make(o));
    o.seed = 43;
    EXPECT_NE(a, make(o));
  }
}

TEST(Rhsgen, WritesExactlyTheCountAskedFor) {
  for (long count : {0L, 1L, 7L, 2500L}) {
    Options o = faulty(count, 5);
    Summary s;
    EXPECT_EQ(static_cast<long>(lines_of(make(o, &s)).size()), count);
    EXPECT_EQ(s.lines, count);
  }
}

// Every line carries its format's code and has the length its act count
// gives: L + n x M, plus the leading grouping; the record's own code is the
// one of its version without grouping. Field faults keep the layout.
TEST(Rhsgen, EveryLineHasTheLengthAndCodeOfItsFormat) {
  const std::vector<std::array<int, 6>> mixes = {
      {1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0}, {0, 0, 0, 1, 0, 0},
      {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 0, 1}, {1, 1, 1, 1, 1, 1}};
  for (const auto& mix : mixes) {
    Options o = faulty(4000, 11);
    o.faults.format = 0;
    o.format_weights = mix;
    Summary s;
    const auto lines = lines_of(make(o, &s));
    std::array<long, 6> seen{};
    for (const std::string& line : lines) {
      const int f = format_index(line);
      ASSERT_GE(f, 0) << line;
      ASSERT_GT(mix[static_cast<std::size_t>(f)], 0) << line;
      ++seen[static_cast<std::size_t>(f)];
      const grouper::FormatSpec& spec = grouper::kFormats[static_cast<std::size_t>(f)];
      const std::string_view rec = record_of(line);
      ASSERT_EQ(pmsi::field(rec, grouper::kFormatCodeOffset, 3),
                grouper::kFormats[static_cast<std::size_t>(f & ~1)].code);
      ASSERT_GE(rec.size(), spec.min_length) << line;
      const long acts = pmsi::read_blank_tolerant(pmsi::field(rec, spec.min_length - 2, 2));
      EXPECT_LE(acts, 10);
      ASSERT_EQ(rec.size(), spec.min_length + static_cast<std::size_t>(acts) * spec.act_width) << line;
#ifdef RHSGEN_WITH_GROUPER
      std::string copy = line;
      const grouper::Detection d = grouper::detect_format(copy);
      ASSERT_EQ(d.result, grouper::kAccepted) << line;
      EXPECT_EQ(d.version, spec.version);
      EXPECT_EQ(d.read_grouping_view(),
                spec.leading_grouping ? std::string_view(line).substr(0, 9) : grouper::kNoReadGrouping);
#endif
    }
    EXPECT_EQ(seen, s.per_format);
  }
}

// Keys of the front end's first sort job, each read at the record's own
// offsets: stay number and year as text, week as a number, the two dates
// in calendar order (a blank date first).
using SortKey = std::tuple<std::string, std::string, long, long, long>;

long date_key(std::string_view d) {
  if (pmsi::is_blank(d)) return 0;
  return pmsi::read_atoi(d.substr(4, 4)) * 10000 + pmsi::read_atoi(d.substr(2, 2)) * 100 +
         pmsi::read_atoi(d.substr(0, 2));
}

SortKey sort_key(std::string_view rec) {
  namespace v1 = grouper::v1;
  const std::string_view week = pmsi::field(rec, v1::week.offset, v1::week.width);
  return {std::string(pmsi::field(rec, v1::stay_number.offset, v1::stay_number.width)),
          std::string(week.substr(2, 4)), pmsi::read_atoi(week.substr(0, 2)),
          date_key(pmsi::field(rec, v1::entry_date.offset, v1::entry_date.width)),
          date_key(pmsi::field(rec, v1::exit_date.offset, v1::exit_date.width))};
}

TEST(Rhsgen, LinesComeInTheFrontEndsSortOrder) {
  for (int semester : {1, 2}) {
    Options o = faulty(20000, 3);
    o.semester = semester;
    o.faults.out_of_period = 0.2;
    o.faults.sequence = 0.3;
    const auto lines = lines_of(make(o));
    for (std::size_t i = 1; i < lines.size(); ++i)
      ASSERT_LE(sort_key(record_of(lines[i - 1])), sort_key(record_of(lines[i])))
          << "line " << i + 1 << "\n" << lines[i - 1] << "\n" << lines[i];
  }
}

TEST(Rhsgen, FaultsAppearAtTheRequestedRates) {
  Options o = faulty(40000, 8);
  Summary s;
  const auto lines = lines_of(make(o, &s));
  const double rhs = static_cast<double>(s.lines - s.format_faults);
  auto near = [](double got, double want) { return got > want * 0.75 && got < want * 1.25; };
  EXPECT_PRED2(near, s.format_faults, 0.02 * rhs);
  EXPECT_PRED2(near, s.blocking_faults, 0.03 * rhs);
  EXPECT_PRED2(near, s.non_blocking_faults, 0.04 * rhs);
  EXPECT_PRED2(near, s.out_of_period, 0.05 * static_cast<double>(s.lines));
  EXPECT_GT(s.sequence_faults, 0);
#ifdef RHSGEN_WITH_GROUPER
  // Counted again with the grouper's own detection and period window.
  grouper::PeriodWindow window;
  ASSERT_TRUE(grouper::period_window(o.semester, o.year, window));
  long rejected = 0, out_of_period = 0;
  for (std::string line : lines) {
    const grouper::Detection d = grouper::detect_format(line);
    if (d.result != grouper::kAccepted) {
      ++rejected;
      continue;
    }
    const long code = grouper::week_field_code(pmsi::field(line, grouper::v1::week.offset, 6));
    if (!window.contains(code)) ++out_of_period;
  }
  EXPECT_EQ(rejected, s.format_faults);
  EXPECT_EQ(out_of_period, s.out_of_period);
#endif
}

#ifdef RHSGEN_WITH_GROUPER
// Stays that the grouper's sequence checks find faulty: exactly those given a
// sequence fault, whatever the other faults.
long faulty_stays(const Options& o, long* stays) {
  const auto lines = lines_of(make(o));
  const auto dir = std::filesystem::temp_directory_path() / "rhsgen_sequence";
  std::filesystem::create_directories(dir);
  auto codes = pmsi::TextWriter::open((dir / "codes").string());
  auto messages = pmsi::TextWriter::open((dir / "messages").string());
  EXPECT_TRUE(codes.ok() && messages.ok());
  grouper::SequenceFiles files{&codes.value(), &messages.value()};
  std::vector<std::string> stay;
  long found = 0;
  *stays = 0;
  auto close_stay = [&] {
    if (stay.empty()) return;
    ++*stays;
    const int n = static_cast<int>(stay.size());
    // A long stay with out-of-period weeks may pass 50 RHS: not checked.
    const int result = grouper::check_stay_sequence(files, stay, n, *stays, "1", "2003");
    if (result == grouper::kSequenceTooManyRhs) {
      EXPECT_GT(n, grouper::kSequenceMaxRhs);
    } else if (result != 0) {
      ++found;
    }
    stay.clear();
  };
  for (std::string line : lines) {
    if (grouper::detect_format(line).result != grouper::kAccepted) continue;
    if (!stay.empty() && stay.front().substr(12, 7) != line.substr(12, 7)) close_stay();
    stay.push_back(line);
  }
  close_stay();
  codes->close();
  messages->close();
  std::filesystem::remove_all(dir);
  return found;
}

TEST(Rhsgen, SequenceFaultsAreTheOnlyInconsistenciesTheGrouperFinds) {
  for (auto [rate, semester] : {std::pair{0.0, 1}, {0.0, 2}, {0.25, 1}, {0.25, 2}}) {
    Options o = faulty(20000, 21);
    o.semester = semester;
    o.faults = {0.02, 0.05, 0.05, rate, 0.1};
    Summary s;
    make(o, &s);
    long stays = 0;
    EXPECT_EQ(faulty_stays(o, &stays), s.sequence_faults) << "rate " << rate;
    EXPECT_EQ(stays, s.stays);
    if (rate > 0) {
      EXPECT_GT(s.sequence_faults, 0);
    }
  }
}

// The grouper's field controls over every accepted line, with the table
// lookups answered from the catalogue (a known code is allowed everywhere).
struct ControlCount {
  long blocking = 0;      // lines with a blocking return code
  long non_blocking = 0;  // lines with only non-blocking codes
};

ControlCount control_lines(const std::string& text, const rhsgen::Catalogue& c) {
  auto known = [](const std::vector<std::string>& v, std::string_view code) {
    for (const auto& k : v)
      if (k.compare(0, code.size(), code) == 0) return true;
    return false;
  };
  ControlCount out;
  std::string v1;
  for (std::string line : lines_of(text)) {
    const grouper::Detection d = grouper::detect_format(line);
    if (d.result != grouper::kAccepted) continue;
    grouper::to_version1_shape(line, v1);
    std::array<pmsi::DiagnosisSlot, pmsi::kDiagnosisSlotCount> diags{};
    for (std::size_t i = 0; i < diags.size(); ++i) {
      const std::string_view code = std::string_view(v1).substr(grouper::v1::diag_1.offset + 6 * i, 6);
      std::copy(code.begin(), code.end(), diags[i].code.begin());
      diags[i].positions = 0xFF;
      diags[i].data_size = 1;
      diags[i].data[0] = known(c.main_diagnoses, code) || known(c.second_diagnoses, code) ||
                                 known(c.third_diagnoses, code) || known(c.assoc_diagnoses, code)
                             ? 11
                             : 0;
    }
    std::vector<pmsi::ActSlot> acts;
    const long n = pmsi::read_blank_tolerant(pmsi::field(v1, grouper::v1::act_count.offset, 2));
    for (long i = 0; i < n && i < 10; ++i) {
      pmsi::ActSlot a;
      a.width = static_cast<int>(d.act_width);
      const std::string_view code =
          pmsi::field(v1, grouper::v1::kActsOffset + static_cast<std::size_t>(i) * d.act_width, d.act_width);
      std::copy(code.begin(), code.end(), a.code.begin());
      a.act_class = known(a.width == 4 ? c.cdam_acts : c.ccam_acts, code) ? 1 : 0;
      acts.push_back(a);
    }
    const std::string monday = grouper::week_monday(pmsi::field(v1, grouper::v1::week.offset, 6));
    grouper::ErrorList errors;
    std::int16_t rc = 0, cm = 0, ghj = 0;
    grouper::run_controls({v1, monday, diags, acts}, errors, rc, cm, ghj);
    if (rc != 0)
      ++out.blocking;
    else if (errors.count > 0)
      ++out.non_blocking;
  }
  return out;
}

// The built-in lists, and the demo classification's sources when present.
std::vector<rhsgen::Catalogue> catalogues() {
  std::vector<rhsgen::Catalogue> out{rhsgen::Catalogue::built_in()};
  auto demo = rhsgen::Catalogue::from_sources(PMSI_SOURCE_DIR "/data/tables");
  if (demo.ok()) out.push_back(demo.value());
  return out;
}

TEST(Rhsgen, FieldFaultsAreTheOnlyOnesTheGrouperControlsFind) {
  for (const rhsgen::Catalogue& c : catalogues()) {
    for (auto [blocking, non_blocking] : {std::pair{0.0, 0.0}, {0.1, 0.0}, {0.0, 0.1}}) {
      Options o = faulty(20000, 33);
      o.faults = {0.02, blocking, non_blocking, 0.1, 0.05};
      Summary s;
      const ControlCount found = control_lines(make(o, &s, c), c);
      EXPECT_EQ(found.blocking, s.blocking_faults) << c.origin;
      EXPECT_EQ(found.non_blocking, s.non_blocking_faults) << c.origin;
    }
  }
}
#endif

#ifdef RHSGEN_WITH_GROUPER
// Old CCAM codes are the ones the grouper's transcoding lists know: V0 codes
// found as such, deleted codes as deleted, and nothing else.
TEST(Rhsgen, OldCcamCodesAreTheOnesTheTranscodingKnows) {
  rhsgen::Catalogue from_list = rhsgen::Catalogue::built_in();
  ASSERT_TRUE(from_list.read_ccam_v0_list(PMSI_SOURCE_DIR "/data/ccam/ccam_v0.txt").ok());
  for (const rhsgen::Catalogue& c : {rhsgen::Catalogue::built_in(), from_list}) {
    for (double rate : {0.0, 0.3}) {
      Options o = faulty(5000, 17);
      o.old_ccam.rate = rate;
      Summary s;
      long v0 = 0, deleted = 0;
      for (std::string line : lines_of(make(o, &s, c))) {
        const grouper::Detection d = grouper::detect_format(line);
        if (d.result != grouper::kAccepted || d.act_width != grouper::kCcamActWidth) continue;
        const long n = pmsi::read_blank_tolerant(pmsi::field(line, grouper::v23::act_count.offset, 2));
        for (long i = 0; i < n; ++i) {
          std::array<char, 10> replacement{};
          const auto act = pmsi::field(line, grouper::v23::kActsOffset + 8 * static_cast<std::size_t>(i), 8);
          const int found = grouper::lookup_ccam_v0(act, replacement);
          v0 += found == 1;
          deleted += found == -1;
        }
      }
      EXPECT_EQ(v0, s.ccam_v0_acts);
      EXPECT_EQ(deleted, s.ccam_deleted_acts);
      if (rate > 0) {
        EXPECT_GT(v0, deleted);
        EXPECT_GT(deleted, 0);
      }
    }
  }
}
#endif

TEST(Rhsgen, OptionsAreReadOrRefusedWithTheWordAtFault) {
  struct Case {
    std::vector<std::string_view> words;
    bool ok;
  };
  const std::vector<Case> cases = {
      {{"--seed", "7", "--count=10", "--semester", "2", "--year", "1998"}, true},
      {{"--formats", "M01,M13:3", "--blocking", "5%", "--out-of-period=0.1"}, true},
      {{"-o", "x.txt", "-n", "3", "--tables-src", "dir", "--finess", "2A0000001"}, true},
      {{"--year", "2004"}, false},
      {{"--semester", "3"}, false},
      {{"--formats", "M04"}, false},
      {{"--formats", "M01:0"}, false},
      {{"--blocking", "1.5"}, false},
      {{"--count"}, false},
      {{"--finess", "12345"}, false},
      {{"--colour", "red"}, false},
      {{"stray"}, false},
  };
  for (const Case& c : cases) {
    auto o = rhsgen::parse_options(c.words);
    EXPECT_EQ(o.ok(), c.ok) << c.words.front();
    if (!o.ok()) {
      EXPECT_NE(o.error().find('\''), std::string::npos);
    }
  }
  auto o = rhsgen::parse_options(cases[1].words);
  ASSERT_TRUE(o.ok());
  EXPECT_EQ(o->format_weights, (std::array<int, 6>{1, 0, 0, 0, 0, 3}));
  EXPECT_DOUBLE_EQ(o->faults.blocking, 0.05);
  const std::string help = rhsgen::help_text();
  for (const char* name : {"--seed", "--semester", "--year", "--count", "--formats", "--finess",
                           "--tables-src", "--output", "--format-errors", "--blocking",
                           "--non-blocking", "--sequence", "--out-of-period", "--ccam-v0",
                           "--ccam-deleted", "--ccam-v0-list", "--help"})
    EXPECT_NE(help.find(name), std::string::npos) << name;
}

}  // namespace
