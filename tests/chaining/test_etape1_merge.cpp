// etape1's merge, case by case: ANO-PMSI lines, findings and counts of small
// ANO-HOSP and HOSP-PMSI files, run in-process in a program directory of
// their own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chaining/etape1.h"
#include "chaining/records.h"
#include "crclavix/record_keys.h"
#include "support.h"

namespace {

using namespace chaining_test;

std::string pad(const std::string& s, std::size_t n) { return (s + std::string(n, ' ')).substr(0, n); }

// ANO-HOSP record with a sound key, and with a wrong one.
std::string A(const std::string& anonymous, const std::string& admin) {
  return crclavix::keyed_record("0000" + pad(anonymous, 17) + pad(admin, 20));
}
std::string W(const std::string& anonymous, const std::string& admin) {
  return "ZZZZ" + A(anonymous, admin).substr(4);
}
std::string H(const std::string& stay, const std::string& admin) { return pad(stay, 7) + pad(admin, 20); }
// ANO-PMSI lines: linked with a status, or without ANO-HOSP record.
std::string L(char status, const std::string& anonymous, const std::string& stay) {
  return std::string("0000") + status + pad(anonymous, 17) + pad(stay, 7);
}
std::string U(const std::string& stay) { return "99991XXXXXXXXXXXXXXXXX" + pad(stay, 7); }

const std::string kSpecial(chaining::ano_hosp::special_record);

struct Case {
  const char* name;
  std::vector<std::string> ano_hosp, hosp_pmsi;
  std::vector<std::string> ano_pmsi;
  std::vector<std::string> findings;
  // Report figures in order: ANO-HOSP lines, HOSP-PMSI lines, written, sound,
  // ANO-HOSP only, HOSP-PMSI only, [special], [repeated], wrong keys.
  std::vector<int> figures;
  bool final_line_end = true;
  bool with_library = true;
};

const Case kCases[] = {
    {"both empty", {}, {}, {}, {}, {0, 0, 0, 0, 0, 0, 0}},
    {"wrong key between sound ones",
     {A("a1", "01"), W("a2", "02"), A("a3", "03")},
     {H("s1", "01"), H("s2", "02"), H("s3", "03")},
     {L('0', "a1", "s1"), L('2', "a2", "s2"), L('0', "a3", "s3")},
     {"C10:2"},
     {3, 3, 3, 2, 0, 0, 1}},
    {"two stays of one administrative number",
     {A("a1", "01")},
     {H("s1", "01"), H("s2", "01")},
     {L('0', "a1", "s1"), L('0', "a1", "s2")},
     {},
     {1, 2, 2, 2, 0, 0, 0}},
    {"two stays of a wrong-key record: one C10",
     {W("a1", "01")},
     {H("s1", "01"), H("s2", "01")},
     {L('2', "a1", "s1"), L('2', "a1", "s2")},
     {"C10:1"},
     {1, 2, 2, 0, 0, 0, 1}},
    {"ANO-HOSP only, lower and after HOSP-PMSI end",
     {A("a1", "01"), A("a2", "02"), A("a3", "03")},
     {H("s2", "02")},
     {L('0', "a2", "s2")},
     {"A10:1", "A10B:3"},
     {3, 1, 1, 1, 2, 0, 0}},
    {"HOSP-PMSI only, lower and after ANO-HOSP end",
     {A("a2", "02")},
     {H("s1", "01"), H("s2", "02"), H("s3", "03")},
     {U("s1"), L('0', "a2", "s2"), U("s3")},
     {"A20:1", "A20B:3"},
     {1, 3, 3, 1, 0, 2, 0}},
    {"repeats of an unlinked HOSP-PMSI number, before and after ANO-HOSP end",
     {A("a3", "03")},
     {H("s1", "01"), H("s2", "01"), H("s3", "03"), H("s4", "04"), H("s5", "04")},
     {U("s1"), U("s2"), L('0', "a3", "s3"), U("s4"), U("s5")},
     {"A20:1", "A20:2", "A20B:4", "A20B:5"},
     {1, 5, 5, 1, 0, 4, 0}},
    {"special record counted as a line, never merged",
     {A("a1", "01"), kSpecial, W("a2", "02")},
     {H("s1", "01"), H("s2", "02")},
     {L('0', "a1", "s1"), L('2', "a2", "s2")},
     {"A14:2", "C10:3"},
     {3, 2, 2, 1, 0, 0, 1, 1}},
    {"empty lines: skipped on ANO-HOSP, 27 blanks on HOSP-PMSI",
     {"", A("a1", "01"), "", W("a2", "02")},
     {"", H("s1", "01"), H("s2", "02")},
     {U(""), L('0', "a1", "s1"), L('2', "a2", "s2")},
     {"A20:1", "C10:2"},
     {2, 3, 3, 1, 0, 1, 1}},
    {"repeated administrative number in ANO-HOSP: the first is used",
     {A("a1", "01"), W("a2", "01"), A("a3", "02")},
     {H("s1", "01"), H("s2", "02")},
     {L('0', "a1", "s1"), L('0', "a3", "s2")},
     {"B10:2", "C10:2"},
     {3, 2, 2, 2, 0, 0, 1, 1}},
    {"HOSP-PMSI lines completed or cut to 27 characters",
     {A("a1", "01"), A("a2", "02")},
     {"12", "100000101", H("s2", "02") + "EXTRA"},
     {U("12"), L('0', "a1", "1000001"), L('0', "a2", "s2")},
     {"A20:1"},
     {2, 3, 3, 2, 0, 1, 0}},
    {"last lines without line end keep all their characters",
     {A("a1", "01"), A("a2", "02")},
     {H("s1", "01"), H("s2", "02")},
     {L('0', "a1", "s1"), L('0', "a2", "s2")},
     {},
     {2, 2, 2, 2, 0, 0, 0},
     false},
    {"without the library every key counts as wrong",
     {A("a1", "01"), A("a2", "02")},
     {H("s1", "01"), H("s2", "02")},
     {L('2', "a1", "s1"), L('2', "a2", "s2")},
     {"C10:1", "C10:2"},
     {2, 2, 2, 0, 0, 0, 2},
     true,
     false},
};

TEST(ChainingEtape1Merge, Cases) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempProgramDir p(c.with_library);
    write_file(p.wks() / "anohosp1.srt", crlf(c.ano_hosp, c.final_line_end));
    write_file(p.wks() / "hospmsi1.srt", crlf(c.hosp_pmsi, c.final_line_end));
    ASSERT_EQ(chaining::etape1(p.program_dir(), (p.wks() / "anohosp1.srt").string(),
                               (p.wks() / "hospmsi1.srt").string()),
              0);
    EXPECT_EQ(read_file(p.wks() / "ANO-PMSI.$$$"), crlf(c.ano_pmsi));
    std::string err = read_file(p.wks() / "etape1.err");
    EXPECT_EQ(findings(err), c.findings) << err;
    EXPECT_EQ(figures(read_file(p.wks() / "etape1.log")), c.figures);
    EXPECT_EQ(err.find("Probl\xE8me de chargement de DLL crclavix \r\n") != std::string::npos,
              !c.with_library);
  }
}

TEST(ChainingEtape1Merge, OpenFailuresEndWithExitCode1) {
  TempProgramDir p;
  write_file(p.wks() / "anohosp1.srt", "");
  std::string missing = (p.wks() / "none.srt").string();
  EXPECT_EQ(chaining::etape1(p.program_dir(), missing, missing), 1);
  EXPECT_EQ(chaining::etape1(p.program_dir(), (p.wks() / "anohosp1.srt").string(), missing), 1);
  EXPECT_EQ(read_file(p.wks() / "etape1.err"),
            "Pb d'ouverture fichier ANO-HOSP : " + missing + "\r\n" +
                "Pb d'ouverture fichier HOSP-PMSI : " + missing + "\r\n");
  EXPECT_FALSE(fs::exists(p.wks() / "ANO-PMSI.$$$"));
  // Without its working directory the program cannot open its files at all.
  TempProgramDir q;
  fs::remove_all(q.wks());
  EXPECT_EQ(chaining::etape1(q.program_dir(), missing, missing), 1);
}

}  // namespace
