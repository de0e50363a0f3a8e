// Stay sequence checks: each inconsistency code, the message and code lines
// byte for byte, the 50-RHS limit and the 50-code limit of the code line.
#include "grouper/sequence.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "test_writers_support.h"

namespace {

using namespace writers_test;
using grouper::v1::birth_date;
using grouper::v1::hosp_type;
using grouper::v1::postal_code;
using grouper::v1::presence_days;
using grouper::v1::sex;
using grouper::v1::week;

// A stay of n RHS on consecutive weeks from week 10 of 2003; `edit` changes
// RHS i.
std::vector<std::string> make_stay(int n, const std::function<void(int, std::string&)>& edit = {}) {
  std::vector<std::string> stay;
  for (int i = 0; i < n; ++i) {
    std::string r = make_record();
    char w[16];
    std::snprintf(w, sizeof w, "%02d2003", 10 + i);
    set_field(r, week, w);
    if (edit) edit(i, r);
    stay.push_back(r);
  }
  return stay;
}

struct Outcome {
  int result;
  std::string messages;
  std::string codes;
};

Outcome run_check(const std::vector<std::string>& stay, long ordinal = 7, std::string_view semester = "1",
                  std::string_view year = "2003", int count = -1) {
  TempDir dir;
  OutputFile codes(dir, "N.ctrls"), messages(dir, "N.suite.err");
  grouper::SequenceFiles files{codes.writer(), messages.writer()};
  int result = grouper::check_stay_sequence(files, stay, count < 0 ? static_cast<int>(stay.size()) : count,
                                            ordinal, semester, year);
  return {result, messages.bytes(), codes.bytes()};
}

std::string message(int rhs, std::string_view text) {
  return cp1252("N° de séjour : 0001234 - RHS n° " + std::to_string(rhs) + " - Erreur : " +
                std::string(text) + "\n");
}

const char* const kSex = "Sexe inconstant";
const char* const kPostal = "Code postal inconstant";
const char* const kBirth = "Date de naissance inconstante";
const char* const kHosp = "Type d'hospit. inconstante";
const char* const kYear = "Année du RHS inconstante";
const char* const kWeek = "Séquencement des N° de semaine incorrect";
const char* const kSameDay = "Affectation du même jour de présence dans 2 RHS de la même semaine";

struct Case {
  const char* name;
  std::vector<std::string> stay;
  int result;
  std::string messages;
  std::string codes;  // after "123456789;1;2003;0000000007;"
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SequenceCases : public ::testing::TestWithParam<Case> {};

TEST_P(SequenceCases, WritesMessagesAndCodeLine) {
  const Case& c = GetParam();
  Outcome out = run_check(c.stay);
  EXPECT_EQ(out.result, c.result);
  EXPECT_EQ(out.messages, c.messages);
  EXPECT_EQ(out.codes, c.codes.empty() ? "" : "123456789;1;2003;0000000007;" + c.codes + "\r\n");
}

std::vector<Case> cases() {
  std::vector<Case> v;
  v.push_back({"OneRhs", make_stay(1), 0, "", ""});
  v.push_back({"ConsistentStay", make_stay(4), 0, "", ""});
  v.push_back({"SameWeekSameDaysTwice",
               make_stay(2, [](int i, std::string& r) {
                 set_field(r, week, "102003");
                 set_field(r, presence_days, i == 0 ? "1110000" : "1100011");
               }),
               2, message(1, kSameDay) + message(1, kSameDay), "2;7;7;"});
  v.push_back({"SameWeekOtherDays",
               make_stay(2, [](int i, std::string& r) {
                 set_field(r, week, "102003");
                 set_field(r, presence_days, i == 0 ? "1110000" : "0001111");
               }),
               0, "", ""});
  v.push_back({"PartTimeAllowsGapsAndMoves",
               make_stay(2, [](int i, std::string& r) {
                 set_field(r, hosp_type, "2");
                 if (i == 1) {
                   set_field(r, week, "122003");
                   set_field(r, postal_code, "13001");
                 }
               }),
               0, "", ""});
  v.push_back({"FullTimeWeekGap",
               make_stay(3, [](int i, std::string& r) {
                 if (i == 2) set_field(r, week, "132003");
               }),
               1, message(2, kWeek), "1;6;"});
  v.push_back({"FullTimePostalCodeChange",
               make_stay(2, [](int i, std::string& r) {
                 if (i == 1) set_field(r, postal_code, "13001");
               }),
               1, message(1, kPostal), "1;2;"});
  v.push_back({"HospTypeChangeOnThirdRhs",
               make_stay(4, [](int i, std::string& r) {
                 if (i >= 2) set_field(r, hosp_type, "2");
               }),
               2, message(2, kHosp) + message(3, kHosp), "2;4;4;"});
  // Codes 1, 2, 3 and 5 on the same RHS come in the order of the checks.
  v.push_back({"SeveralCodesInCheckOrder",
               make_stay(2, [](int i, std::string& r) {
                 if (i != 1) return;
                 set_field(r, sex, "2");
                 set_field(r, postal_code, "13001");
                 set_field(r, birth_date, "16061950");
                 set_field(r, week, "112004");
               }),
               4, message(1, kSex) + message(1, kPostal) + message(1, kBirth) + message(1, kYear),
               "4;1;2;3;5;"});
  v.push_back({"WeekNumbersComparedAsNumbers",
               make_stay(4, [](int i, std::string& r) {
                 const char* weeks[] = {" 82003", "092003", "092003", "032003"};
                 set_field(r, week, weeks[i]);
                 set_field(r, presence_days, i == 1 ? "1000000" : "0100000");
               }),
               0, "", ""});
  v.push_back({"YearTurnRaisesNoWeekGap",
               make_stay(2, [](int i, std::string& r) {
                 set_field(r, week, i == 0 ? "522003" : "012003");
               }),
               0, "", ""});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Stays, SequenceCases, ::testing::ValuesIn(cases()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(SequenceCheck, MoreThanFiftyRhsReturns99AndWritesNothing) {
  auto stay = make_stay(51, [](int, std::string& r) { set_field(r, sex, "2"); });
  stay[3][sex.offset] = '1';
  Outcome out = run_check(std::vector<std::string>(stay.begin(), stay.begin() + 50), 7, "1", "2003", 51);
  EXPECT_EQ(out.result, 99);
  EXPECT_EQ(out.messages, "");
  EXPECT_EQ(out.codes, "");
  EXPECT_EQ(run_check(stay, 7, "1", "2003", 50).result, 1);
}

TEST(SequenceCheck, CodeLineShowsFiftyCodesAndTheTotal) {
  // 50 RHS, each after the first changing sex and birth date: 98 findings.
  auto stay = make_stay(50, [](int i, std::string& r) {
    if (i == 0) return;
    set_field(r, sex, "2");
    set_field(r, birth_date, "01011900");
    set_field(r, week, "102003");
    set_field(r, presence_days, i % 2 ? "1000000" : "0100000");
  });
  set_field(stay[0], week, "102003");
  set_field(stay[0], presence_days, "0000001");
  Outcome out = run_check(stay);
  EXPECT_EQ(out.result, 98);
  std::string expected = "123456789;1;2003;0000000007;98;";
  for (int k = 0; k < 25; ++k) expected += "1;3;";
  EXPECT_EQ(out.codes, expected + "\r\n");
  std::string messages;
  for (int i = 1; i < 50; ++i) messages += message(i, kSex) + message(i, kBirth);
  EXPECT_EQ(out.messages, messages);
}

TEST(SequenceCheck, CodeLineTakesWordsAsTypedAndTenDigitOrdinal) {
  auto stay = make_stay(2, [](int i, std::string& r) {
    if (i == 1) set_field(r, sex, "2");
  });
  Outcome out = run_check(stay, 1234, "2x", "03");
  EXPECT_EQ(out.codes, "123456789;2x;03;0000001234;1;1;\r\n");
}

TEST(SequenceCheck, ShortStayBufferChecksWhatItHolds) {
  auto stay = make_stay(2, [](int i, std::string& r) {
    if (i == 1) set_field(r, sex, "2");
  });
  EXPECT_EQ(run_check(stay, 7, "1", "2003", 5).result, 1);
  EXPECT_EQ(run_check({}, 7, "1", "2003", 0).result, 0);
  // Emptied or cut slots read as short fields: no read beyond them.
  EXPECT_EQ(run_check({stay[0], "", std::string(stay[0], 0, 50)}).result, 7);
}

}  // namespace
