// RHA lines (layout, markers, day counts), the comparison of read and
// computed groupings with its counters and differences lines, and the
// geographic codes with their fallbacks.
#include "grouper/rha.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "grouper/tables.h"
#include "test_writers_support.h"

namespace {

using namespace writers_test;
namespace v1 = grouper::v1;

struct Rha {
  std::string record = make_record();
  std::string read_grouping = "         ";
  std::string week_monday = "06012003";
  grouper::StayContext stay;
  grouper::RhaWriter writer;
  grouper::RhaInput in;

  Rha() {
    stay.entry_date = "06012003";
    writer.classif_version = {'1', '0'};
    in.cm = 5;
    in.ghj = 123;
    in.return_code = 0;
    in.age_years = 52;
    in.delay_days = 999;
    in.stay_ordinal = 3;
    in.index_in_stay = 0;
    in.first_of_stay = true;
    in.last_of_stay = false;
  }
  grouper::RhaInput input() {
    grouper::RhaInput i = in;
    i.record = record;
    i.grouped_record = std::string_view(record).substr(0, v1::kLength);
    i.read_grouping = read_grouping;
    i.week_monday = week_monday;
    return i;
  }
  std::string line() {
    std::array<char, grouper::kMaxRhaLine> out;
    return {out.data(), grouper::format_rha(writer, input(), stay, out)};
  }
};

TEST(RhaLine, VersionOneRecord) {
  Rha r;
  EXPECT_EQ(r.line(),
            "123456789M22240         10"  // finess, format, version, read grouping, classif
            "05123000000003"              // CM, GHJ, CR, stay ordinal
            "1052175999"                  // hosp_type, age, sex, geographic code
            "81  000111110001"            // entry/exit modes, days from entry, presence, RHS 01
            "10012003999"                 // markers, month and year, delay
            "Z5000 S7200                                     "  // eight diagnoses
            "123412"
            "1000100020003000400050006000700080009001000110012"
            "00");
  EXPECT_EQ(r.stay.stay_entry_flag, 1);
  EXPECT_EQ(r.stay.stay_exit_flag, 2);
}

TEST(RhaLine, VersionThreeRecordKeepsItsActs) {
  Rha r;
  set_field(r.record, v1::format_code, "M03");
  set_field(r.record, v1::act_count, "02");
  std::string held = r.record.substr(0, 99) + std::string(64, '+') + r.record.substr(147, 57) +
                     "AAMP0010ZZZZ001X";
  r.record += "AAMP";  // the grouped record ignores anything beyond 204
  grouper::RhaInput in = r.input();
  in.record = held;
  std::array<char, grouper::kMaxRhaLine> out;
  std::string line(out.data(), grouper::format_rha(r.writer, in, r.stay, out));
  EXPECT_EQ(line.substr(9, 3), "M23");
  EXPECT_EQ(line.substr(180), "02AAMP0010ZZZZ001X");

  // A version-1 record's acts start at 204.
  Rha r1;
  set_field(r1.record, v1::act_count, "02");
  r1.record += "A001B002";
  EXPECT_EQ(r1.line().substr(9, 3), "M22");
  EXPECT_EQ(r1.line().substr(180), "02A001B002");
}

struct MarkerCase {
  const char* name;
  const char* week;  // record's week field
  const char* week_monday;
  const char* entry_date;
  const char* stay_entry_date;
  const char* exit_date;
  const char* exit_mode_destination;
  int index;
  bool first, last;
  const char* days;  // positions 54-56
  char entry_marker, exit_marker;
  int entry_flag, exit_flag;
};

void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.name; }

class RhaMarkers : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(RhaMarkers, MarkersDaysAndStayFlags) {
  const MarkerCase& c = GetParam();
  Rha r;
  set_field(r.record, v1::week, c.week);
  set_field(r.record, v1::entry_date, c.entry_date);
  set_field(r.record, v1::exit_date, c.exit_date);
  set_field(r.record, v1::exit_mode, std::string_view(c.exit_mode_destination).substr(0, 1));
  set_field(r.record, v1::exit_destination, std::string_view(c.exit_mode_destination).substr(1, 1));
  r.week_monday = c.week_monday;
  r.stay.entry_date = c.stay_entry_date;
  r.in.index_in_stay = c.index;
  r.in.first_of_stay = c.first;
  r.in.last_of_stay = c.last;
  std::string line = r.line();
  EXPECT_EQ(line.substr(54, 3), c.days);
  EXPECT_EQ(line[66], c.entry_marker);
  EXPECT_EQ(line[67], c.exit_marker);
  EXPECT_EQ(r.stay.stay_entry_flag, c.entry_flag);
  EXPECT_EQ(r.stay.stay_exit_flag, c.exit_flag);
}

// Week 2 of 2003 runs from Monday 06012003 to Sunday 12012003.
const MarkerCase kMarkerCases[] = {
    {"EntryInFirstWeek", "022003", "06012003", "08012003", "08012003", "", "  ", 0, true, false,
     "000", '1', '0', 1, 2},
    {"LaterRhsOfTheStay", "032003", "13012003", "08012003", "08012003", "", "  ", 1, false, false,
     "005", '2', '0', 2, 2},
    {"EntryBeforeTheWeek", "022003", "06012003", "30122002", "30122002", "", "  ", 0, true, false,
     "007", '2', '0', 2, 2},
    {"EntryWeekCodeInPreviousYear", "012003", "30122002", "31122002", "31122002", "", "  ", 0, true,
     false, "000", '1', '0', 1, 2},
    {"BlankEntryDate", "022003", "06012003", "", "06012003", "", "  ", 0, true, false, "   ", ' ',
     '0', 2, 2},
    {"InvalidEntryDate", "022003", "06012003", "31022003", "06012003", "", "  ", 0, true, false,
     "000", '2', '0', 2, 2},
    {"InvalidStayEntryDate", "032003", "13012003", "06012003", "32012003", "", "  ", 1, false, false,
     "   ", '2', '0', 2, 2},
    {"BlankStayEntryDate", "032003", "13012003", "06012003", "", "", "  ", 1, false, false, "   ",
     '2', '0', 2, 2},
    {"LongStayCappedAt999", "022003", "06012003", "01011999", "01011999", "", "  ", 0, true, false,
     "999", '2', '0', 2, 2},
    {"ExitOnSunday", "022003", "06012003", "06012003", "06012003", "12012003", "81", 0, true, true,
     "000", '1', '1', 1, 1},
    {"ExitOnNextMonday", "022003", "06012003", "06012003", "06012003", "13012003", "81", 0, true,
     true, "000", '1', '2', 1, 2},
    {"ExitNotOnLastRhs", "022003", "06012003", "06012003", "06012003", "12012003", "81", 0, true,
     false, "000", '1', '2', 1, 2},
    {"ExitTransferModeSixToTwo", "022003", "06012003", "06012003", "06012003", "08012003", "62", 0,
     true, true, "000", '1', '2', 1, 2},
    {"ExitInvalidDate", "022003", "06012003", "06012003", "06012003", "30022003", "81", 0, true, true,
     "000", '1', '2', 1, 2},
    {"ExitBeforeTheWeek", "022003", "06012003", "06012003", "06012003", "01012003", "81", 0, true,
     true, "000", '1', '1', 1, 1},
};

INSTANTIATE_TEST_SUITE_P(Cases, RhaMarkers, ::testing::ValuesIn(kMarkerCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(RhaLine, NumbersAndLimits) {
  struct {
    int index;
    long delay;
    int age;
    const char* number;  // 64-65
    const char* delay_text;
    const char* age_text;
  } cases[] = {
      {0, 45, 52, "01", "045", "052"},   {97, -3, 0, "98", "000", "000"},
      {98, 1200, 123, "99", "999", "123"}, {99, 999, -5, "99", "999", "-05"},
  };
  for (const auto& c : cases) {
    Rha r;
    r.in.index_in_stay = c.index;
    r.in.delay_days = c.delay;
    r.in.age_years = c.age;
    std::string line = r.line();
    EXPECT_EQ(line.substr(64, 2), c.number) << c.index;
    EXPECT_EQ(line.substr(74, 3), c.delay_text) << c.delay;
    EXPECT_EQ(line.substr(41, 3), c.age_text) << c.age;
  }
}

TEST(RhaLine, ShortAndOverlongRecordsStayInBounds) {
  // Nothing of the record: every copied field is blank, numbers still print.
  grouper::RhaWriter writer;
  grouper::StayContext stay;
  grouper::RhaInput in;
  std::array<char, grouper::kMaxRhaLine> out;
  std::string line(out.data(), grouper::format_rha(writer, in, stay, out));
  ASSERT_EQ(line.size(), 182u);
  EXPECT_EQ(line.substr(0, 33), "         M22240           0000000");
  EXPECT_EQ(line.substr(45, 5), "  999");
  EXPECT_EQ(line[66], ' ');
  EXPECT_EQ(line[67], '0');

  // Acts beyond the buffer are cut, leaving room for the line break.
  Rha r;
  r.record += std::string(5000, 'A');
  EXPECT_EQ(r.line().size(), grouper::kMaxRhaLine - 1);
}

struct DiffCase {
  const char* name;
  const char* read_grouping;
  int cm, ghj, cr;
  grouper::GroupingCounters expected;  // rha_written_count left at 1
  const char* dif;                     // differences file, "" for none
};

void PrintTo(const DiffCase& c, std::ostream* os) { *os << c.name; }

class RhaDifferences : public ::testing::TestWithParam<DiffCase> {};

grouper::GroupingCounters counts(long identical, long identical_cm90, long rc_diff, long ghj_ghj,
                                 long ghj_cm90, long cm90_ghj, long cm90_cm90) {
  return {1, identical, identical_cm90, rc_diff, ghj_ghj, ghj_cm90, cm90_ghj, cm90_cm90};
}

TEST_P(RhaDifferences, CountsAndDifferencesLine) {
  const DiffCase& c = GetParam();
  TempDir dir;
  OutputFile rha(dir, "N.rha"), dif(dir, "N.dif");
  Rha r;
  r.writer.rha = rha.writer();
  r.writer.differences = dif.writer();
  r.read_grouping = c.read_grouping;
  r.in.cm = c.cm;
  r.in.ghj = c.ghj;
  r.in.return_code = c.cr;
  std::string line = r.line();
  grouper::write_rha(r.writer, r.input(), r.stay);
  const auto& got = r.writer.counters;
  const auto& want = c.expected;
  EXPECT_EQ(got.rha_written_count, 1);
  EXPECT_EQ(got.identical_count, want.identical_count);
  EXPECT_EQ(got.identical_cm90_count, want.identical_cm90_count);
  EXPECT_EQ(got.return_code_diff_count, want.return_code_diff_count);
  EXPECT_EQ(got.ghj_ghj_diff_count, want.ghj_ghj_diff_count);
  EXPECT_EQ(got.ghj_cm90_count, want.ghj_cm90_count);
  EXPECT_EQ(got.cm90_ghj_count, want.cm90_ghj_count);
  EXPECT_EQ(got.cm90_cm90_diff_count, want.cm90_cm90_diff_count);
  EXPECT_EQ(rha.bytes(), line + "\r\n");
  EXPECT_EQ(dif.bytes(), c.dif);
}

const DiffCase kDiffCases[] = {
    {"ReadEqualsComputed", "100512300", 5, 123, 0, counts(1, 0, 0, 0, 0, 0, 0), ""},
    {"NoReadGrouping", "         ", 5, 123, 0, counts(0, 0, 0, 1, 0, 0, 0), ""},
    {"ClassifVersionOnly", "10       ", 5, 123, 0, counts(0, 0, 0, 1, 0, 0, 0), ""},
    {"BothGroupedOtherGhj", "100512400", 5, 123, 0, counts(0, 0, 0, 1, 0, 0, 0),
     "000123402200305124000512300\r\n"},
    {"BothCm90OtherGhj", "109090012", 90, 904, 96, counts(0, 0, 0, 0, 0, 0, 1),
     "000123402200390900129090496\r\n"},
    {"SameErrorGhjOtherCode", "109090012", 90, 900, 13, counts(1, 1, 1, 0, 0, 0, 0), ""},
    {"SameErrorGhjSameCode", "109090013", 90, 900, 13, counts(1, 1, 0, 0, 0, 0, 0), ""},
    {"GroupedReadErrorComputed", "100512300", 90, 900, 13, counts(0, 0, 0, 0, 1, 0, 0),
     "000123402200305123009090013\r\n"},
    {"ErrorReadGroupedComputed", "109090013", 5, 123, 0, counts(0, 0, 0, 0, 0, 1, 0),
     "000123402200390900130512300\r\n"},
    {"Read90Computed99", "109090013", 99, 904, 2, counts(0, 0, 0, 0, 1, 1, 0),
     "000123402200390900139990402\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RhaDifferences, ::testing::ValuesIn(kDiffCases),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

// ---------------------------------------------------------------------------
// Geographic codes

// codegeog.tab: 62 bytes not read, 1021 big-endian start indexes, then
// 4-byte entries (commune suffix, 24-bit geographic number).
struct Commune {
  int department;
  int suffix;
  std::uint32_t number;
};

std::string geography_file(std::vector<Commune> communes) {
  std::string bytes(62, '\x7f');
  std::vector<int> starts(1021, 0);
  for (int d = 0; d < 1021; ++d)
    for (const auto& c : communes)
      if (c.department < d) ++starts[static_cast<std::size_t>(d)];
  for (int s : starts) {
    bytes += static_cast<char>(s >> 8);
    bytes += static_cast<char>(s & 0xff);
  }
  std::stable_sort(communes.begin(), communes.end(),
                   [](const Commune& a, const Commune& b) { return a.department < b.department; });
  for (const auto& c : communes) {
    bytes += static_cast<char>(c.suffix);
    bytes += static_cast<char>(c.number >> 16);
    bytes += static_cast<char>((c.number >> 8) & 0xff);
    bytes += static_cast<char>(c.number & 0xff);
  }
  return bytes;
}

std::string geo(const pmsi::Tables* tables, std::string_view postal_code) {
  auto code = grouper::geo_code(tables, postal_code);
  return {code.data(), code.size()};
}

TEST(GeoCode, WithoutTheTableFallsBack) {
  pmsi::Tables tables;  // geography not open
  const pmsi::Tables* none[] = {nullptr, &tables};
  for (const pmsi::Tables* t : none) {
    EXPECT_EQ(geo(t, "99000"), "99999");
    EXPECT_EQ(geo(t, "75012"), "75999");
    EXPECT_EQ(geo(t, "2A004"), "2A999");
  }
}

TEST(GeoCode, DepartmentsSuffixesAndEncoding) {
  TempDir dir;
  {
    std::ofstream f(dir.path() / "codegeog.tab", std::ios::binary);
    f << geography_file({
        {300, 4, 25422},    // 2A0..
        {312, 0, 0},        // 2B2..
        {320, 12, 239579},  // 300..: largest number that encodes
        {292, 12, 239580},  // 292..: too large
        {770, 5, 1},        // 750..
        {770, 12, 23958},
        {770, 12, 5},       // not reached: the first match counts
        {1019, 12, 2},      // 999..: last department
    });
  }
  pmsi::Tables tables;
  ASSERT_TRUE(tables.open_geography((dir.path() / "").string()));
  struct {
    const char* postal_code;
    const char* code;
  } cases[] = {
      {"99999", "99999"}, {"99000", "99000"}, {"2A004", "11111"}, {"2A005", "2A999"},
      {"2B200", "00000"}, {"30012", "9HCAA"}, {"29212", "29999"}, {"75012", "10000"},
      {"75005", "00001"}, {"77012", "77999"}, {"99912", "00002"}, {"-1234", "-1999"},
      {"12", "12999"},    {"\xff" "1234", "\xff" "1999"},
  };
  for (const auto& c : cases) EXPECT_EQ(geo(&tables, c.postal_code), c.code) << c.postal_code;
}

}  // namespace
