// The execution report: what was read, rejected and written, the stays with
// sequence problems, and how a grouping read from the input compares with
// the one computed.
#include "grouper/report.h"

#include "common/textfile.h"

namespace grouper {

namespace {

constexpr const char* kDashes62 =
    "--------------------------------------------------------------\n";

double percent(long count, long total) {
  return total == 0 ? 0.0 : static_cast<double>(count) * 100.0 / static_cast<double>(total);
}

void write_comparison(pmsi::TextWriter& log, const GroupingCounters& g) {
  log.printf("                   Analyse de la conformité du groupage\n");
  log.printf("\n");
  log.printf("     %6ld RHA (%6.2f%%) groupés à l'identique\n", g.identical_count,
             percent(g.identical_count, g.rha_written_count));
  log.printf("dont %6ld RHS (%6.2f%%) en CM 90\n\n", g.identical_cm90_count,
             percent(g.identical_cm90_count, g.rha_written_count));
  log.printf("\n\tDifférence entre groupage lu et groupage calculé par VERDAN\n");
  const char* frame = "\t-----------------------------------------------------------\n";
  log.printf("%s", frame);
  log.printf("\tVotre groupeur         VERDAN                Nombre de RHA\n");
  log.printf("%s", frame);
  log.printf("\t GHJ xxx            GHJ yyy différent          %6ld\n", g.ghj_ghj_diff_count);
  log.printf("\t GHJ xxx            CM 90                      %6ld\n", g.ghj_cm90_count);
  log.printf("\t  CM 90             GHJ xxx                    %6ld\n", g.cm90_ghj_count);
  log.printf("\t  CM 90             CM 90, groupe différent    %6ld\n", g.cm90_cm90_diff_count);
  log.printf("\t  CM 90             CM 90, groupe identique       \n");
  log.printf("\t                    code retour différent      %6ld\n", g.return_code_diff_count);
  log.printf("%s", frame);
}

}  // namespace

void write_report(pmsi::TextWriter& log, const Run& run, const GroupingCounters& grouping,
                  long srha_written_count) {
  const DriverCounters& c = run.counters;
  log.printf("\n\n================================================\n");
  log.printf("FINESS N° %s", run.finess.c_str());
  log.printf("      Rapport d'exécution de VERDAN  Version %s \n", kVerdanVersion);
  log.printf("\n");
  log.printf("%6ld Enregistrements lus dans le fichier : %s \n", c.lines_read, run.rhs_word.c_str());
  if (c.rejected_count != 0) {
    log.printf("%s", kDashes62);
    log.printf("%6ld Enregistrements rejetés - Format Non Conforme - \n", c.rejected_count);
    log.printf("Veuillez consulter le fichier d'erreur\n");
    log.printf("%s", kDashes62);
  }
  if (c.v1_count != 0) {
    log.printf("%6ld Enregistrements au format M01 ou M11  RHS version 1 \n", c.v1_count);
  }
  if (c.v2_count != 0) {
    log.printf("%6ld Enregistrements au format M02 ou M12  RHS version 2 \n", c.v2_count);
  }
  if (c.v3_count != 0) {
    log.printf("%6ld Enregistrements au format M03 ou M13  RHS version 3 \n", c.v3_count);
  }
  if (c.out_of_period_count != 0) {
    log.printf("%6ld Enregistrements hors période \n", c.out_of_period_count);
  }
  log.printf("%6ld  RHA  écrits  dans  le  fichier : %s (V. Classif : %2.2s)\n",
             grouping.rha_written_count, run.paths.rha.c_str(), run.classif_version.c_str());
  log.printf("%6ld  SRHA  écrits  dans  le  fichier : %s (V. Classif : %2.2s)\n",
             srha_written_count, run.paths.srha.c_str(), run.classif_version.c_str());
  log.printf("\n");
  if (c.sequence_error_stays != 0) {
    log.printf("%s", kDashes62);
    log.printf("%6d Suite de RHS avec problème: Veuillez consulter le fichier d'erreur\n",
               static_cast<int>(c.sequence_error_stays));
    log.printf("-------------------------------------------------------------`\n");
  }
  log.printf("\n");
  log.printf("\n");
  if (c.read_grouping_count != 0) {
    write_comparison(log, grouping);
  } else {
    log.printf("Fichier d'entrée %s : RHS non groupés\n\n", run.rhs_word.c_str());
    log.printf("Nombre de RHS groupés sans erreur : %6ld\n",
               grouping.rha_written_count - grouping.ghj_cm90_count);
    log.printf("Nombre de RHS en erreur           : %6ld\n\n", grouping.ghj_cm90_count);
  }
}

}  // namespace grouper
