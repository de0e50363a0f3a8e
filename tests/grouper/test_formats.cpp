// Format detection of the six RHS formats and the version-1 shape.
#include <gtest/gtest.h>

#include <string>

#include "grouper/rhs.h"

namespace {

using grouper::Detection;
using grouper::detect_format;

// A record of `length` characters (header removed) with its format code and
// act count in place: digits elsewhere so that nothing else looks special.
std::string record(std::string_view code, std::size_t length, std::string_view act_count,
                   std::size_t act_count_at) {
  std::string r(length, '7');
  r.replace(0, 9, "750000001");
  r.replace(9, 3, code);
  if (act_count_at + act_count.size() <= length) r.replace(act_count_at, act_count.size(), act_count);
  return r;
}

std::string with_header(std::string_view header12, std::string body) {
  return std::string(header12) + body;
}

struct DetectCase {
  const char* name;
  std::string line;
  int result;
  int version;
  std::string read_grouping;
  std::size_t length_after;  // line length after detection
  std::size_t min_length;
  std::size_t act_width;
};

std::vector<DetectCase> detect_cases() {
  const std::string blanks(9, ' ');
  const std::string hdr11 = "091002300M11";
  return {
      {"M01 no act", record("M01", 204, "00", 202), 0, 1, blanks, 204, 204, 4},
      {"M01 blank-led count", record("M01", 208, " 1", 202), 0, 1, blanks, 208, 204, 4},
      {"M01 one act missing", record("M01", 204, "01", 202), 1, 1, blanks, 204, 204, 4},
      {"M01 one act", record("M01", 208, "01", 202), 0, 1, blanks, 208, 204, 4},
      {"M01 one char too many", record("M01", 205, "00", 202), 1, 1, blanks, 205, 204, 4},
      {"M01 too short", record("M01", 203, "00", 202), 1, 1, blanks, 203, 204, 4},
      {"M01 count not a number", record("M01", 204, "XX", 202), 0, 1, blanks, 204, 204, 4},
      {"M11 two acts", with_header(hdr11, record("M01", 212, "02", 202)), 0, 2, "091002300", 212,
       204, 4},
      {"M02 ten acts", record("M02", 260, "10", 218), 0, 3, blanks, 260, 220, 4},
      {"M12", with_header("091002300M12", record("M02", 220, "00", 218)), 0, 4, "091002300",
       220, 220, 4},
      {"M03 one CCAM act", record("M03", 228, "01", 218), 0, 5, blanks, 228, 220, 8},
      {"M13 three CCAM acts (256 with header)",
       with_header("091002300M13", record("M03", 244, "03", 218)), 0, 6, "091002300", 244, 220,
       8},
      {"M13 acts of 4 are a size fault",
       with_header("091002300M13", record("M03", 232, "03", 218)), 1, 6, "091002300", 232, 220,
       8},
      // Unknown outer code, a known code 12 further: version 0, v1 lengths.
      {"version 0", with_header("091002300X99", record("M02", 204, "00", 202)), 0, 0,
       "091002300", 204, 204, 4},
      {"M04 wrong length: size, not unknown", record("M04", 230, "00", 202), 1, 0,
       "750000001", 218, 204, 4},
      {"M04 length fits once header gone", record("M04", 216, "00", 214), 2, 0, "750000001",
       204, 204, 4},
      {"M11 with inner M05, length fits", with_header(hdr11, record("M05", 204, "00", 202)), 2,
       2, "091002300", 204, 204, 4},
      {"empty line", "", 1, 0, blanks, 0, 204, 4},
      {"short line keeps blanks in grouping", "ABC", 1, 0, "ABC      ", 0, 204, 4},
  };
}

TEST(DetectFormat, TableOfLines) {
  for (const DetectCase& c : detect_cases()) {
    SCOPED_TRACE(c.name);
    std::string line = c.line;
    const Detection d = detect_format(line);
    EXPECT_EQ(d.result, c.result);
    EXPECT_EQ(d.version, c.version);
    EXPECT_EQ(std::string(d.read_grouping_view()), c.read_grouping);
    EXPECT_EQ(line.size(), c.length_after);
    EXPECT_EQ(d.min_length, c.min_length);
    EXPECT_EQ(d.act_width, c.act_width);
  }
}

TEST(DetectFormat, RemovesExactlyTheLeadingGrouping) {
  std::string body = record("M01", 204, "00", 202);
  std::string line = "091002300M11" + body;
  ASSERT_EQ(detect_format(line).result, 0);
  EXPECT_EQ(line, body);
}

TEST(DetectFormat, KeepsNulAndHighBytes) {
  std::string line = record("M01", 204, "00", 202);
  line[30] = '\0';
  line[31] = static_cast<char>(0xE9);
  const std::string before = line;
  EXPECT_EQ(detect_format(line).result, 0);
  EXPECT_EQ(line, before);
}

TEST(FormatVersion, Codes) {
  EXPECT_EQ(grouper::format_version("M01"), 1);
  EXPECT_EQ(grouper::format_version("M13"), 6);
  EXPECT_EQ(grouper::format_version("m01"), 0);
  EXPECT_EQ(grouper::format_version("M0"), 0);
}

// Version-1 shape: eight diagnoses of 8 become 6, padding "+" among the 6
// kept (6th back to 3rd) become blanks, and 147-162 are dropped.
TEST(Version1Shape, DiagnosesAndShift) {
  std::string r = record("M02", 224, "01", 218);
  const char* diags[8] = {"S7200+++", "Z50+++++", "Z5000   ", "M1+++++ ",
                          "A+++++++", "R52+ABC+", "++++++++", "Z5000123"};
  for (int i = 0; i < 8; ++i) r.replace(99 + 8 * i, 8, diags[i]);
  r.replace(163, 6, "123412");
  r.replace(220, 4, "A123");
  std::string out;
  grouper::to_version1_shape(r, out);
  ASSERT_EQ(out.size(), 224u - 16u);
  EXPECT_EQ(out.substr(0, 99), r.substr(0, 99));
  EXPECT_EQ(out.substr(99, 48),
            "S7200 Z50   Z5000 M1    A+    R52+AB++    Z50001");
  EXPECT_EQ(out.substr(147, 6), "123412");
  EXPECT_EQ(out.substr(202, 2), "01");
  EXPECT_EQ(out.substr(204), "A123");
}

TEST(Version1Shape, Version1RecordIsCopied) {
  const std::string r = record("M01", 208, "01", 202);
  std::string out = "stale";
  grouper::to_version1_shape(r, out);
  EXPECT_EQ(out, r);
}

TEST(Layouts, FieldsFollowEachOther) {
  std::size_t at = 0;
  for (const grouper::FieldSpec& f : grouper::v1::kLayout) {
    EXPECT_EQ(f.offset, at) << f.name;
    at = f.end();
  }
  EXPECT_EQ(at, grouper::v1::kLength);
  at = grouper::v23::diagnoses.offset;
  for (const grouper::FieldSpec& f : grouper::v23::kLayout) {
    EXPECT_EQ(f.offset, at) << f.name;
    at = f.end();
  }
  EXPECT_EQ(at, grouper::v23::kLength);
}

}  // namespace
