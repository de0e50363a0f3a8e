// group_rhs from a record to CM, GHJ and return code, over small table files
// written to a temporary directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/table_sum.h"
#include "common/textfile.h"
#include "grouper/group.h"

namespace grouper {
namespace {

// Writes text over the record from offset (the record is long enough).
void overwrite(std::string& r, std::size_t offset, std::string_view text) {
  std::copy(text.begin(), text.end(), r.begin() + static_cast<std::ptrdiff_t>(offset));
}

namespace fs = std::filesystem;
namespace L = pmsi::table_layout;
using Bytes = std::vector<std::uint8_t>;

void put_be(Bytes& b, std::size_t off, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b[off + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

struct Section {
  std::uint8_t record_size;
  Bytes bytes;
};

// File header with version "V1", the section headers, the sections one after
// the other, and the table_sum trailer.
Bytes table_file(const std::vector<Section>& sections) {
  Bytes b(L::kFileHeaderSize + L::kSectionHeaderSize * sections.size(), 0);
  b[L::kVersionOffset] = 'V';
  b[L::kVersionOffset + 1] = '1';
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const std::size_t h = L::kFileHeaderSize + L::kSectionHeaderSize * k;
    b[h + L::kRecordSizeOffset] = sections[k].record_size;
    put_be(b, h + L::kSectionLengthOffset, static_cast<std::uint32_t>(sections[k].bytes.size()), 4);
    put_be(b, h + L::kSectionStartOffset, static_cast<std::uint32_t>(b.size()), 4);
    b.insert(b.end(), sections[k].bytes.begin(), sections[k].bytes.end());
  }
  const pmsi::Sum4 sum = pmsi::table_sum(std::span<const std::uint8_t>(b));
  b.insert(b.end(), sum.begin(), sum.end());
  return b;
}

pmsi::TreeNode node(int type, int p1, int p2, int highest, int child) {
  return {static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(p1), static_cast<std::uint8_t>(p2),
          static_cast<std::uint8_t>(highest), static_cast<std::uint16_t>(child)};
}
pmsi::TreeNode leaf(int cm, int ghj) { return node(0, 0, cm, 0, ghj); }

// The tree: fewer than 3 days of presence -> CM 50 / GHJ 250; otherwise by
// diagnosis category, branch b -> CM 10 + b / GHJ 100 + b, except category
// 11 which asks for an act of class 7 (GHJ 107) or not (GHJ 100).
Bytes tree_file() {
  std::vector<pmsi::TreeNode> nodes(19);
  nodes[0] = node(17, 3, 0, 1, 1);
  nodes[1] = node(1, 0, 0, 13, 3);
  nodes[2] = leaf(50, 250);
  for (int b = 0; b <= 13; ++b) nodes[static_cast<std::size_t>(3 + b)] = leaf(10 + b, 100 + b);
  nodes[3] = node(3, 0, 7, 1, 17);
  nodes[17] = leaf(10, 100);
  nodes[18] = leaf(10, 107);
  Bytes s;
  for (const pmsi::TreeNode& n : nodes) {
    s.insert(s.end(), {n.test_type, n.p1, n.p2, n.highest_branch, 0, 0});
    put_be(s, s.size() - 2, n.child_index, 2);
  }
  return table_file({{6, s}});
}

// Diagnosis records of 6 bytes: positions, category, two group pairs.
Bytes diagnosis_file() {
  struct Entry {
    const char* code;
    std::uint8_t category;
  };
  const Entry entries[] = {{"Z500  ", 11}, {"S7200 ", 12}, {"Z501  ", 99}, {"A01   ", 13}};
  Bytes records(6, 0);  // record 0: not in the table
  std::map<int, std::vector<std::pair<int, int>>> keys;  // category -> (suffix, record)
  int record = 1;
  for (const Entry& e : entries) {
    records.insert(records.end(), {0xFF, e.category, 0, 0, 0, 0});
    keys[*pmsi::diagnosis_category_number(e.code)].push_back({*pmsi::diagnosis_suffix_key(e.code), record++});
  }
  Bytes index(L::kDiagnosisKeysOffset, 0);
  int count = 0;
  for (int k = 0; k < L::kCategoryCount; ++k) {
    for (auto [suffix, r] : keys[k]) {
      index.insert(index.end(), 4, 0);
      put_be(index, index.size() - 4, static_cast<std::uint32_t>(suffix), 2);
      put_be(index, index.size() - 2, static_cast<std::uint32_t>(r), 2);
      ++count;
    }
    put_be(index, 2 * static_cast<std::size_t>(k), static_cast<std::uint32_t>(count), 2);
  }
  return table_file({{4, index}, {6, records}});
}

Bytes cdam_file() {
  Bytes s(static_cast<std::size_t>(L::kCdamCodeCount), 0);
  s[123] = 7;  // A123
  return table_file({{1, s}});
}

Bytes ccam_file() {
  Bytes s(L::kCcamKeysOffset, 0);
  const int bucket = *pmsi::ccam_bucket_number("AAM");
  for (int n = bucket; n < L::kBucketCount; ++n) put_be(s, 2 * static_cast<std::size_t>(n), 1, 2);
  s.insert(s.end(), {'P' - 'A', 0, 10, 7});  // AAMP0010, class 7
  return table_file({{4, s}});
}

void write_file(const fs::path& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// A version-1 record that passes every control: week 10 of 2003 (Monday
// 3 March 2003), five days of presence, diag_1 Z500 (category 11).
std::string m01_record() {
  std::string r(v1::kLength, ' ');
  auto put = [&r](const FieldSpec& f, std::string_view text) { overwrite(r, f.offset, text); };
  put(v1::finess, "123456789");
  put(v1::format_code, "M01");
  put(v1::stay_number, "0000001");
  put(v1::hosp_type, "2");
  put(v1::birth_date, "15061950");
  put(v1::sex, "1");
  put(v1::postal_code, "75001");
  put(v1::entry_date, "03032003");
  put(v1::entry_mode, "6");
  put(v1::entry_origin, "1");
  put(v1::week, "102003");
  put(v1::presence_days, "1111100");
  put(v1::um, "0001");
  put(v1::diag_1, "Z500  ");
  put(v1::diag_2, "S7200 ");
  put(v1::scores, "123412");
  put(v1::flag_153, "1");
  for (std::size_t k = 0; k < 12; ++k) overwrite(r, v1::durations.offset + 4 * k, "0120");
  put(v1::act_count, "00");
  return r;
}

// The same record in version 2 or 3: eight diagnoses of 8 characters.
std::string v23_record(const char* code, const std::string& diagnoses, const std::string& acts) {
  const std::string v1r = m01_record();
  std::string r = v1r.substr(0, v23::diagnoses.offset) + diagnoses + v1r.substr(v1::scores.offset);
  overwrite(r, v1::format_code.offset, code);
  const std::size_t n = acts.size() / (std::string_view(code) == "M03" ? 8 : 4);
  const char count[2] = {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
  overwrite(r, v23::act_count.offset, std::string_view(count, 2));
  return r + acts;
}

class GroupRhs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("group_rhs_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    write_file(dir_ / L::kTreeFile, tree_file());
    write_file(dir_ / L::kDiagnosisFile, diagnosis_file());
    write_file(dir_ / L::kCdamFile, cdam_file());
    write_file(dir_ / L::kCcamFile, ccam_file());
    auto log = pmsi::TextWriter::open((dir_ / "report.log").string());
    ASSERT_TRUE(log.ok());
    log_.emplace(std::move(log.value()));
    tables_dir_ = dir_.string() + "/";
  }
  void TearDown() override {
    log_.reset();
    fs::remove_all(dir_);
  }
  std::int16_t group(std::string_view record, std::size_t act_width = 4) {
    return group_rhs(record, act_width, tables_, tables_dir_, *log_, result_);
  }
  std::string grouped(const FieldSpec& f) const { return std::string(field(result_.grouped_record_view(), f)); }

  fs::path dir_;
  std::string tables_dir_;
  std::optional<pmsi::TextWriter> log_;
  pmsi::Tables tables_;
  GroupResult result_;
};

TEST_F(GroupRhs, WalksTheTreeToALeaf) {
  struct Case {
    const char* name;
    std::string record;
    std::size_t act_width;
    int cm, ghj;
  };
  std::string few_days = m01_record();
  overwrite(few_days, v1::presence_days.offset, "1100000");
  std::string category_12 = m01_record();
  overwrite(category_12, v1::diag_1.offset, "Z501  ");  // 99: category of diag_2 taken
  std::string with_act = m01_record();
  overwrite(with_act, v1::act_count.offset, "01");
  const std::string m02_diags = "Z500++++A01+++  " + std::string(48, ' ');
  const std::string m03_diags = "Z500    S7200+++" + std::string(48, ' ');
  const Case cases[] = {
      {"no act of class 7", m01_record(), 4, 10, 100},
      {"act A123 of class 7", with_act + "A123", 4, 10, 107},
      {"fewer than 3 days", few_days, 4, 50, 250},
      {"diag_1 category 99, diag_2 category 12", category_12, 4, 11, 101},
      {"M02 with a CDAM act at 220", v23_record("M02", m02_diags, "A123"), 4, 10, 107},
      {"M03 with a CCAM act", v23_record("M03", m03_diags, "AAMP0010"), 8, 10, 107},
      {"M03 act whose fourth letter is lower case", v23_record("M03", m03_diags, "AAMp0010"), 8, 10, 100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(group(c.record, c.act_width), 0) << c.name;
    EXPECT_EQ(result_.cm, c.cm) << c.name;
    EXPECT_EQ(result_.ghj, c.ghj) << c.name;
    EXPECT_EQ(result_.return_code, 0) << c.name;
    EXPECT_TRUE(result_.tree_walked) << c.name;
    EXPECT_STREQ(result_.classif_version.data(), "V1") << c.name;
  }
  EXPECT_EQ(std::vector<int>(result_.errors.found().begin(), result_.errors.found().end()), std::vector<int>{82});
}

TEST_F(GroupRhs, BringsVersion2And3ToTheVersion1Shape) {
  const std::string diags = "Z500++++A01+++  " + std::string(8, ' ') + "A0+1++++" + std::string(32, ' ');
  ASSERT_EQ(group(v23_record("M02", diags, "A123")), 0);
  EXPECT_EQ(grouped(v1::diag_1), "Z500  ");
  EXPECT_EQ(grouped(v1::diag_2), "A01   ");
  EXPECT_EQ(grouped(v1::diag_assoc).substr(0, 6), "A0+1  ");
  EXPECT_EQ(grouped(v1::scores), "123412");
  EXPECT_EQ(grouped(v1::act_count), "01");
  EXPECT_EQ(result_.acts[0].code_text(), "A123");
  EXPECT_EQ(result_.acts[0].act_class, 7);
  EXPECT_EQ(result_.diagnoses[1].category(), 13);
  // Blank codes and the unknown A0+1 all get record 0.
  for (std::size_t i : {2u, 3u, 7u}) {
    EXPECT_EQ(result_.diagnoses[i].category(), 0) << i;
    EXPECT_EQ(result_.diagnoses[i].positions, 0) << i;
    EXPECT_EQ(result_.diagnoses[i].data_size, 5) << i;
  }
  EXPECT_EQ(result_.diagnoses[2].code_text(), "      ");
  EXPECT_EQ(result_.diagnoses[3].code_text(), "A0+1  ");
  EXPECT_EQ(result_.diagnoses[7].code_text(), "      ");
}

TEST_F(GroupRhs, DerivedValues) {
  struct Case {
    const char* birth;
    const char* delay;
    int age;
    long delay_days;
  };
  const Case cases[] = {
      {"03031950", "24022003", 53, 7},   // birthday on the week's Monday
      {"04031950", "03032003", 52, 0},   // birthday the day after
      {"15061950", "        ", 52, 999},  // no delay known
  };
  for (const Case& c : cases) {
    std::string r = m01_record();
    overwrite(r, v1::birth_date.offset, c.birth);
    overwrite(r, v1::delay_date.offset, c.delay);
    ASSERT_EQ(group(r), 0) << c.birth;
    EXPECT_EQ(result_.age_years, c.age) << c.birth;
    EXPECT_EQ(result_.delay_days, c.delay_days) << c.birth;
    EXPECT_EQ(result_.presence_day_count, 5);
    EXPECT_EQ(result_.physical_score, 10);
    EXPECT_EQ(result_.week_monday_view(), "03032003");
  }
}

TEST_F(GroupRhs, BlockingCodeStopsBeforeTheWalkWithTheRecordsOwnValues) {
  std::string first = m01_record();
  overwrite(first, v1::delay_date.offset, "24022003");
  ASSERT_EQ(group(first), 0);
  ASSERT_EQ(result_.delay_days, 7);

  std::string r = m01_record();
  overwrite(r, v1::sex.offset, "3");
  overwrite(r, v1::birth_date.offset, "31021950");  // invalid: 12 comes first
  overwrite(r, v1::presence_days.offset, "1 10000");
  overwrite(r, v1::week.offset, "112003");
  EXPECT_EQ(group(r), 12);
  EXPECT_EQ(result_.cm, 90);
  EXPECT_EQ(result_.ghj, 900);
  EXPECT_EQ(result_.return_code, 12);
  EXPECT_FALSE(result_.tree_walked);
  EXPECT_EQ(std::vector<int>(result_.errors.found().begin(), result_.errors.found().end()),
            (std::vector<int>{12, 16}));
  EXPECT_EQ(result_.presence_day_count, 2);
  EXPECT_EQ(result_.age_years, 0);      // birth date not valid
  EXPECT_EQ(result_.delay_days, 999);   // blank delay date
  EXPECT_EQ(result_.week_monday_view(), "10032003");
  EXPECT_EQ(result_.grouped_record_view(), std::string_view(r).substr(0, v1::kLength));
}

TEST_F(GroupRhs, TableFailureKeepsTheRecordsOwnShape) {
  fs::remove(dir_ / L::kCcamFile);
  const std::string diags = "Z500++++A01+++  " + std::string(48, ' ');
  const std::string r = v23_record("M02", diags, "");
  for (int call = 0; call < 2; ++call) {  // tried again on every call
    EXPECT_EQ(group(r), 9);
    EXPECT_EQ(result_.cm, 0);
    EXPECT_EQ(result_.ghj, 0);
    EXPECT_EQ(result_.return_code, 9);
    EXPECT_FALSE(result_.tree_walked);
    EXPECT_EQ(grouped(v1::diag_1), "Z500  ");
    EXPECT_EQ(grouped(v1::diag_2), "A01   ");
    EXPECT_EQ(result_.week_monday_view(), "03032003");
    EXPECT_EQ(result_.presence_day_count, 5);
    EXPECT_EQ(result_.age_years, 52);
    EXPECT_STREQ(result_.classif_version.data(), "V1");
  }
  write_file(dir_ / L::kCcamFile, ccam_file());
  EXPECT_EQ(group(r), 0);
  EXPECT_EQ(result_.ghj, 100);
}

TEST_F(GroupRhs, ShortRecordsReadAsBlanks) {
  // An M02 record accepted with version-1 lengths (its outer code was none of
  // the six): its end is missing once reshaped.
  const std::string r = m01_record().substr(0, 99) + "Z500++++";
  std::string copy = r;
  overwrite(copy, v1::format_code.offset, "M02");
  EXPECT_NE(group(copy), 0);
  EXPECT_EQ(result_.cm, 90);
  EXPECT_EQ(grouped(v1::act_count), "  ");
  EXPECT_EQ(group(std::string_view()), 2);  // blank stay number first
}

}  // namespace
}  // namespace grouper
