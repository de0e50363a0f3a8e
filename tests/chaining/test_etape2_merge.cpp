// etape2's merge, case by case: final SRHA lines, chaining lines, findings
// and counts of small ANO-PMSI and SRHA files, run in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chaining/etape2.h"
#include "support.h"

namespace {

using namespace chaining_test;

std::string pad(const std::string& s, std::size_t n) { return (s + std::string(n, ' ')).substr(0, n); }

const std::string kAnonymous(17, 'A');  // sum 1105: pseudo date 26 June, two years before
const std::string kMonday = "04012010";  // day count 0557 with kAnonymous

// ANO-PMSI line.
std::string P(const std::string& stay, const std::string& anonymous = kAnonymous, char link = '0') {
  return std::string("0000") + link + pad(anonymous, 17) + pad(stay, 7);
}
// SRHA line with its chaining prefix; the part from position 21 is what N.sha gets.
std::string srha_tail(const std::string& ordinal, const std::string& rest) {
  return "750000001M31240" + ordinal + "1007661111010101" + rest;
}
std::string S(const std::string& stay, const std::string& ordinal, const std::string& monday = kMonday,
              const std::string& rest = "00701007001007") {
  return pad(stay, 7) + monday + "012010" + srha_tail(ordinal, rest);
}
// Chaining lines: with a partner (its day count), and without.
std::string C(const std::string& ordinal, const std::string& days = "0557", char link = '0') {
  return std::string("750000001012010") + "0000" + link + "0" + kAnonymous + days + ordinal;
}
std::string X(const std::string& ordinal) {
  return "75000000101201099999" "1" + std::string(21, 'X') + ordinal;
}

struct Case {
  const char* name;
  std::vector<std::string> ano_pmsi, srha;
  std::vector<std::string> sha, ano;
  std::vector<std::string> findings;
  // Report figures in order: SRHA lines, ANO-PMSI lines, written, sound,
  // written (chaining file), SRHA only, ANO-PMSI only, [repeated ANO-PMSI],
  // [repeated SRHA].
  std::vector<int> figures;
  bool final_line_end = true;
};

const Case kCases[] = {
    {"both empty", {}, {}, {}, {}, {}, {0, 0, 0, 0, 0, 0, 0}},
    {"every merge situation",
     {P("1000002"), P("1000003")},
     {S("1000001", "0000001"), S("1000003", "0000002"), S("1000005", "0000003")},
     {srha_tail("0000001", "00701007001007"), srha_tail("0000002", "00701007001007"),
      srha_tail("0000003", "00701007001007")},
     {X("0000001"), C("0000002"), X("0000003")},
     {"A10:1", "A20:1", "A10B:3"},
     {3, 2, 3, 1, 3, 2, 1}},
    {"ANO-PMSI lines after the SRHA end write nothing",
     {P("1000001"), P("1000002")},
     {S("1000001", "0000001")},
     {srha_tail("0000001", "00701007001007")},
     {C("0000001")},
     {"A20B:2"},
     {1, 2, 1, 1, 1, 0, 1}},
    {"repeated stay numbers: the first line is used",
     {P("1000001"), P("1000001", "BBBBBBBBBBBBBBBBB")},
     {S("1000001", "0000001"), S("1000001", "0000009")},
     {srha_tail("0000001", "00701007001007")},
     {C("0000001")},
     {"B10:2", "B11:2"},
     {2, 2, 1, 1, 1, 0, 0, 1, 1}},
    {"blank first Monday gives XXXX; link status carried",
     {P("1000001", kAnonymous, '2')},
     {S("1000001", "0000001", "        ")},
     {srha_tail("0000001", "00701007001007")},
     {"750000001      " "00002" "0" + kAnonymous + "XXXX" "0000001"},
     {},
     {1, 1, 1, 1, 1, 0, 0}},
    {"empty lines are skipped and not counted",
     {"", P("1000001"), ""},
     {"", S("1000001", "0000001"), "", S("1000002", "0000002")},
     {srha_tail("0000001", "00701007001007"), srha_tail("0000002", "00701007001007")},
     {C("0000001"), X("0000002")},
     {"A10B:2"},
     {2, 1, 2, 1, 2, 1, 0}},
    {"last lines without line end keep all their characters",
     {P("1000001")},
     {S("1000001", "0000001", kMonday, "007010070010071")},
     {srha_tail("0000001", "007010070010071")},
     {C("0000001")},
     {},
     {1, 1, 1, 1, 1, 0, 0},
     false},
};

TEST(ChainingEtape2Merge, Cases) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempProgramDir p;
    write_file(p.wks() / "ano-pmsi.$$$.srt", crlf(c.ano_pmsi, c.final_line_end));
    write_file(p.wks() / "srhab.$$$.srt", crlf(c.srha, c.final_line_end));
    write_file(p.wks() / "N.rha", "");
    ASSERT_EQ(chaining::etape2(p.program_dir(), "N"), 0);
    EXPECT_EQ(read_file(p.wks() / "N.sha"), crlf(c.sha));
    EXPECT_EQ(read_file(p.wks() / "N.ano"), crlf(c.ano));
    std::string err = read_file(p.wks() / "etape1.err");
    EXPECT_EQ(findings(err), c.findings) << err;
    EXPECT_EQ(figures(read_file(p.wks() / "etape1.log")), c.figures);
    EXPECT_EQ(read_file(p.wks() / "N.rha").size(), 8u);
  }
}

TEST(ChainingEtape2Merge, OpenFailuresEndWithExitCode1) {
  TempProgramDir p;
  const std::string w = p.program_dir() + "wks" + std::string(1, fs::path::preferred_separator);
  EXPECT_EQ(chaining::etape2(p.program_dir(), "N"), 1);
  write_file(p.wks() / "ANO-PMSI.$$$.srt", "");
  EXPECT_EQ(chaining::etape2(p.program_dir(), "N"), 1);
  EXPECT_EQ(read_file(p.wks() / "etape1.err"),
            "Pb d'ouverture fichier ANO-PMSI : " + w + "ANO-PMSI.$$$.srt\r\n" +
                "Pb d'ouverture fichier de SRHA modifi\xE9: " + w + "SRHAb.$$$.srt\r\n");
  EXPECT_FALSE(fs::exists(p.wks() / "N.sha"));
}

}  // namespace
