#include <gtest/gtest.h>

#include <filesystem>

#include "common/paths.h"
#include "test_support.h"

namespace pmsi {
namespace {

using test::read_bytes;
using test::TempDir;
using test::write_bytes;

struct DirCase {
  const char* argv0;
  const char* dir;
};

TEST(ProgramDir, IsDriveAndDirectoryOfTheProgramPath) {
  const DirCase cases[] = {
    {"verdan", ""},
    {"./verdan", "./"},
    {"/opt/pmsi/verdan", "/opt/pmsi/"},
    {"", ""},
#ifdef _WIN32
    {"C:\\pmsi\\verdan.exe", "C:\\pmsi\\"},
    {"C:verdan.exe", "C:"},
    {"D:/pmsi/bin\\verdan.exe", "D:/pmsi/bin\\"},
#endif
  };
  for (const auto& c : cases) EXPECT_EQ(program_dir(c.argv0), c.dir) << c.argv0;
}

TEST(Join, AddsOneSeparatorWhereNeeded) {
  const std::string sep(1, kSeparator);
  EXPECT_EQ(join("", "WKS"), "WKS");
  EXPECT_EQ(join("a", "b"), "a" + sep + "b");
  EXPECT_EQ(join("a" + sep, "b"), "a" + sep + "b");
}

class CaseInsensitive : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.file("wks"));
    write_bytes(dir.file("wks/SRHAb.$$$.srt"), "data");
  }
  std::string p(const std::string& rel) const { return join(dir.str(), rel); }
  TempDir dir;
};

TEST_F(CaseInsensitive, ExistsAndOpensWhateverTheCase) {
  const std::string name = join("WKS", "srhab.$$$.srt");
  EXPECT_TRUE(exists(p(name)));
  EXPECT_TRUE(is_directory(p("WKS")));
  EXPECT_FALSE(exists(p(join("WKS", "other"))));
  auto f = open_file(p(name), "rb");
  ASSERT_TRUE(f.ok()) << f.error();
  char buf[8] = {};
  EXPECT_EQ(std::fread(buf, 1, sizeof buf, f->get()), 4u);
  EXPECT_STREQ(buf, "data");
}

TEST_F(CaseInsensitive, NewFileKeepsItsNameInsideTheResolvedDirectory) {
  {
    auto f = open_file(p(join("WKS", "NewFile.Txt")), "wb");
    ASSERT_TRUE(f.ok()) << f.error();
  }
  EXPECT_TRUE(std::filesystem::exists(dir.file("wks/NewFile.Txt")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("WKS")) &&
               !std::filesystem::equivalent(dir.file("WKS"), dir.file("wks")));
}

TEST_F(CaseInsensitive, RenameAndDeleteWhateverTheCase) {
  ASSERT_TRUE(rename_file(p(join("Wks", "SRHAB.$$$.SRT")), p(join("WKS", "moved.txt"))));
  EXPECT_EQ(read_bytes(dir.file("wks/moved.txt")), "data");
  ASSERT_TRUE(remove_file(p(join("wks", "MOVED.TXT"))));
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("wks")));
  EXPECT_FALSE(remove_file(p(join("wks", "MOVED.TXT"))));
}

TEST_F(CaseInsensitive, MakeDirectoryAcceptsAnExistingOne) {
  EXPECT_TRUE(make_directory(p("WKS")));
  EXPECT_TRUE(make_directory(p("new")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("new")));
}

}  // namespace
}  // namespace pmsi
