// etape1 and etape2 run as the front end runs them, from a program directory
// of their own, on small hand-checked fixtures: every output file is compared
// byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

namespace {

using namespace chaining_test;

const fs::path kFixtures = fs::path(PMSI_SOURCE_DIR) / "tests" / "chaining" / "fixtures";

void copy_inputs(const fs::path& from, const fs::path& wks) {
  for (const auto& e : fs::directory_iterator(from))
    fs::copy_file(e.path(), wks / e.path().filename(), fs::copy_options::overwrite_existing);
}

// Every file of the expected folder, compared with the working directory's.
// "@W@" in an expected file stands for the working directory's path as the
// program writes it into its messages.
void expect_outputs(const fs::path& expected, const TempProgramDir& p) {
  std::string w = (p.wks() / "").string();
  for (const auto& e : fs::directory_iterator(expected)) {
    SCOPED_TRACE(e.path().filename().string());
    std::string want = read_file(e.path());
    for (std::size_t at; (at = want.find("@W@")) != std::string::npos;) want.replace(at, 3, w);
    EXPECT_EQ(read_file(p.wks() / e.path().filename()), want);
  }
}

struct Variant {
  const char* expected;  // folder under the program's fixtures
  bool with_library;
};

class ChainingPrograms : public ::testing::Test {};

TEST_F(ChainingPrograms, Etape1) {
  for (Variant r : {Variant{"expected", true}, Variant{"expected_nolib", false}}) {
    SCOPED_TRACE(r.expected);
    TempProgramDir p(r.with_library);
    p.install("etape1");
    copy_inputs(kFixtures / "etape1" / "input", p.wks());
    // The front end passes W\anohosp1.srt and W\hospmsi1.srt.
    ASSERT_EQ(p.run("etape1", {(p.wks() / "anohosp1.srt").string(), (p.wks() / "hospmsi1.srt").string()}), 0);
    expect_outputs(kFixtures / "etape1" / r.expected, p);
  }
}

TEST_F(ChainingPrograms, Etape2) {
  // The working directory and the sorted inputs are found whatever the case
  // of their names ("WKS", "srhab.$$$.srt" for "SRHAb.$$$.srt").
  for (Variant r : {Variant{"expected", true}, Variant{"expected_nolib", false}}) {
    SCOPED_TRACE(r.expected);
    TempProgramDir p(r.with_library, "WKS");
    p.install("etape2");
    copy_inputs(kFixtures / "etape2" / "input", p.wks());
    ASSERT_EQ(p.run("etape2", {"ssr2010"}), 0);
    expect_outputs(kFixtures / "etape2" / r.expected, p);
  }
}

TEST_F(ChainingPrograms, Etape2WithoutRhaReportsAndCreatesNothing) {
  TempProgramDir p;
  p.install("etape2");
  copy_inputs(kFixtures / "etape2" / "input", p.wks());
  fs::remove(p.wks() / "ssr2010.rha");
  ASSERT_EQ(p.run("etape2", {"ssr2010"}), 0);
  expect_outputs(kFixtures / "etape2" / "expected_norha", p);
  EXPECT_FALSE(fs::exists(p.wks() / "ssr2010.rha"));
}

TEST_F(ChainingPrograms, OpenFailureExitCodeIs1) {
  TempProgramDir p;
  p.install("etape1");
  p.install("etape2");
  EXPECT_EQ(p.run("etape1", {"none1.srt", "none2.srt"}), 1);
  EXPECT_EQ(p.run("etape2", {"ssr2010"}), 1);
}

}  // namespace
