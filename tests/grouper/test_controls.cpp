// Field controls: masks, sets, the code list and the return code, over a
// valid version-1 record changed one fault at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "grouper/controls.h"
#include "grouper/rhs.h"

namespace grouper {
namespace {

// Writes text over the record from offset (the record is long enough).
void overwrite(std::string& r, std::size_t offset, std::string_view text) {
  std::copy(text.begin(), text.end(), r.begin() + static_cast<std::ptrdiff_t>(offset));
}

struct MaskCase {
  const char* field;
  const char* mask;
  int alignment;
  std::size_t min_length;
  int expected;
};

TEST(CheckMask, Cases) {
  const MaskCase cases[] = {
      {"123456789", "9F9999999", kWholeField, 9, kMaskMatches},
      {"1A3456789", "9F9999999", kWholeField, 9, kMaskMatches},
      {"1b3456789", "9F9999999", kWholeField, 9, kMaskMatches},
      {"1C3456789", "9F9999999", kWholeField, 9, kMaskMismatch},
      {"         ", "9F9999999", kWholeField, 9, kMaskBlank},
      {"      1x", "9999999", kLeadingBlanks, 0, kMaskMatches},  // beyond the mask: not read
      {"     12", "9999999", kLeadingBlanks, 0, kMaskMatches},
      {"12     ", "9999999", kLeadingBlanks, 0, kMaskMismatch},
      {"12     ", "9999999", kTrailingBlanks, 0, kMaskMatches},
      {" 12 ", "9999", kBlanksAround, 0, kMaskMatches},
      {" 1 2", "9999", kBlanksAround, 0, kMaskMismatch},
      {" 1012003", "Z9Z99999", kLeadingBlanks, 7, kMaskMatches},
      {"   12003", "Z9Z99999", kLeadingBlanks, 7, kMaskTooShort},
      {"0101200 ", "Z9Z99999", kLeadingBlanks, 7, kMaskMismatch},
      {"01 12003", "Z9Z99999", kLeadingBlanks, 7, kMaskMatches},  // Z admits a blank
      {"A123", "X999", kWholeField, 4, kMaskMatches},
      {"A12 ", "X999", kWholeField, 4, kMaskMismatch},
      {"1123", "X999", kWholeField, 4, kMaskMismatch},
      {"aamp0010", "XXXX9999", kWholeField, 8, kMaskMatches},
      {"A1 +", "AY++", kWholeField, 0, kMaskMatches},
      {"#1 +", "AY++", kWholeField, 0, kMaskMismatch},
      {"\xE9", "?", kWholeField, 0, kMaskMatches},  // any other mask character
      {"\xE9", "X", kWholeField, 0, kMaskMismatch},  // bytes above 127 are no letters
      {"12", "99999", kWholeField, 0, kMaskMismatch},  // short field: missing chars are blanks
      {"", "99", kLeadingBlanks, 0, kMaskBlank},
  };
  for (const MaskCase& c : cases)
    EXPECT_EQ(check_mask(c.field, c.mask, c.alignment, c.min_length), c.expected)
        << "'" << c.field << "' mask " << c.mask << " alignment " << c.alignment;
}

TEST(InSet, ItemsOfTheWidthFromTheStart) {
  EXPECT_TRUE(in_set(" ", " 567", 1));
  EXPECT_TRUE(in_set("7", " 567", 1));
  EXPECT_FALSE(in_set("4", " 567", 1));
  EXPECT_TRUE(in_set("CD", "ABCD", 2));
  EXPECT_FALSE(in_set("BC", "ABCD", 2));  // items do not overlap
  EXPECT_FALSE(in_set("D", "ABCD", 0));
}

TEST(ErrorList, KeepsTheFirstHundredAndSkipsNonBlockingCodes) {
  ErrorList list;
  for (int i = 0; i < 150; ++i) list.record_error(i < 99 ? 1 : 40 + (i - 99));
  EXPECT_EQ(list.count, kErrorListCapacity);
  EXPECT_EQ(list.codes[99], 40);
  EXPECT_EQ(first_blocking_code(list), 0);  // 1 and 40 are non-blocking; 42 was dropped
  list.clear();
  for (int code : {1, 44, 82, 0, 45, 3}) list.record_error(code);
  EXPECT_EQ(first_blocking_code(list), 45);

  int non_blocking = 0;
  for (int code = 0; code < 200; ++code) non_blocking += is_non_blocking(code);
  EXPECT_EQ(non_blocking, 35);
  EXPECT_TRUE(is_non_blocking(69));
  EXPECT_FALSE(is_non_blocking(2));
  EXPECT_FALSE(is_non_blocking(-1));
}

// A version-1 record that passes every control (hosp_type 2, week 10 of
// 2003 whose Monday is 3 March 2003).
std::string valid_record() {
  std::string r(v1::kLength, ' ');
  auto put = [&r](const FieldSpec& f, std::string_view text) { overwrite(r, f.offset, text); };
  put(v1::finess, "123456789");
  put(v1::format_code, "M01");
  put(v1::stay_number, "0000001");
  put(v1::hosp_type, "2");
  put(v1::ipp, "IPP0000000000000001");
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

pmsi::DiagnosisSlot slot(std::uint8_t category, std::uint8_t positions = 0xFF,
                         std::initializer_list<std::uint8_t> groups = {}) {
  pmsi::DiagnosisSlot s;
  s.positions = positions;
  s.data[0] = category;
  std::size_t n = 1;
  for (std::uint8_t g : groups) s.data[n++] = g;
  s.data_size = static_cast<std::uint8_t>(n);
  return s;
}

pmsi::ActSlot act(std::string_view code, std::uint8_t act_class = 1) {
  pmsi::ActSlot a;
  a.width = static_cast<int>(code.size());
  std::copy(code.begin(), code.end(), a.code.begin());
  a.act_class = act_class;
  return a;
}

// One fault (or fault-free variation) of the valid record.
struct ControlCase {
  const char* name;
  std::vector<std::pair<FieldSpec, std::string>> fields;
  std::vector<std::pair<int, pmsi::DiagnosisSlot>> slots;  // slot number, content
  std::vector<pmsi::ActSlot> acts;
  std::vector<int> codes;  // the error list, in order
  int return_code;
};

std::vector<ControlCase> control_cases() {
  using F = std::vector<std::pair<FieldSpec, std::string>>;
  const FieldSpec diag_3 = v1::diag_3;
  const FieldSpec diag_4{"diag_4", 117, 6};
  const FieldSpec duration_5{"duration_5", 170, 4};
  const FieldSpec exit8{"exit", 64, 10};  // exit_date, exit_mode, exit_destination
  const FieldSpec entry10{"entry", 54, 10};  // entry_date, entry_mode, entry_origin
  return {
      {"valid", {}, {}, {}, {}, 0},
      {"postal code letter is non-blocking", F{{v1::postal_code, "7500A"}}, {}, {}, {41}, 0},
      {"stay number checked before sex", F{{v1::stay_number, "00A0001"}, {v1::sex, "3"}}, {}, {}, {3, 16}, 3},
      {"blank stay number", F{{v1::stay_number, "       "}}, {}, {}, {2}, 2},
      {"right-aligned stay number", F{{v1::stay_number, "     12"}}, {}, {}, {}, 0},
      {"finess", F{{v1::finess, "1C3456789"}}, {}, {}, {1}, 0},
      {"hosp_type blank", F{{v1::hosp_type, " "}}, {}, {}, {8}, 8},
      {"hosp_type 5", F{{v1::hosp_type, "5"}}, {}, {}, {9}, 9},
      {"hosp_type 2 without entry", F{{entry10, "          "}}, {}, {}, {}, 0},
      {"hosp_type 1 without entry", F{{v1::hosp_type, "1"}, {entry10, "          "}}, {}, {}, {19, 23}, 19},
      {"entry date bad character", F{{v1::entry_date, "0303200x"}}, {}, {}, {19}, 19},
      {"entry date invalid", F{{v1::entry_date, "30022003"}}, {}, {}, {20}, 20},
      {"entry date after today", F{{v1::entry_date, "03032090"}}, {}, {}, {21}, 0},
      {"entry year 1990 is not above 1990", F{{v1::entry_date, "03031990"}}, {}, {}, {22}, 0},
      {"birth date blank", F{{v1::birth_date, "        "}}, {}, {}, {10}, 10},
      {"birth date too short", F{{v1::birth_date, "   61950"}}, {}, {}, {11}, 11},
      {"birth date 29 February 2001", F{{v1::birth_date, "29022001"}}, {}, {}, {12}, 12},
      {"birth date with a leading blank", F{{v1::birth_date, " 1061950"}}, {}, {}, {}, 0},
      {"birth after the week's Monday", F{{v1::birth_date, "04032003"}}, {}, {}, {13}, 13},
      {"birth on the week's Monday", F{{v1::birth_date, "03032003"}}, {}, {}, {}, 0},
      {"older than 120", F{{v1::birth_date, "01011870"}}, {}, {}, {14}, 14},
      {"sex blank", F{{v1::sex, " "}}, {}, {}, {15}, 15},
      {"entry mode 5", F{{v1::entry_mode, "5"}}, {}, {}, {24}, 0},
      {"entry mode letter", F{{v1::entry_mode, "x"}}, {}, {}, {23}, 0},
      {"entry mode 6 without origin", F{{v1::entry_origin, " "}}, {}, {}, {25}, 0},
      {"entry mode 6 origin 5", F{{v1::entry_origin, "5"}}, {}, {}, {26}, 0},
      {"entry mode 8 origin 1", F{{v1::entry_mode, "8"}}, {}, {}, {26}, 0},
      {"entry mode 8 origin 7", F{{v1::entry_mode, "8"}, {v1::entry_origin, "7"}}, {}, {}, {}, 0},
      {"no entry mode but an origin", F{{v1::entry_mode, " "}}, {}, {}, {27}, 0},
      {"exit before entry", F{{exit8, "01032003  "}, {v1::exit_mode, "8"}, {v1::exit_destination, "5"}}, {}, {}, {32}, 32},
      {"exit after today, blank entry, hosp_type 2",
       F{{entry10, "          "}, {exit8, "0101209085"}}, {}, {}, {}, 0},
      {"exit after today", F{{exit8, "0101209085"}}, {}, {}, {33}, 0},
      {"exit date too short", F{{exit8, "   12003" "85"}}, {}, {}, {29}, 0},
      {"exit date bad character", F{{exit8, "0703200 85"}}, {}, {}, {30}, 0},
      {"exit date invalid", F{{exit8, "3203200385"}}, {}, {}, {31}, 0},
      {"exit without mode", F{{exit8, "07032003  "}}, {}, {}, {34}, 0},
      {"exit mode letter", F{{exit8, "07032003x "}}, {}, {}, {35}, 0},
      {"exit mode 5", F{{exit8, "070320035 "}}, {}, {}, {36}, 0},
      {"exit mode 6 without destination", F{{exit8, "070320036 "}}, {}, {}, {37}, 0},
      {"exit mode 6 destination 5", F{{exit8, "0703200365"}}, {}, {}, {38}, 0},
      {"exit mode 8 destination 1", F{{exit8, "0703200381"}}, {}, {}, {39}, 0},
      {"exit mode 9 destination 1", F{{exit8, "0703200391"}}, {}, {}, {39}, 0},
      {"exit mode 9 without destination", F{{exit8, "070320039 "}}, {}, {}, {}, 0},
      {"destination without exit", F{{exit8, "         1"}}, {}, {}, {39}, 0},
      {"postal code blank", F{{v1::postal_code, "     "}}, {}, {}, {40}, 0},
      {"week 53 accepted", F{{v1::week, "532003"}}, {}, {}, {}, 0},
      {"week 54", F{{v1::week, "542003"}}, {}, {}, {42}, 42},
      {"week 0", F{{v1::week, "002003"}}, {}, {}, {42}, 42},
      {"week of a future year", F{{v1::week, "102099"}, {v1::birth_date, "01011990"}}, {}, {}, {43}, 43},
      {"week before 1990", F{{v1::week, "101989"}, {v1::entry_date, "01011989"}, {v1::birth_date, "01011950"}},
       {}, {}, {22, 44}, 0},
      {"hosp_type 1, week before the entry week",
       F{{v1::hosp_type, "1"}, {v1::entry_date, "17032003"}}, {}, {}, {45}, 45},
      {"hosp_type 1, week after the exit week",
       F{{v1::hosp_type, "1"}, {v1::week, "112003"}, {exit8, "0703200385"}}, {}, {}, {46}, 46},
      {"hosp_type 2, week after the exit week", F{{v1::week, "112003"}, {exit8, "0703200385"}}, {}, {}, {}, 0},
      {"presence day 2", F{{v1::presence_days, "1111102"}}, {}, {}, {47}, 47},
      {"no presence day", F{{v1::presence_days, "0 00000"}}, {}, {}, {47}, 47},
      {"um blank", F{{v1::um, "    "}}, {}, {}, {17}, 0},
      {"um anything", F{{v1::um, "1 x4"}}, {}, {}, {}, 0},
      {"delay date invalid", F{{v1::delay_date, "31022003"}}, {}, {}, {48}, 48},
      {"delay date after the week", F{{v1::delay_date, "17032003"}}, {}, {}, {49}, 49},
      {"delay date in the week", F{{v1::delay_date, "05032003"}}, {}, {}, {}, 0},
      {"diag_1 blank", F{{v1::diag_1, "      "}}, {}, {}, {50}, 50},
      {"diag_1 not Z", F{{v1::diag_1, "A01   "}}, {}, {}, {51}, 51},
      {"diag_1 not found", {}, {{0, slot(0)}}, {}, {50}, 50},
      {"diag_1 group 38 210", {}, {{0, slot(99, 0xFF, {1, 2, 38, 210})}}, {}, {51}, 51},
      {"diag_1 group 38 212", {}, {{0, slot(99, 0xFF, {38, 212})}}, {}, {52}, 52},
      {"diag_1 group outside category 99", {}, {{0, slot(98, 0xFF, {38, 212})}}, {}, {}, 0},
      {"diag_1 position forbidden", {}, {{0, slot(11, 0x3F)}}, {}, {53}, 53},
      {"diag_1 position by one bit", {}, {{0, slot(11, 0x40)}}, {}, {}, 0},
      {"ZAIGU then Z", F{{v1::diag_1, "ZAIGU "}, {v1::diag_2, "Z501  "}}, {{0, slot(0)}}, {}, {56}, 56},
      {"ZAIGU then S", F{{v1::diag_1, "ZAIGU "}}, {{0, slot(0)}}, {}, {}, 0},
      {"diag_2 blank", F{{v1::diag_2, "      "}}, {}, {}, {54}, 54},
      {"diag_2 V", F{{v1::diag_2, "V01   "}}, {}, {}, {55}, 55},
      {"diag_2 equal to diag_1", F{{v1::diag_2, "z500  "}}, {}, {}, {57}, 57},
      {"diag_2 not found", {}, {{1, slot(0)}}, {}, {58}, 58},
      {"diag_2 groups", {}, {{1, slot(99, 0xFF, {38, 210, 38, 212})}}, {}, {59}, 59},
      {"diag_2 group 212", {}, {{1, slot(99, 0xFF, {38, 212})}}, {}, {60}, 60},
      {"diag_2 position", {}, {{1, slot(11, 0xC0)}}, {}, {61}, 61},
      {"diag_3 R", F{{diag_3, "R52   "}}, {{2, slot(11)}}, {}, {63}, 63},
      {"diag_3 equal to diag_2", F{{diag_3, "S7200 "}}, {{2, slot(11)}}, {}, {64}, 0},
      {"diag_3 not found", F{{diag_3, "S7201 "}}, {{2, slot(0)}}, {}, {65}, 65},
      {"diag_3 group 210", F{{diag_3, "S7201 "}}, {{2, slot(99, 0xFF, {38, 210})}}, {}, {66}, 66},
      {"diag_3 group 212", F{{diag_3, "S7201 "}}, {{2, slot(99, 0xFF, {38, 212})}}, {}, {67}, 67},
      {"diag_3 position", F{{diag_3, "S7201 "}}, {{2, slot(11, 0xF3)}}, {}, {68}, 68},
      {"associated not found", F{{diag_4, "S7201 "}}, {{3, slot(0)}}, {}, {70}, 0},
      {"associated group 210", F{{diag_4, "S7201 "}}, {{3, slot(99, 0xFF, {38, 210})}}, {}, {71}, 0},
      {"associated group 212", F{{diag_4, "S7201 "}}, {{3, slot(99, 0xFF, {38, 212})}}, {}, {72}, 0},
      {"associated position", F{{diag_4, "S7201 "}}, {{3, slot(11, 0xFC)}}, {}, {73}, 0},
      {"two bad scores", F{{v1::scores, "503412"}}, {}, {}, {77, 77}, 77},
      {"flag 3", F{{v1::flag_153, "3"}}, {}, {}, {78}, 78},
      {"duration blank", F{{duration_5, "    "}}, {}, {}, {79}, 79},
      {"duration bad character", F{{duration_5, "1 20"}}, {}, {}, {80}, 80},
      {"duration with blanks around", F{{duration_5, " 12 "}}, {}, {}, {}, 0},
      {"act count blank", F{{v1::act_count, "  "}}, {}, {}, {74}, 74},
      {"act count bad character", F{{v1::act_count, "1x"}}, {}, {act("A123")}, {75}, 75},
      {"act count 11", F{{v1::act_count, "11"}}, {}, {}, {76}, 76},
      {"act count with a leading blank", F{{v1::act_count, " 3"}}, {},
       {act("A123"), act("    "), act("aamp0010")}, {}, 0},
      {"CdAM act with a blank", F{{v1::act_count, "01"}}, {}, {act("A12 ")}, {81}, 81},
      {"CCAM act with a digit for a letter", F{{v1::act_count, "01"}}, {}, {act("AAM10010")}, {81}, 81},
      {"act not in its table", F{{v1::act_count, "01"}}, {}, {act("A123", 0)}, {82}, 0},
  };
}

TEST(RunControls, OneFaultAtATime) {
  for (const ControlCase& c : control_cases()) {
    std::string record = valid_record();
    for (const auto& [f, text] : c.fields) overwrite(record, f.offset, text);
    std::array<pmsi::DiagnosisSlot, pmsi::kDiagnosisSlotCount> slots{};
    slots[0] = slot(11);
    slots[1] = slot(11);
    for (const auto& [i, s] : c.slots) slots[static_cast<std::size_t>(i)] = s;
    const std::string monday = week_monday(field(record, v1::week));
    const ControlInput in{record, monday, slots, c.acts};

    ErrorList errors;
    errors.record_error(99);  // cleared by the controls
    std::int16_t cr = -1, cm = 0, ghj = 0;
    const std::int16_t result = run_controls(in, errors, cr, cm, ghj);
    const auto found = errors.found();
    EXPECT_EQ(std::vector<int>(found.begin(), found.end()), c.codes) << c.name;
    EXPECT_EQ(cr, c.return_code) << c.name;
    EXPECT_EQ(result, c.return_code) << c.name;
    EXPECT_EQ(cm, 90) << c.name;
    EXPECT_EQ(ghj, 900) << c.name;
  }
}

TEST(RunControls, ReferenceDateIsTodaysDate) {
  const std::array<char, 8> today = reference_date();
  const std::string text(today.begin(), today.end());
  EXPECT_TRUE(is_valid_date(text)) << text;
  EXPECT_GE(parse_date(text).year, 2024);
}

}  // namespace
}  // namespace grouper
