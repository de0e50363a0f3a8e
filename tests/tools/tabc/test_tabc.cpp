// The table compiler: exact layouts, refusals with file and line, dump and
// recompile to the same bytes, and the demo classification's consistency.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/table_sum.h"
#include "tabc/tabc.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using pmsi::tabc::compile_source;
using pmsi::tabc::dump_table;

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

Bytes compile_ok(const std::string& text) {
  auto r = compile_source("src.txt", text);
  for (const auto& e : r.errors) ADD_FAILURE() << e;
  return r.table ? r.table->bytes : Bytes{};
}

std::uint32_t be16(const Bytes& b, std::size_t at) { return (std::uint32_t{b[at]} << 8) | b[at + 1]; }
std::uint32_t be32(const Bytes& b, std::size_t at) { return (be16(b, at) << 16) | be16(b, at + 2); }

TEST(Tabc, TreeLayoutIsExact) {
  Bytes b = compile_ok("table arbressr.tab\nversion 42\n"
                       "root: test 1 2 3 1 kids   # comment\n"
                       "kids: leaf 5 123 7\n"
                       "      leaf 99 999\n");
  ASSERT_EQ(b.size(), 32u + 32u + 3 * 6 + 4);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 10), "42");
  EXPECT_EQ(b[32 + 20], 6);            // record size
  EXPECT_EQ(be32(b, 32 + 21), 18u);    // section length
  EXPECT_EQ(be32(b, 32 + 25), 64u);    // section start
  const Bytes nodes = {1, 2, 3, 1, 0, 1,  0, 7, 5, 0, 0, 123,  0, 0, 99, 0, 0x03, 0xE7};
  EXPECT_EQ(Bytes(b.begin() + 64, b.begin() + 82), nodes);
  pmsi::Sum4 sum = pmsi::table_sum(std::span<const std::uint8_t>(b.data(), b.size() - 4));
  EXPECT_EQ(Bytes(b.end() - 4, b.end()), Bytes(sum.begin(), sum.end()));
}

TEST(Tabc, DiagnosisLayoutIsExact) {
  Bytes b = compile_ok("table diag10sr.tab\nversion 10\n"
                       "B20  23a 40 40,2\n"
                       "A00  1   11\n"
                       "A001 -   0\n"        // same bytes as record 0
                       "Z99  123a 99 38,210\n");
  const std::size_t index = 96, records = index + 5200 + 4 * 4;
  EXPECT_EQ(be32(b, 32 + 25), index);
  EXPECT_EQ(be32(b, 32 + 21), 5200u + 16);
  EXPECT_EQ(b[64 + 20], 4);                 // record size: positions, category, one pair
  EXPECT_EQ(be32(b, 64 + 25), records);
  EXPECT_EQ(be16(b, index + 0), 2u);        // A00 and A001 in category 0
  EXPECT_EQ(be16(b, index + 2 * 101), 2u);  // nothing up to category 101
  EXPECT_EQ(be16(b, index + 2 * 120), 3u);  // B20
  EXPECT_EQ(be16(b, index + 2 * 2599), 4u);
  // Entries in category order: A00 (key 0) record 1, A001 (key 2 * 132) record 0, B20, Z99.
  const Bytes entries = {0, 0, 0, 1,  0x01, 0x08, 0, 0,  0, 0, 0, 2,  0, 0, 0, 3};
  EXPECT_EQ(Bytes(b.begin() + index + 5200, b.begin() + index + 5216), entries);
  const Bytes recs = {0, 0, 0, 0,  0xC0, 11, 0, 0,  0x3F, 40, 40, 2,  0xFF, 99, 38, 210};
  EXPECT_EQ(Bytes(b.begin() + records, b.begin() + records + 16), recs);
  EXPECT_EQ(b.size(), records + 16 + 4);
}

TEST(Tabc, ActAndGeographyLayoutsAreExact) {
  Bytes cdam = compile_ok("table actecssr.tab\nversion 10\nB012 3\n");
  EXPECT_EQ(cdam.size(), 64u + 26000 + 4);
  EXPECT_EQ(cdam[64 + 1012], 3);

  Bytes ccam = compile_ok("table ccamcssr.tab\nversion 10\nBAAC0125 4\nAAAA0001 2\n");
  const std::size_t start = 64, bucket = 676;  // BAA
  EXPECT_EQ(ccam.size(), start + 35152 + 8);     // no trailer
  EXPECT_EQ(be16(ccam, start), 1u);
  EXPECT_EQ(be16(ccam, start + 2 * (bucket - 1)), 1u);
  EXPECT_EQ(be16(ccam, start + 2 * bucket), 2u);
  const Bytes entries = {0, 0, 1, 2,  2, 0, 125, 4};
  EXPECT_EQ(Bytes(ccam.begin() + start + 35152, ccam.end()), entries);

  Bytes geo = compile_ok("table codegeog.tab\n30100 5\n2B200 70000\n01000 1\n");
  ASSERT_EQ(geo.size(), 2104u + 12);
  EXPECT_EQ(be16(geo, 62 + 2 * 10), 0u);   // 010
  EXPECT_EQ(be16(geo, 62 + 2 * 11), 1u);
  EXPECT_EQ(be16(geo, 62 + 2 * 312), 1u);  // 2B2
  EXPECT_EQ(be16(geo, 62 + 2 * 321), 2u);  // 301 + 20 = 321
  EXPECT_EQ(be16(geo, 62 + 2 * 1020), 3u);
  const Bytes communes = {0, 0, 0, 1,  0, 0x01, 0x11, 0x70,  0, 0, 0, 5};
  EXPECT_EQ(Bytes(geo.begin() + 2104, geo.end()), communes);
}

TEST(Tabc, RefusalsNameTheLineAndTheReason) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"version 10\n", "'src.txt': line 1: the source must begin with \"table NAME\""},
      {"table foo.tab\n", "'src.txt': line 1: unknown table \"foo.tab\""},
      {"table arbressr.tab\nleaf 1 1\n", "'src.txt': line 1: no version line"},
      {"table arbressr.tab\nversion 10\nroot: test 1 0 0 13 nowhere\n",
       "'src.txt': line 3: label \"nowhere\" is never defined"},
      {"table arbressr.tab\nversion 10\na: leaf 1 1\na: leaf 1 2\n", "'src.txt': line 4: label \"a\" defined twice"},
      {"table arbressr.tab\nversion 10\nleaf 100 1\n", "'src.txt': line 3: CM must be 0 to 99"},
      {"table arbressr.tab\nversion 10\nleaf 1 1000\n", "'src.txt': line 3: GHJ must be 0 to 999"},
      {"table arbressr.tab\nversion 10\ntest 20 0 0 1 0\n", "'src.txt': line 3: test type must be 0 to 19"},
      {"table arbressr.tab\nversion 10\ntest 1 0 0 0 0\n", "'src.txt': line 3: highest branch must be 1 to 255"},
      {"table arbressr.tab\nversion 1\nleaf 1 1\n", "'src.txt': line 2: version must be two characters"},
      {"table diag10sr.tab\nversion 10\nA00 123a 100\n", "'src.txt': line 3: category must be 0 to 99"},
      {"table diag10sr.tab\nversion 10\nA0012+ 123a 1\n",
       "'src.txt': line 3: suffix \"12+\" cannot be encoded (blank, digit, or + in positions 4 and 5)"},
      {"table diag10sr.tab\nversion 10\nA00 12x 1\n",
       "'src.txt': line 3: positions must be \"-\", letters of \"123a\" or 0xNN"},
      {"table diag10sr.tab\nversion 10\nA00 1 1 1,1 2,2 3,3 4,4 5,5 6,6\n",
       "'src.txt': line 3: more than 5 groups: a diagnosis record holds at most 13 bytes"},
      {"table actecssr.tab\nversion 10\nAB12 1\n", "'src.txt': line 3: a CDAM code is a capital letter and three digits"},
      {"table actecssr.tab\nversion 10\nA001 1\nA001 2\n", "'src.txt': line 4: code A001 given twice"},
      {"table ccamcssr.tab\nversion 10\nAAMp0020 1\n",
       "'src.txt': line 3: a CCAM code is four capital letters and four digits"},
      {"table codegeog.tab\n2C000 1\n", "'src.txt': line 2: a postal code is five digits, or 2A / 2B and three digits"},
      {"table codegeog.tab\n01000 239580\n", "'src.txt': line 2: geographic number must be 0 to 239579"},
      {"table codegeog.tab\nversion 10\n", "'src.txt': line 2: codegeog.tab carries no version"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto r = compile_source("src.txt", c.text);
    EXPECT_FALSE(r.table.has_value());
    ASSERT_FALSE(r.errors.empty());
    EXPECT_EQ(r.errors[0], c.error);
  }
}

TEST(Tabc, KeepsGoingPastErrors) {
  auto r = compile_source("t.txt", "table arbressr.tab\nversion 10\nleaf 100 1\nleaf 1 1000\ntest 1 0 0 1 x\n");
  EXPECT_FALSE(r.table.has_value());
  EXPECT_EQ(r.errors.size(), 3u);
}

TEST(Tabc, NodeIndexesStopAt32767) {
  std::string text = "table arbressr.tab\nversion 10\n";
  for (int i = 0; i < 32768; ++i) text += "leaf 1 1\n";
  EXPECT_TRUE(compile_source("t.txt", text).table.has_value());
  text += "leaf 1 1\n";
  auto r = compile_source("t.txt", text);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0], "'t.txt': line 32771: node index beyond 32767");
}

// --- the demo classification -------------------------------------------------

const char* const kDemo[] = {"arbressr", "diag10sr", "actecssr", "ccamcssr", "codegeog"};

Bytes demo(const char* name) {
  std::string text = read_text(std::string(PMSI_SOURCE_DIR) + "/data/tables/" + name + ".txt");
  auto r = compile_source(name, text);
  for (const auto& e : r.errors) ADD_FAILURE() << e;
  return r.table ? r.table->bytes : Bytes{};
}

TEST(TabcDemo, DumpCompilesBackToTheSameBytes) {
  for (const char* name : kDemo) {
    SCOPED_TRACE(name);
    Bytes bytes = demo(name);
    ASSERT_FALSE(bytes.empty());
    auto text = dump_table(std::string(name) + ".tab", bytes);
    ASSERT_TRUE(text.ok()) << text.error();
    auto again = compile_source("dump", *text);
    ASSERT_TRUE(again.table.has_value()) << (again.errors.empty() ? "" : again.errors[0]);
    EXPECT_EQ(again.table->bytes, bytes);
    // The build put the same bytes into the program directory.
    std::string built = read_text(std::string(PMSI_PROGRAM_DIR) + "/" + name + ".tab");
    EXPECT_EQ(built, std::string(bytes.begin(), bytes.end()));
  }
}

TEST(TabcDemo, TreeUsesEveryTestOnReachableNodesAndItsLeavesAreValid) {
  Bytes b = demo("arbressr");
  ASSERT_FALSE(b.empty());
  const std::size_t count = be32(b, 32 + 21) / 6;
  std::set<int> types;
  std::set<std::pair<int, int>> leaves;
  std::vector<bool> seen(count, false);
  std::vector<std::size_t> todo = {0};
  while (!todo.empty()) {
    std::size_t n = todo.back();
    todo.pop_back();
    ASSERT_LT(n, count);
    if (seen[n]) continue;
    seen[n] = true;
    const std::uint8_t* node = &b[64 + 6 * n];
    std::uint32_t child = (std::uint32_t{node[4]} << 8) | node[5];
    if (node[3] == 0) {
      EXPECT_GE(child, 1u);
      EXPECT_LE(child, 299u);
      leaves.insert({node[2], static_cast<int>(child)});
      continue;
    }
    types.insert(node[0]);
    // Branches a test can give: 0...highest, or V for a jump.
    std::size_t last = node[0] == 19 ? node[1] * 256u + node[2] : node[3];
    if (node[0] == 4 || node[0] == 7 || node[0] == 12) last = 0;
    for (std::size_t branch = 0; branch <= last; ++branch) todo.push_back(child + branch);
  }
  EXPECT_EQ(types.size(), 20u);
  std::set<int> cms;
  for (auto [cm, ghj] : leaves) cms.insert(cm);
  EXPECT_GE(cms.size(), 8u);
  EXPECT_GE(leaves.size(), 20u);
}

TEST(TabcDemo, SourcesHoldWhatTheSampleDataNeeds) {
  std::string diag = read_text(std::string(PMSI_SOURCE_DIR) + "/data/tables/diag10sr.txt");
  std::string ccam = read_text(std::string(PMSI_SOURCE_DIR) + "/data/tables/ccamcssr.txt");
  auto dumped = dump_table("codegeog.tab", demo("codegeog"));
  ASSERT_TRUE(dumped.ok());
  EXPECT_NE(diag.find(" 99 38,210"), std::string::npos);
  EXPECT_NE(diag.find(" 99 38,212"), std::string::npos);
  for (const char* code : {"AZMP0020", "ABQP0010", "ABML0010", "ABFA0080"})
    EXPECT_NE(ccam.find(std::string("\n") + code + " "), std::string::npos) << code;
  std::vector<std::string> departments = {"2A", "2B", "971", "972", "973", "974", "976"};
  for (int d = 1; d <= 95; ++d)
    if (d != 20) departments.push_back((d < 10 ? "0" : "") + std::to_string(d));
  for (const std::string& d : departments)
    EXPECT_NE(dumped->find("\n" + d), std::string::npos) << d;
}

TEST(Tabc, DumpRefusesDamagedFiles) {
  Bytes diag = demo("diag10sr");
  ASSERT_FALSE(diag.empty());
  diag[96] = 0xFF;  // count of category 0 past the index
  EXPECT_FALSE(dump_table("diag10sr.tab", diag).ok());
  EXPECT_FALSE(dump_table("arbressr.tab", Bytes(40, 0)).ok());
  EXPECT_FALSE(dump_table("codegeog.tab", Bytes(100, 0)).ok());
  EXPECT_FALSE(dump_table("other.tab", Bytes(100, 0)).ok());
}

}  // namespace
