// chaingen's files chain as they claim: run through etape1, sound files give
// no finding, and each fault gives its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chaingen.h"
#include "chaining/etape1.h"
#include "support.h"

namespace {

using namespace chaining_test;

std::vector<chaingen::Stay> stays_of(int n) {
  std::vector<chaingen::Stay> s;
  for (int i = 0; i < n; ++i)
    s.push_back({std::to_string(1000000 + i), std::to_string(500 + i / 2) + std::string(17, ' ')});
  return s;  // two stays per administrative number
}

// Report figures of etape1 on the generated files.
std::vector<int> chain(const chaingen::Files& f, std::string* err = nullptr) {
  TempProgramDir p;
  EXPECT_TRUE(chaingen::write_lines((p.wks() / "a.srt").string(), f.ano_hosp));
  EXPECT_TRUE(chaingen::write_lines((p.wks() / "h.srt").string(), f.hosp_pmsi));
  EXPECT_EQ(chaining::etape1(p.program_dir(), (p.wks() / "a.srt").string(), (p.wks() / "h.srt").string()), 0);
  if (err) *err = read_file(p.wks() / "etape1.err");
  return figures(read_file(p.wks() / "etape1.log"));
}

TEST(ChainingChaingen, FilesChainAsClaimed) {
  const auto stays = stays_of(20);  // 10 administrative numbers
  std::string err;
  // ANO-HOSP lines, HOSP-PMSI lines, written, sound, ANO-only, HOSP-only,
  // [special], [repeated], wrong keys.
  EXPECT_EQ(chain(chaingen::generate(stays, {}, 7), &err), (std::vector<int>{10, 20, 20, 20, 0, 0, 0}));
  EXPECT_EQ(findings(err), std::vector<std::string>{});
  chaingen::Faults f;
  f.wrong_keys = 1;
  f.special = 2;
  f.missing_ano = 1;
  f.missing_hosp = 3;
  f.empty_lines = 2;
  // 9 kept + 3 foreign + 2 special = 14 ANO-HOSP lines; 20 + 2 empty HOSP-PMSI
  // lines (empty lines become blank numbers without ANO-HOSP record).
  std::vector<int> got = chain(chaingen::generate(stays, f, 7));
  ASSERT_EQ(got.size(), 8u);
  EXPECT_EQ(got[0], 14);  // ANO-HOSP lines
  EXPECT_EQ(got[1], 22);  // HOSP-PMSI lines
  EXPECT_EQ(got[4], 3);   // numbers only in ANO-HOSP
  EXPECT_EQ(got[5], 4);   // 2 stays of the missing number, 2 empty lines
  EXPECT_EQ(got[6], 2);   // special records
  EXPECT_EQ(got[7], 1);   // wrong keys
  // Same seed, same files.
  EXPECT_EQ(chaingen::generate(stays, f, 7).ano_hosp, chaingen::generate(stays, f, 7).ano_hosp);
}

}  // namespace
