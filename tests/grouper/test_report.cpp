// The execution report: lines present only with a non-zero count, widths,
// the comparison block when a grouping was read, the plain block otherwise.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "common/textfile.h"
#include "grouper/report.h"

namespace {

namespace fs = std::filesystem;

std::string report_of(const grouper::Run& run, const grouper::GroupingCounters& g, long srha) {
  const fs::path p =
      fs::temp_directory_path() / ("report_" + std::to_string(std::random_device{}()));
  {
    auto w = pmsi::TextWriter::open(p.string());
    EXPECT_TRUE(w.ok());
    grouper::write_report(w.value(), run, g, srha);
  }
  std::ifstream in(p, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  in.close();
  fs::remove(p);
  return bytes;
}

grouper::Run base_run() {
  grouper::Run run;
  run.rhs_word = "C:\\data\\rhs.txt";
  run.paths.rha = "wks/rhs.rha";
  run.paths.srha = "wks/rhs.sha";
  run.classif_version = "10";
  run.finess = "750000001";
  return run;
}

const char* kHead =
    "\r\n\r\n================================================\r\n"
    "FINESS N\xB0 750000001      Rapport d'ex\xE9" "cution de VERDAN  Version 240 \r\n"
    "\r\n";

TEST(Report, UngroupedInputWithoutFaults) {
  grouper::Run run = base_run();
  run.counters.lines_read = 12;
  run.counters.v1_count = 12;
  grouper::GroupingCounters g;
  g.rha_written_count = 12;
  g.ghj_cm90_count = 2;
  EXPECT_EQ(report_of(run, g, 3),
            std::string(kHead) +
                "    12 Enregistrements lus dans le fichier : C:\\data\\rhs.txt \r\n"
                "    12 Enregistrements au format M01 ou M11  RHS version 1 \r\n"
                "    12  RHA  \xE9" "crits  dans  le  fichier : wks/rhs.rha (V. Classif : 10)\r\n"
                "     3  SRHA  \xE9" "crits  dans  le  fichier : wks/rhs.sha (V. Classif : 10)\r\n"
                "\r\n\r\n\r\n"
                "Fichier d'entr\xE9" "e C:\\data\\rhs.txt : RHS non group\xE9s\r\n\r\n"
                "Nombre de RHS group\xE9s sans erreur :     10\r\n"
                "Nombre de RHS en erreur           :      2\r\n\r\n");
}

TEST(Report, EveryBlockWithComparison) {
  grouper::Run run = base_run();
  run.paths.srha = "wks/srhab.$$$";
  grouper::DriverCounters& c = run.counters;
  c.lines_read = 205;
  c.rejected_count = 5;
  c.v1_count = 100;
  c.v2_count = 60;
  c.v3_count = 40;
  c.out_of_period_count = 7;
  c.sequence_error_stays = 4;
  c.read_grouping_count = 200;
  grouper::GroupingCounters g;
  g.rha_written_count = 200;
  g.identical_count = 150;
  g.identical_cm90_count = 1;
  g.ghj_ghj_diff_count = 20;
  g.ghj_cm90_count = 11;
  g.cm90_ghj_count = 9;
  g.cm90_cm90_diff_count = 10;
  g.return_code_diff_count = 3;
  const std::string dashes(62, '-');
  const std::string frame = "\t" + std::string(59, '-') + "\r\n";
  EXPECT_EQ(report_of(run, g, 30),
            std::string(kHead) +
                "   205 Enregistrements lus dans le fichier : C:\\data\\rhs.txt \r\n" + dashes +
                "\r\n     5 Enregistrements rejet\xE9s - Format Non Conforme - \r\n"
                "Veuillez consulter le fichier d'erreur\r\n" + dashes + "\r\n"
                "   100 Enregistrements au format M01 ou M11  RHS version 1 \r\n"
                "    60 Enregistrements au format M02 ou M12  RHS version 2 \r\n"
                "    40 Enregistrements au format M03 ou M13  RHS version 3 \r\n"
                "     7 Enregistrements hors p\xE9riode \r\n"
                "   200  RHA  \xE9" "crits  dans  le  fichier : wks/rhs.rha (V. Classif : 10)\r\n"
                "    30  SRHA  \xE9" "crits  dans  le  fichier : wks/srhab.$$$ (V. Classif : 10)\r\n"
                "\r\n" + dashes +
                "\r\n     4 Suite de RHS avec probl\xE8me: Veuillez consulter le fichier d'erreur\r\n" +
                std::string(61, '-') + "`\r\n"
                "\r\n\r\n"
                "                   Analyse de la conformit\xE9 du groupage\r\n\r\n"
                "        150 RHA ( 75.00%) group\xE9s \xE0 l'identique\r\n"
                "dont      1 RHS (  0.50%) en CM 90\r\n\r\n"
                "\r\n\tDiff\xE9rence entre groupage lu et groupage calcul\xE9 par VERDAN\r\n" +
                frame + "\tVotre groupeur         VERDAN                Nombre de RHA\r\n" + frame +
                "\t GHJ xxx            GHJ yyy diff\xE9rent              20\r\n"
                "\t GHJ xxx            CM 90                          11\r\n"
                "\t  CM 90             GHJ xxx                         9\r\n"
                "\t  CM 90             CM 90, groupe diff\xE9rent        10\r\n"
                "\t  CM 90             CM 90, groupe identique       \r\n"
                "\t                    code retour diff\xE9rent           3\r\n" + frame);
}

TEST(Report, NoAcceptedLine) {
  grouper::Run run = base_run();
  run.finess = "         ";
  run.counters.lines_read = 2;
  run.counters.rejected_count = 2;
  const std::string r = report_of(run, {}, 0);
  EXPECT_NE(r.find("FINESS N\xB0          "), std::string::npos);
  EXPECT_NE(r.find("     0  RHA  "), std::string::npos);
  EXPECT_NE(r.find("Nombre de RHS group\xE9s sans erreur :      0\r\n"), std::string::npos);
  EXPECT_EQ(r.find("format M0"), std::string::npos);
}

}  // namespace
