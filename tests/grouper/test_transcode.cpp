// CCAM V0 -> V0bis: the built-in lists, the lookup, and the transcoding pass
// over a file with its account in the log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "common/textfile.h"
#include "grouper/rhs.h"
#include "grouper/transcode_lists.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

TEST(CcamLists, BuiltInListsAreWellFormed) {
  const grouper::CcamV0Lists& l = grouper::ccam_v0_lists();
  EXPECT_TRUE(l.bad_lines.empty());
  EXPECT_EQ(l.deleted.size(), 31u);
  EXPECT_EQ(l.v0.size(), l.v0bis.size());
  EXPECT_GE(l.v0.size(), 4u);
  for (const auto* list : {&l.deleted, &l.v0, &l.v0bis}) {
    for (const std::string& code : *list) {
      EXPECT_EQ(code.size(), 8u) << code;
      EXPECT_EQ(code.back(), '0') << code;
    }
  }
  EXPECT_EQ(l.deleted.front(), "ABLF0010");
  EXPECT_EQ(l.deleted.back(), "QZKA0030");
}

TEST(CcamLists, ParseKeepsOrderAndFlagsBadLines) {
  const grouper::CcamV0Lists l = grouper::parse_ccam_v0_lists(
      "# comment\n\nv0 BBBB0010 CCCC0010\r\nv0 AAAA0010 DDDD0010\ndeleted XXXX0010\nfoo bar\n"
      "v0 ONLYONE0\n");
  ASSERT_EQ(l.v0.size(), 2u);
  EXPECT_EQ(l.v0[0], "BBBB0010");
  EXPECT_EQ(l.v0bis[1], "DDDD0010");
  EXPECT_EQ(l.deleted.size(), 1u);
  EXPECT_EQ(l.bad_lines.size(), 2u);
}

TEST(CcamLookup, Table) {
  struct Case {
    const char* code;
    int result;
    const char* replacement;
  } cases[] = {
      {"AAMP0010", 1, "AZMP0020 "}, {"ABQB0020", 1, "ABQP0010 "}, {"ABQL0010", 1, "ABML0010 "},
      {"ACFA0300", 1, "ABFA0080 "}, {"AAMP0013", 0, "AAMP0013 "},  // 8-character match only
      {"ABLF0017", -1, "         "},                               // deleted: 7 characters
      {"QZKA0030", -1, "         "}, {"ZZZZ0000", 0, "ZZZZ0000 "},
  };
  for (const Case& c : cases) {
    std::array<char, 10> r{};
    EXPECT_EQ(grouper::lookup_ccam_v0(c.code, r), c.result) << c.code;
    EXPECT_EQ(std::string(r.data(), 9), c.replacement) << c.code;
  }
}

// An M03 record (no header) of 220 + 8n characters with the given acts.
std::string m03(std::string_view stay, std::string_view acts_count, std::string_view acts) {
  std::string r(220, ' ');
  r.replace(0, 12, "750000001M03");
  r.replace(12, 7, stay);
  r.replace(20, 20, "IPP-000000000000001X");
  r.replace(74, 6, "021999");
  r.replace(87, 4, "UM01");
  r.replace(218, 2, acts_count);
  return r + std::string(acts);
}

class TranscodePass : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("transcode_" + std::to_string(std::random_device{}()));
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  grouper::TranscodeCounts run(const std::string& input, std::string& output, std::string& log) {
    spit(dir / "in", input);
    grouper::TranscodeCounts counts;
    {
      auto w = pmsi::TextWriter::open((dir / "log").string());
      EXPECT_TRUE(w.ok());
      counts = grouper::transcode_ccam((dir / "in").string(), (dir / "out").string(), w.value(),
                                       (dir / "transcod.err").string());
    }
    output = slurp(dir / "out");
    log = slurp(dir / "log");
    return counts;
  }
};

const std::string kHeading =
    "-----------------------------------------------------------\r\n\r\n\r\n R\xE9sultat du "
    "transcodage CCAM V0 - CCAM V0bis\r\n";
const std::string kTrailer =
    "\r\n\r\nLe transcodage est r\xE9" "alis\xE9 sur tous les fichiers. \r\nIl n'est effectif que "
    "sur les fichiers de RHS utilisant des actes CCAM V0\r\n";

TEST_F(TranscodePass, FileWithoutCcamLinesIsCopied) {
  const std::string input = "750000001M01 rest of a line\r\nsecond\rline with lone CR\r\nlast";
  std::string out, log;
  const auto counts = run(input, out, log);
  EXPECT_EQ(out, input);
  EXPECT_EQ(counts.concerned, 0);
  EXPECT_EQ(log, kHeading + kTrailer +
                     "Nombre d'enregistrements concern\xE9s (RHS format M03 ou M13): 0\r\n");
  EXPECT_TRUE(fs::exists(dir / "transcod.err"));
  EXPECT_EQ(fs::file_size(dir / "transcod.err"), 0u);
}

TEST_F(TranscodePass, V0AndDeletedCodes) {
  const std::string l1 = m03("0000012", "03", "AAMP0010ABLF0017AAMP0013");
  const std::string l2 = "091002300M13" + m03("0000013", "02", "ACFA0301ABQL0010");
  // Announces 4 acts, holds 1 and a half: only the whole one counts.
  const std::string l3 = m03("0000014", "04", "ABQB0020ABQB");
  const std::string input = l1 + "\r\n" + "750000001M01\r\n" + l2 + "\r\n" + l3;
  std::string out, log;
  const auto counts = run(input, out, log);

  std::string e1 = l1, e2 = l2, e3 = l3;
  e1.replace(220, 7, "AZMP002");  // 8th character stays
  e2.replace(12 + 228, 7, "ABML001");
  e3.replace(220, 7, "ABQP001");
  EXPECT_EQ(out, e1 + "\r\n750000001M01\r\n" + e2 + "\r\n" + e3);
  EXPECT_EQ(counts.concerned, 3);
  EXPECT_EQ(counts.treated, 6);
  EXPECT_EQ(counts.transcoded, 3);
  EXPECT_EQ(counts.deleted, 1);
  EXPECT_EQ(log, kHeading +
                     "N\xB0 de ligne 1 - N\xB0 de RHS : 0000012 - IPP : IPP-000000000000001X - "
                     "N\xB0 UM : UM01 - N\xB0 Semaine : 021999 : Code CCAM supprim\xE9 : "
                     "ABLF0017 \r\n" +
                     kTrailer +
                     "Nombre d'enregistrements concern\xE9s (RHS format M03 ou M13): 3\r\n"
                     "Nb d'actes trait\xE9s :6\r\nNb d'actes transcod\xE9s :3\r\n"
                     "Nb d'actes supprim\xE9s :1\r\n");
}

TEST_F(TranscodePass, OverlongLineIsCopiedInPieces) {
  const std::string big(5000, 'x');
  const std::string input = big + "\r\n" + std::string(1999, 'y') + "\r\n";
  std::string out, log;
  run(input, out, log);
  EXPECT_EQ(out, input);
}

TEST_F(TranscodePass, MissingInputIsLogged) {
  std::string log;
  {
    auto w = pmsi::TextWriter::open((dir / "log").string());
    ASSERT_TRUE(w.ok());
    grouper::transcode_ccam((dir / "none").string(), (dir / "out").string(), w.value(),
                            (dir / "transcod.err").string());
  }
  log = slurp(dir / "log");
  EXPECT_EQ(log, "Pb d'ouverture fichier d'entr\xE9" "e : " + (dir / "none").string() + "\r\n");
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(TranscodePass, MissingTranscodErrDirectoryDoesNotStopThePass) {
  spit(dir / "in", m03("0000012", "01", "AAMP0010") + "\r\n");
  {
    auto w = pmsi::TextWriter::open((dir / "log").string());
    ASSERT_TRUE(w.ok());
    testing::internal::CaptureStdout();
    const auto counts = grouper::transcode_ccam((dir / "in").string(), (dir / "out").string(),
                                                w.value(), (dir / "no" / "transcod.err").string());
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "Pb d'ouverture fichier d'entr\xE9" "e : transcod.err\r\n");
    EXPECT_EQ(counts.transcoded, 1);
  }
  EXPECT_NE(slurp(dir / "out").find("AZMP0020"), std::string::npos);
}

}  // namespace
