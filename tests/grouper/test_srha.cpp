// SRHA lines in the three chaining modes, the link line, the CM and GHJ lists
// and the caps that keep the fixed layout.
#include "grouper/srha.h"

#include <gtest/gtest.h>

#include <string>

#include "test_writers_support.h"

namespace {

using namespace writers_test;
namespace v1 = grouper::v1;

// A stay whose first RHS is make_record() (week 2 of 2003, Monday 06012003).
grouper::StayContext make_stay() {
  grouper::StayContext stay;
  // Built as strings and moved in: assigning the literals trips MinGW's
  // -Wrestrict false positive.
  stay.week_monday = std::string("06012003");
  stay.entry_date = std::string("06012003");
  stay.entry_mode = std::string("8");
  stay.entry_origin = std::string("1");
  stay.week = std::string("022003");
  return stay;
}

std::string last_record() {
  std::string r = make_record();
  set_field(r, v1::exit_date, "10012003");
  set_field(r, v1::exit_mode, "9");
  set_field(r, v1::exit_destination, "3");
  return r;
}

std::string format(const grouper::SrhaInput& in, const grouper::StayContext& stay) {
  std::array<char, grouper::kMaxSrhaLine> out;
  return {out.data(), grouper::format_srha(in, stay, out)};
}

TEST(SrhaLine, OneRhsStayEnteredAndLeftInTheSameWeek) {
  auto stay = make_stay();
  stay.stay_entry_flag = stay.stay_exit_flag = 1;
  grouper::add_presence_days(stay, 5, 5, 123);
  std::string record = last_record();
  grouper::SrhaInput in{record, 1, 0, 3};
  // prefix | finess, M31, 240, ordinal, type, days, entry, exit, hosp, UMs, RHS, lists
  EXPECT_EQ(format(in, stay),
            "000123406012003022003"
            "123456789M31240000000310058193101010101"
            "00505005123");
  // The 60-character fixed part, then one CM entry and one GHJ entry.
  EXPECT_EQ(format(in, stay).size(), 60u + 5u + 6u);
}

TEST(SrhaLine, ListsInIncreasingOrder) {
  auto stay = make_stay();
  grouper::add_presence_days(stay, 3, 1, 12);
  grouper::add_presence_days(stay, 5, 1, 7);
  grouper::add_presence_days(stay, 2, 8, 7);
  std::string record = last_record();
  std::string line = format({record, 3, 2, 1}, stay);
  EXPECT_EQ(line.substr(43, 17), "4010819310303" "0202");
  EXPECT_EQ(line.substr(60), "00801" "00208" "007007" "003012");
}

TEST(SrhaLine, StayOutsideThePeriodHasEmptyListsButCountsItsDays) {
  auto stay = make_stay();
  grouper::add_presence_days(stay, 7, 90, 904);
  grouper::add_presence_days(stay, 4, 99, 904);
  std::string record = last_record();
  std::string line = format({record, 2, 0, 1}, stay);
  EXPECT_EQ(line.size(), 60u);
  EXPECT_EQ(line.substr(44, 3), "011");
  EXPECT_EQ(line.substr(56, 4), "0000");
}

TEST(SrhaLine, StayTypeFromTheTwoFlags) {
  struct {
    int entry, exit;
    char type;
  } cases[] = {{1, 1, '1'}, {2, 1, '2'}, {1, 2, '3'}, {2, 2, '4'}};
  std::string record = last_record();
  for (auto c : cases) {
    auto stay = make_stay();
    stay.stay_entry_flag = c.entry;
    stay.stay_exit_flag = c.exit;
    EXPECT_EQ(format({record, 1, 0, 1}, stay)[43], c.type) << c.entry << c.exit;
  }
}

TEST(SrhaLine, OverflowingValuesAreCapped) {
  auto stay = make_stay();
  for (int i = 0; i < 150; ++i) grouper::add_presence_days(stay, 7, 4, i);  // 1050 days in CM 4
  grouper::add_presence_days(stay, 7, 4, 300);  // no GHJ counter: CM and total only
  grouper::add_presence_days(stay, 7, 4, -1);
  grouper::add_presence_days(stay, 1000, 6, 200);
  std::string record = last_record();
  std::string line = format({record, 150, 120, 1}, stay);
  EXPECT_EQ(line.substr(44, 3), "999");  // total 2064
  EXPECT_EQ(line.substr(52, 8), "99" "99" "02" "99");
  EXPECT_EQ(line.substr(60, 10), "99904" "99906");
  // Every GHJ entry is written: GHJ 0-149 and 200 (1007 days), not 300 nor -1.
  ASSERT_EQ(line.size(), 70u + 151u * 6u);
  EXPECT_EQ(line.substr(70, 12), "007000" "007001");
  EXPECT_EQ(line.substr(70 + 6 * 149, 12), "007149" "999200");
}

struct ModeCase {
  int mode;
  std::string srha;  // as written, CR LF included
  std::string link;
};

TEST(SrhaWriter, ChainingModes) {
  auto stay = make_stay();
  stay.stay_entry_flag = stay.stay_exit_flag = 1;
  grouper::add_presence_days(stay, 5, 5, 123);
  std::string record = last_record();
  const std::string fixed = "123456789M3124000000031005819310101010100505005123";
  ModeCase cases[] = {
      {grouper::kNoChaining, fixed + "\r\n", ""},
      {grouper::kChainingOwnLink, "000123406012003022003" + fixed + "\r\n",
       "0001234IPP-0000000000000042\r\n"},
      {grouper::kChainingUserLink, "000123406012003022003" + fixed + "\r\n", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    OutputFile srha(dir, "srha"), link(dir, "hospmsi.$$$");
    grouper::SrhaWriter writer{c.mode, srha.writer(), c.mode == 1 ? link.writer() : nullptr, 0};
    EXPECT_EQ(grouper::write_srha(writer, {record, 1, 0, 3}, stay), 0);
    EXPECT_EQ(writer.srha_written_count, 1);
    EXPECT_EQ(srha.bytes(), c.srha) << c.mode;
    EXPECT_EQ(link.bytes(), c.link) << c.mode;
  }
}

TEST(SrhaWriter, LinkLineReadsFieldsAsCStrings) {
  // "%7.7s%20.20s": a NUL ends a field, which is then right-aligned.
  auto stay = make_stay();
  std::string record = last_record();
  set_field(record, v1::stay_number, std::string("12\0" "4567", 7));
  set_field(record, v1::ipp, "ABC");
  TempDir dir;
  OutputFile srha(dir, "srhab.$$$"), link(dir, "hospmsi.$$$");
  grouper::SrhaWriter writer{grouper::kChainingOwnLink, srha.writer(), link.writer(), 0};
  (void)grouper::write_srha(writer, {record, 1, 0, 1}, stay);
  EXPECT_EQ(link.bytes(), "     12ABC                 \r\n");
}

}  // namespace
