// sortsol FILE...: runs each sort specification file as the library does
// and prints its figures or its error; exit 1 when a job failed.
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "common/textfile.h"
#include "sort_job.h"
#include "job_file.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // TextWriter makes the CR LF itself
#endif
  pmsi::TextWriter out{pmsi::FilePtr(stdout)};
  if (argc < 2) {
    out.printf("usage : sortsol FICHIER.ssp...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    sortsol::ParsedJob parsed = sortsol::read_job_file(argv[i]);
    std::optional<sortsol::SortError> error = parsed.error;
    sortsol::JobFigures f;
    if (!error) {
      sortsol::SortOutcome outcome = sortsol::run_sort(parsed.job);
      error = outcome.error;
      f = outcome.figures;
    }
    if (error) {
      out.printf("sortsol : erreur %d : ", error->code);
      out.write(error->message);
      out.write("\n");
      status = 1;
      continue;
    }
    out.printf("%s : %ld lus, %ld supprimés, %ld écrits, %ld ms", argv[i], static_cast<long>(f.records_read),
               static_cast<long>(f.records_removed), static_cast<long>(f.records_written),
               static_cast<long>(f.elapsed_ms));
    if (f.runs > 0)
      out.printf(" (%ld séquences sur disque, %ld passes de fusion)", static_cast<long>(f.runs),
                 static_cast<long>(f.merge_passes));
    out.printf("\n");
  }
  out.close();
  return status;
}
