// Sort specification files: the statements the front end writes are read as
// it means them; anything else is refused naming the line and the fault.
#include <gtest/gtest.h>

#include "common/cp1252.h"
#include "job_file.h"
#include "sortsol/sortsol.h"
#include "sortsol_test_util.h"

namespace {

using sortsol::DuplicateFilter;
using sortsol::KeyKind;
using sortsol_test::kFileType;
using sortsol_test::lines;

std::string cp(const char* utf8) { return *pmsi::utf8_to_cp1252(utf8); }

TEST(JobFile, ReadsTheStatementsOfTheRhsJob) {
  // Job 1 on an M13 file: the output path is followed by one blank.
  const std::string text = lines({"INPUTFILE(C:\\Mes Documents\\rhs 2024.txt)", "OUTPUTFILE(C:\\pmsi\\wks\\$$$in.srt )",
                                  kFileType, "KEY(String,ASC,0,24,7)", "KEY(String,ASC,0,88,4)",
                                  "KEY(UIntS,ASC,0,86,2)", "KEY(Date,ASC,0,66,\"DDMMYYYY\")",
                                  "KEY(Date,ASC,0,76,\"DDMMYYYY\")"});
  auto parsed = sortsol::parse_job_file(text, "fich1.ssp");
  ASSERT_FALSE(parsed.error) << parsed.error->message;
  const auto& s = parsed.job;
  EXPECT_EQ(s.input, "C:\\Mes Documents\\rhs 2024.txt");
  EXPECT_EQ(s.output, "C:\\pmsi\\wks\\$$$in.srt");
  EXPECT_EQ(s.log, "");
  EXPECT_EQ(s.filter, DuplicateFilter::none);
  const std::vector<std::tuple<KeyKind, std::size_t, std::size_t>> keys{{KeyKind::string, 24, 7},
                                                                         {KeyKind::string, 88, 4},
                                                                         {KeyKind::uint_s, 86, 2},
                                                                         {KeyKind::date, 66, 8},
                                                                         {KeyKind::date, 76, 8}};
  ASSERT_EQ(s.keys.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(s.keys[i].kind, std::get<0>(keys[i])) << i;
    EXPECT_EQ(s.keys[i].offset, std::get<1>(keys[i])) << i;
    EXPECT_EQ(s.keys[i].length, std::get<2>(keys[i])) << i;
  }
}

TEST(JobFile, ReadsTheStatementsOfThePurgeJobs) {
  struct Case {
    std::string key, filter;
    std::size_t offset, length;
    DuplicateFilter expected;
  };
  const Case cases[] = {
      {"KEY(String,ASC,0,25,20)", "FILTER(DUPLICATES,RECORD)", 25, 20, DuplicateFilter::record},  // job 2
      {"KEY(String,ASC,0,25,20)", "FILTER(DUPLICATES,KEYS)", 25, 20, DuplicateFilter::keys},      // job 3
      {"KEY(String,ASC,0,7,20)", "FILTER(DUPLICATES,RECORD)", 7, 20, DuplicateFilter::record},    // job 4
      {"KEY(String,ASC,0,22,7)", "FILTER(DUPLICATES,KEYS)", 22, 7, DuplicateFilter::keys},        // job 6
      {"KEY(String,ASC,0,0,7)", "FILTER(DUPLICATES,RECORD)", 0, 7, DuplicateFilter::record},      // job 7
  };
  for (const Case& c : cases) {
    const std::string text = lines({"INPUTFILE(C:\\pmsi\\wks\\ano-pmsi.$$$)", "OUTPUTFILE(C:\\pmsi\\wks\\a b.srt)",
                                    kFileType, "LOGFILE(C:\\pmsi\\wks\\etape1.err,TRUE)", c.key, c.filter});
    auto parsed = sortsol::parse_job_file(text, "fich1.ssp");
    ASSERT_FALSE(parsed.error) << c.key << parsed.error->message;
    EXPECT_EQ(parsed.job.log, "C:\\pmsi\\wks\\etape1.err");
    EXPECT_EQ(parsed.job.output, "C:\\pmsi\\wks\\a b.srt");
    ASSERT_EQ(parsed.job.keys.size(), 1u);
    EXPECT_EQ(parsed.job.keys[0].offset, c.offset);
    EXPECT_EQ(parsed.job.keys[0].length, c.length);
    EXPECT_EQ(parsed.job.filter, c.expected) << c.filter;
  }
}

TEST(JobFile, RefusesWhatItDoesNotKnowNamingTheLineAndTheFault) {
  const std::string in = "INPUTFILE(a)", out = "OUTPUTFILE(b)", key = "KEY(String,ASC,0,0,7)";
  struct Case {
    std::vector<std::string> lines;
    int line;
    const char* fault;  // part of the message (UTF-8)
  };
  const Case cases[] = {
      {{"SORT(a)"}, 1, "instruction inconnue : « SORT(a) »"},
      {{out, in, kFileType, key}, 1, "INPUTFILE attendu"},
      {{"INPUTFILE()", out, kFileType, key}, 1, "INPUTFILE sans chemin"},
      {{"INPUTFILE(a", out, kFileType, key}, 1, "forme attendue INPUTFILE(chemin)"},
      {{in, out, "FILETYPE(DELIMITED,\"0x00\",\"0x0D,0x0A\")", key}, 3, "type de fichier non pris en charge"},
      {{in, out, kFileType, "LOGFILE(x,FALSE)", key}, 4, "forme attendue LOGFILE(chemin,TRUE)"},
      {{in, out, kFileType, "KEY(Float,ASC,0,0,7)"}, 4, "type de clé inconnu (String, UIntS ou Date) : « Float »"},
      {{in, out, kFileType, "KEY(String,DESC,0,0,7)"}, 4, "ordre non pris en charge (ASC seulement) : « DESC »"},
      {{in, out, kFileType, "KEY(String,ASC,1,0,7)"}, 4, "numéro de champ non pris en charge"},
      {{in, out, kFileType, "KEY(String,ASC,0,-1,7)"}, 4, "position invalide : « -1 »"},
      {{in, out, kFileType, "KEY(String,ASC,0, 12,7)"}, 4, "position invalide : «  12 »"},
      {{in, out, kFileType, "KEY(String,ASC,0,12,0)"}, 4, "longueur invalide : « 0 »"},
      {{in, out, kFileType, "KEY(UIntS,ASC,0,12)"}, 4, "KEY attend 5 arguments"},
      {{in, out, kFileType, "KEY(Date,ASC,0,54,\"YYYYMMDD\")"}, 4, "format de date non pris en charge"},
      {{in, out, kFileType, "KEY(Date,ASC,0,54,8)"}, 4, "format de date non pris en charge"},
      {{in, out, kFileType, "FILTER(DUPLICATES,KEYS)"}, 4, "KEY attendu"},
      {{in, out, kFileType, key, "FILTER(DUPLICATES,LINES)"}, 5, "filtre non pris en charge"},
      {{in, out, kFileType, key, "FILTER(DUPLICATES,KEYS)", key}, 6, "rien n'est attendu après FILTER"},
      {{in, out, kFileType, key, "LOGFILE(x,TRUE)"}, 5, "instruction hors de sa place"},
      {{in, out, kFileType, "", key}, 4, "ligne vide"},
      {{"key(String,ASC,0,0,7)"}, 1, "instruction inconnue"},
      {{in, out}, 3, "FILETYPE manquant"},
      {{in, out, kFileType}, 4, "aucune clé KEY"},
      {{}, 1, "INPUTFILE manquant"},
  };
  for (const Case& c : cases) {
    auto parsed = sortsol::parse_job_file(lines(c.lines), "C:\\pmsi\\fich1.ssp");
    ASSERT_TRUE(parsed.error) << c.fault;
    EXPECT_EQ(parsed.error->code, SSI_ERR_STATEMENT);
    const std::string expected = cp("Fichier de spécification « C:\\pmsi\\fich1.ssp », ligne ") +
                                 std::to_string(c.line) + " : ";
    EXPECT_EQ(parsed.error->message.substr(0, expected.size()), expected) << c.fault;
    EXPECT_NE(parsed.error->message.find(cp(c.fault)), std::string::npos) << parsed.error->message;
  }
}

TEST(JobFile, AcceptsLinesEndedByLineFeedAloneAndEmptyLinesAtTheEnd) {
  auto parsed = sortsol::parse_job_file("INPUTFILE(a)\nOUTPUTFILE(b)\n" + kFileType +
                                                      "\nKEY(String,ASC,0,0,7)\r\n\r\n\r\n",
                                                  "f");
  EXPECT_FALSE(parsed.error);
}

TEST(JobFile, AnUnreadableFileIsReported) {
  sortsol_test::ScratchDir dir;
  auto parsed = sortsol::read_job_file(dir.file("absent.ssp"));
  ASSERT_TRUE(parsed.error);
  EXPECT_EQ(parsed.error->code, SSI_ERR_JOB_FILE_UNREADABLE);
  EXPECT_NE(parsed.error->message.find("absent.ssp"), std::string::npos);
}

}  // namespace
