// The driver's semester table and the paths of a run. The record loop is
// exercised through the real program (tests/e2e).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/paths.h"
#include "grouper/driver.h"

namespace {

namespace fs = std::filesystem;

TEST(PeriodWindow, SemesterTable) {
  struct Case {
    int semester;
    long year;
    bool known;
    long first, last;
  } cases[] = {
      {1, 1998, true, 199801, 199826}, {2, 1998, true, 199827, 199853},
      {1, 1999, true, 199901, 199925}, {2, 1999, true, 199926, 199952},
      {1, 2003, true, 200301, 200326}, {2, 2003, true, 200327, 200352},
      {1, 1997, false, 0, 0},          {2, 2004, false, 0, 0},
      {3, 2000, false, 0, 0},          {0, 2000, false, 0, 0},
  };
  for (const Case& c : cases) {
    grouper::PeriodWindow w;
    EXPECT_EQ(grouper::period_window(c.semester, c.year, w), c.known) << c.semester << c.year;
    if (!c.known) continue;
    EXPECT_EQ(w.first, c.first);
    EXPECT_EQ(w.last, c.last);
  }
  grouper::PeriodWindow s1;
  ASSERT_TRUE(grouper::period_window(1, 1999, s1));
  EXPECT_TRUE(s1.contains(199925));
  EXPECT_FALSE(s1.contains(199926));
  EXPECT_FALSE(s1.contains(199853));
}

TEST(RunPaths, FilesOfARunLieInTheWorkingDirectoryFoundWithoutCase) {
  const fs::path prog = fs::temp_directory_path() / ("paths_" + std::to_string(std::random_device{}()));
  fs::create_directories(prog / "wks");
  const std::string argv0 = (prog / "verdan").string();
  const std::string base = pmsi::program_dir(argv0);
  const grouper::RunPaths p0 = grouper::run_paths(argv0, "demo", grouper::kNoChaining);
  EXPECT_EQ(p0.base_dir, base);
  EXPECT_EQ(p0.tables_dir, base);
  // "WKS" finds "wks" (on Windows the name as written already exists).
  const std::string wks = p0.work_dir;
  ASSERT_EQ(wks.size(), base.size() + 3);
  EXPECT_TRUE(wks.substr(base.size()) == "wks" || wks.substr(base.size()) == "WKS") << wks;
  EXPECT_TRUE(pmsi::is_directory(wks));
  EXPECT_EQ(p0.log, pmsi::join(wks, "demo.log"));
  EXPECT_EQ(p0.fmt_err, pmsi::join(wks, "demo.fmt.err"));
  EXPECT_EQ(p0.sorted_input, pmsi::join(wks, "$$$in.srt"));
  EXPECT_EQ(p0.transcoded_input, pmsi::join(wks, "$$$in.srt.recod"));
  EXPECT_EQ(p0.transcod_err, pmsi::join(wks, "transcod.err"));
  EXPECT_EQ(p0.rha, pmsi::join(wks, "demo.rha"));
  EXPECT_EQ(p0.srha, pmsi::join(wks, "demo.sha"));
  EXPECT_EQ(p0.dif, pmsi::join(wks, "demo.dif"));
  EXPECT_EQ(p0.ctrls, pmsi::join(wks, "demo.ctrls"));
  EXPECT_EQ(p0.suite_err, pmsi::join(wks, "demo.suite.err"));
  for (int mode : {grouper::kChainingOwnLink, grouper::kChainingUserLink}) {
    const grouper::RunPaths p = grouper::run_paths(argv0, "demo", mode);
    EXPECT_EQ(p.srha, pmsi::join(wks, "srhab.$$$"));
    EXPECT_EQ(p.hospmsi, pmsi::join(wks, "hospmsi.$$$"));
  }
  // A bare program name: the current directory.
  EXPECT_EQ(grouper::run_paths("verdan", "x", 0).tables_dir, "");
  fs::remove_all(prog);
}

}  // namespace
