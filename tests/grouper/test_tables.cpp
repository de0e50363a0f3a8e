// The nomenclature tables as the grouper reads them: start-up check, lazy
// opening with its codes and messages, the three lookups, the tree nodes and
// the geography, on small tables compiled from inline text; then damaged
// tables, which must never make a lookup read outside the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/textfile.h"
#include "grouper/tables.h"
#include "tabc/tabc.h"

namespace fs = std::filesystem;
namespace L = pmsi::table_layout;

namespace {

const char* kTree = R"(table arbressr.tab
version T1
root: leaf 5 123 7
)";

const char* kDiagnoses = R"(table diag10sr.tab
version T1
A00    123a 11
A001   1    12 38,210
M431+5 123a 14
B20    -    40          # of two equal codes the first wins
B20    123a 50
C34    123a 30 30,1 40,2
Z99    2a   99 38,212
Z991   2a   99
)";

const char* kCdam = R"(table actecssr.tab
version T1
A000 7
A001 1
Z999 9
)";

const char* kCcam = R"(table ccamcssr.tab
version T1
AAMP0020 4
ABQP0010 5
ZZZZ9999 6
)";

const char* kGeography = R"(table codegeog.tab
01000 1332
01090 1333
2A004 13310
97400 239579
)";

std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_bytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("grouper_tables_" + std::string(info->name()) + "_" + std::to_string(std::random_device{}()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* source : {kTree, kDiagnoses, kCdam, kCcam, kGeography}) compile(source);
    auto log = pmsi::TextWriter::open((dir_ / "run.log").string());
    ASSERT_TRUE(log.ok());
    log_.emplace(std::move(*log));
  }
  void TearDown() override {
    log_.reset();
    fs::remove_all(dir_);
  }

  void compile(const std::string& source) {
    auto status = pmsi::tabc::compile_to_directory("inline", source, dir_.string());
    ASSERT_TRUE(status.ok()) << status.error();
  }
  std::string tables_dir() const { return dir_.string() + "/"; }
  std::string path(const char* name) const { return tables_dir() + name; }
  std::string log_text() {
    log_->flush();
    return read_bytes(dir_ / "run.log");
  }
  int open(pmsi::Tables& t) { return t.open_tables(tables_dir(), version_, *log_); }

  fs::path dir_;
  std::optional<pmsi::TextWriter> log_;
  char version_[3] = {'x', 'x', 'x'};
};

// --- start-up check --------------------------------------------------------

TEST_F(TablesTest, CheckTablesGivesTheTreeVersion) {
  auto v = pmsi::Tables::check_tables(tables_dir(), *log_);
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(*v, "T1");
  EXPECT_EQ(log_text(), "");
}

TEST_F(TablesTest, CheckTablesReportsTheFirstMissingFileInOrder) {
  // arbressr, diag10sr, actecssr in this order; ccamcssr is not checked.
  fs::remove(dir_ / "ccamcssr.tab");
  fs::remove(dir_ / "actecssr.tab");
  fs::remove(dir_ / "diag10sr.tab");
  EXPECT_FALSE(pmsi::Tables::check_tables(tables_dir(), *log_).ok());
  EXPECT_EQ(log_text(), "Tables non trouvees " + path("diag10sr.tab") + "\r\n");
}

TEST_F(TablesTest, CheckTablesRefusesAlteredTables) {
  for (const char* name : {"arbressr.tab", "diag10sr.tab", "actecssr.tab"}) {
    SCOPED_TRACE(name);
    std::string good = read_bytes(dir_ / name);
    std::string bad = good;
    bad[bad.size() / 2] = static_cast<char>(bad[bad.size() / 2] ^ 0x01);
    write_bytes(dir_ / name, bad);
    std::size_t before = log_text().size();
    EXPECT_FALSE(pmsi::Tables::check_tables(tables_dir(), *log_).ok());
    // "Table altérée" in Windows-1252.
    EXPECT_EQ(log_text().substr(before), "Table alt\xE9r\xE9" "e " + path(name) + "\r\n");
    write_bytes(dir_ / name, good);
  }
  write_bytes(dir_ / "actecssr.tab", "abc");  // too short to hold a trailer
  EXPECT_FALSE(pmsi::Tables::check_tables(tables_dir(), *log_).ok());
}

// --- lazy opening ------------------------------------------------------------

TEST_F(TablesTest, OpenTablesFailuresGiveTheirCodeAndMessage) {
  struct Case {
    const char* missing;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {"arbressr.tab", 98, "Pb d'ouverture des tables arbre: 98\r\n"},
      {"actecssr.tab", 99, "Pb d'ouverture de la table des actes CDAM: 99\r\n"},
      {"ccamcssr.tab", 9, "Pb d'ouverture de la table des actes CCAM: 9\r\n"},
      {"diag10sr.tab", 99, "Pb d'ouverture des tables des diags : 99\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    std::string saved = read_bytes(dir_ / c.missing);
    fs::remove(dir_ / c.missing);
    pmsi::Tables t;
    std::size_t before = log_text().size();
    EXPECT_EQ(open(t), c.code);
    EXPECT_EQ(log_text().substr(before), c.message);
    // Tried again on the next call, and reported again.
    EXPECT_EQ(open(t), c.code);
    EXPECT_EQ(log_text().substr(before), std::string(c.message) + c.message);
    write_bytes(dir_ / c.missing, saved);
    EXPECT_EQ(open(t), 0);
    EXPECT_STREQ(version_, "T1");
  }
}

TEST_F(TablesTest, VersionBufferIsFilledOnceTheTreeIsOpen) {
  fs::remove(dir_ / "actecssr.tab");
  pmsi::Tables t;
  EXPECT_EQ(open(t), 99);
  EXPECT_STREQ(version_, "T1");
  EXPECT_EQ(t.tree_version(), "T1");
}

TEST_F(TablesTest, EachMismatchingFileIsReportedOnceThenGroupingGoesOn) {
  std::string cdam = kCdam, diag = kDiagnoses;
  compile(cdam.replace(cdam.find("T1"), 2, "T2"));
  compile(diag.replace(diag.find("T1"), 2, "T0"));
  pmsi::Tables t;
  EXPECT_EQ(open(t), 9);
  EXPECT_EQ(log_text(), "Version des tables incompatible (Arbre - Actes) \r\n");
  EXPECT_EQ(open(t), 9);
  EXPECT_EQ(log_text(),
            "Version des tables incompatible (Arbre - Actes) \r\n"
            "Version des tables incompatible (Arbre - Diags) \r\n");
  EXPECT_EQ(open(t), 0);
  EXPECT_EQ(open(t), 0);
  t.lookup_cdam_act(0, "A001");
  EXPECT_EQ(t.act(0).act_class, 1);  // the mismatching file is open and used
}

TEST_F(TablesTest, CcamMismatchIsAnActsMismatch) {
  std::string ccam = kCcam;
  compile(ccam.replace(ccam.find("T1"), 2, "T3"));
  pmsi::Tables t;
  EXPECT_EQ(open(t), 9);
  EXPECT_EQ(log_text(), "Version des tables incompatible (Arbre - Actes) \r\n");
  EXPECT_EQ(open(t), 0);
}

// --- lookups -----------------------------------------------------------------

TEST(TableCodes, SuffixAndCategoryArithmetic) {
  EXPECT_EQ(pmsi::diagnosis_category_number("A00   "), 0);
  EXPECT_EQ(pmsi::diagnosis_category_number("Z99   "), 2599);
  EXPECT_EQ(pmsi::diagnosis_category_number("z99   "), 2599);
  EXPECT_EQ(pmsi::diagnosis_category_number("B2X   "), 102);  // stops at the first non-digit
  EXPECT_EQ(pmsi::diagnosis_category_number("1A0   "), std::nullopt);
  EXPECT_EQ(pmsi::diagnosis_suffix_key("A00   "), 0);
  EXPECT_EQ(pmsi::diagnosis_suffix_key("M431+5"), 391);
  EXPECT_EQ(pmsi::diagnosis_suffix_key("A00++9"), 11 * 132 + 11 * 11 + 10);
  EXPECT_EQ(pmsi::diagnosis_suffix_key("A0012+"), std::nullopt);  // '+' in position 6
  EXPECT_EQ(pmsi::diagnosis_suffix_key("A001X "), std::nullopt);
  EXPECT_EQ(pmsi::ccam_bucket_number("aaa"), 0);
  EXPECT_EQ(pmsi::ccam_bucket_number("ZZZ"), 17575);
  EXPECT_EQ(pmsi::ccam_bucket_number("A[A"), std::nullopt);
}

TEST_F(TablesTest, FetchDiagnosis) {
  struct Case {
    const char* code;
    int category;  // 0: record 0
    std::uint8_t positions;
  };
  const Case cases[] = {
      {"      ", 0, 0},     // blank
      {" 001  ", 0, 0},     // blank first character
      {"1A0   ", 0, 0},     // not a letter
      {"D50   ", 0, 0},     // category without entries
      {"A009  ", 0, 0},     // unknown suffix
      {"A001+ ", 0, 0},     // unknown suffix
      {"A0012+", 0, 0},     // '+' in position 6 cannot be encoded
      {"A001X ", 0, 0},     // a letter in the suffix cannot be encoded
      {"A00   ", 11, 0xFF}, // category number 0, suffix key 0
      {"a00   ", 11, 0xFF}, // lower-case letter
      {"A001  ", 12, 0xC0},
      {"M431+5", 14, 0xFF}, // suffix key 391
      {"B20   ", 40, 0x00}, // first of two equal keys
      {"Z99   ", 99, 0x33}, // category number 2599
      {"Z991  ", 99, 0x33},
  };
  pmsi::Tables t;
  ASSERT_EQ(open(t), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    t.fetch_diagnosis(3, c.code);
    const pmsi::DiagnosisSlot& s = t.diagnosis(3);
    EXPECT_EQ(s.code_text(), c.code);
    EXPECT_EQ(s.category(), c.category);
    EXPECT_EQ(s.positions, c.positions);
  }
}

TEST_F(TablesTest, GroupListHoldsWholePairsOnly) {
  pmsi::Tables t;
  ASSERT_EQ(open(t), 0);
  t.fetch_diagnosis(0, "C34   ");
  EXPECT_TRUE(t.diagnosis(0).has_group(30, 1));
  EXPECT_TRUE(t.diagnosis(0).has_group(40, 2));
  EXPECT_FALSE(t.diagnosis(0).has_group(1, 40));  // across two pairs
  t.fetch_diagnosis(1, "Z99   ");
  EXPECT_TRUE(t.diagnosis(1).has_group(38, 212));
  EXPECT_FALSE(t.diagnosis(1).has_group(38, 210));
  // Padding of a shorter record is no group of its own.
  t.fetch_diagnosis(2, "Z991  ");
  EXPECT_FALSE(t.diagnosis(2).has_group(38, 212));
  EXPECT_EQ(t.diagnosis(2).data_size, 5);  // records of 6 bytes here
}

TEST_F(TablesTest, CdamAndCcamLookups) {
  struct Case {
    bool ccam;
    const char* code;
    int act_class;
  };
  const Case cases[] = {
      {false, "A000", 0},  // index 0 is never read
      {false, "A001", 1},  {false, "a001", 1}, {false, "Z999", 9},
      {false, "A002", 0},  {false, "    ", 0}, {false, "1001", 0},
      {true, "AAMP0020", 4}, {true, "abqP0010", 5}, {true, "ZZZZ9999", 6},
      {true, "AAMp0020", 0},  // fourth letter is not folded
      {true, "AAMP0021", 0},  {true, "AAMQ0020", 0}, {true, "        ", 0},
  };
  pmsi::Tables t;
  ASSERT_EQ(open(t), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    if (c.ccam) t.lookup_ccam_act(9, c.code);
    else t.lookup_cdam_act(9, c.code);
    EXPECT_EQ(t.act(9).act_class, c.act_class);
    EXPECT_EQ(t.act(9).width, c.ccam ? 8 : 4);
    EXPECT_EQ(t.act(9).code_text(), c.code);
  }
}

TEST_F(TablesTest, TreeNodesLieWithinTheSection) {
  pmsi::Tables t;
  EXPECT_EQ(t.tree_node(0), std::nullopt);  // not open yet
  ASSERT_EQ(open(t), 0);
  auto root = t.tree_node(0);
  ASSERT_TRUE(root.has_value());
  EXPECT_EQ(root->highest_branch, 0);  // a leaf: CM 5, GHJ 123, CR 7
  EXPECT_EQ(root->p2, 5);
  EXPECT_EQ(root->child_index, 123);
  EXPECT_EQ(root->p1, 7);
  EXPECT_EQ(t.tree_node(1), std::nullopt);
  EXPECT_EQ(t.tree_node(-1), std::nullopt);
}

TEST_F(TablesTest, WiderTreeRecordsAndCyclesReadAsWritten) {
  compile(R"(table arbressr.tab
version T1
record_size 12
loop: test 4 0 0 1 loop     # a cycle: the walk stops it
      test 19 1 44 2 40000  # a branch far beyond the tree
)");
  pmsi::Tables t;
  ASSERT_EQ(open(t), 0);
  auto n0 = t.tree_node(0), n1 = t.tree_node(1);
  ASSERT_TRUE(n0 && n1);
  EXPECT_EQ(n0->test_type, 4);
  EXPECT_EQ(n0->child_index, 0);
  EXPECT_EQ(n1->test_type, 19);
  EXPECT_EQ(n1->p1 * 256 + n1->p2, 300);
  EXPECT_EQ(n1->child_index, 40000);
  EXPECT_EQ(t.tree_node(2), std::nullopt);
  EXPECT_EQ(t.tree_node(40000), std::nullopt);
}

TEST_F(TablesTest, Geography) {
  pmsi::Tables t;
  EXPECT_EQ(t.geographic_number(10, 0), std::nullopt);  // not open
  ASSERT_TRUE(t.open_geography(tables_dir()));
  EXPECT_EQ(t.geographic_number(10, 0), 1332u);
  EXPECT_EQ(t.geographic_number(10, 90), 1333u);
  EXPECT_EQ(t.geographic_number(10, 1), std::nullopt);
  EXPECT_EQ(t.geographic_number(11, 0), std::nullopt);  // no entries
  EXPECT_EQ(t.geographic_number(300, 4), 13310u);       // 2A004
  EXPECT_EQ(t.geographic_number(994, 0), 239579u);      // 97400: 974 + 20
  EXPECT_EQ(t.geographic_number(1020, 0), std::nullopt);
  EXPECT_EQ(t.geographic_number(-1, 0), std::nullopt);
  pmsi::Tables none;
  EXPECT_FALSE(none.open_geography(dir_.string() + "/missing/"));
  EXPECT_FALSE(none.geography_open());
}

// --- damaged tables ----------------------------------------------------------

// Every lookup on whatever opened; nothing may read outside the file (the
// sanitizer build checks) and unknown data gives record 0 / class 0.
void exercise(pmsi::Tables& t) {
  for (const char* code : {"A00   ", "A001  ", "M431+5", "Z99   ", "C34   ", "B20   ", "      ", "Z991  "})
    t.fetch_diagnosis(0, code);
  for (const char* code : {"A001", "Z999", "A000"}) t.lookup_cdam_act(0, code);
  for (const char* code : {"AAMP0020", "ZZZZ9999", "ABQP0010"}) t.lookup_ccam_act(0, code);
  for (int n : {0, 1, 2, 100, 32767}) (void)t.tree_node(n);
  for (int d : {0, 10, 300, 994, 1019}) (void)t.geographic_number(d, 0);
}

TEST_F(TablesTest, TruncatedTablesNeverReadOutsideTheFile) {
  for (const char* name : {"arbressr.tab", "diag10sr.tab", "actecssr.tab", "ccamcssr.tab", "codegeog.tab"}) {
    std::string good = read_bytes(dir_ / name);
    std::vector<std::size_t> sizes = {0, 1, 9, 10, 31, 32, 33, 63, 64, 95, 96, 100, 2103, 2104, 5296, 5300};
    for (std::size_t cut = 64; cut < good.size(); cut += good.size() / 37 + 1) sizes.push_back(cut);
    sizes.push_back(good.size() - 1);
    for (std::size_t size : sizes) {
      if (size >= good.size()) continue;
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(size));
      write_bytes(dir_ / name, good.substr(0, size));
      pmsi::Tables t;
      int code = open(t);
      EXPECT_TRUE(code == 0 || code == 98 || code == 99 || code == 9);
      t.open_geography(tables_dir());
      exercise(t);
    }
    write_bytes(dir_ / name, good);
  }
}

TEST_F(TablesTest, GarbledTablesNeverReadOutsideTheFile) {
  std::mt19937 random(20240601);
  for (const char* name : {"arbressr.tab", "diag10sr.tab", "actecssr.tab", "ccamcssr.tab", "codegeog.tab"}) {
    std::string good = read_bytes(dir_ / name);
    for (int round = 0; round < 60; ++round) {
      std::string bad = good;
      // Mostly the headers and the indexes, where damage changes the bounds.
      int flips = 1 + static_cast<int>(random() % 8);
      for (int f = 0; f < flips; ++f) {
        std::size_t limit = round % 2 ? bad.size() : std::min<std::size_t>(bad.size(), 160);
        bad[random() % limit] = static_cast<char>(random() & 0xFF);
      }
      write_bytes(dir_ / name, bad);
      pmsi::Tables t;
      (void)open(t);
      t.open_geography(tables_dir());
      exercise(t);
    }
    write_bytes(dir_ / name, good);
  }
}

// Headers that cannot hold are failed openings, reported with their code.
TEST_F(TablesTest, HeadersBeyondTheLimitsAreOpenFailures) {
  auto patch = [&](const char* name, std::size_t at, std::uint8_t value) {
    std::string b = read_bytes(dir_ / name);
    b[at] = static_cast<char>(value);
    write_bytes(dir_ / name, b);
  };
  const std::size_t record = L::kFileHeaderSize + L::kRecordSizeOffset;
  const std::size_t second_record = record + L::kSectionHeaderSize;
  const std::size_t start = L::kFileHeaderSize + L::kSectionStartOffset;
  struct Case {
    const char* name;
    std::size_t at;
    std::uint8_t value;
    int code;
  };
  const Case cases[] = {
      {"arbressr.tab", record, 5, 98},          {"arbressr.tab", record, 13, 98},
      {"arbressr.tab", start, 0x7F, 98},        {"actecssr.tab", record, 2, 99},
      {"actecssr.tab", start, 0x01, 99},        {"ccamcssr.tab", start, 0x01, 9},
      {"diag10sr.tab", second_record, 14, 99},  {"diag10sr.tab", second_record, 1, 99},
      {"diag10sr.tab", start, 0x10, 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " byte " + std::to_string(c.at));
    std::string good = read_bytes(dir_ / c.name);
    patch(c.name, c.at, c.value);
    pmsi::Tables t;
    EXPECT_EQ(open(t), c.code);
    write_bytes(dir_ / c.name, good);
    EXPECT_EQ(open(t), 0);  // tried again once repaired
  }
}

TEST_F(TablesTest, DecreasingCountsGiveRecordZero) {
  // Category count of A00 (k = 0) raised above the next one: the entries of
  // category 1 (A01...) would run backwards.
  std::string b = read_bytes(dir_ / "diag10sr.tab");
  std::size_t counts = 96;
  b[counts + 2] = '\x00';
  b[counts + 3] = '\x00';  // count[1] = 0 < count[0]
  b[counts + 0] = '\xFF';
  b[counts + 1] = '\xFF';  // count[0] far past the section
  write_bytes(dir_ / "diag10sr.tab", b);
  pmsi::Tables t;
  ASSERT_EQ(open(t), 0);
  t.fetch_diagnosis(0, "A00   ");
  EXPECT_EQ(t.diagnosis(0).category(), 0);
  t.fetch_diagnosis(0, "A001  ");
  EXPECT_EQ(t.diagnosis(0).category(), 0);
}

}  // namespace
