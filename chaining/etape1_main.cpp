// etape1 ANO-HOSP HOSP-PMSI: chaining step 1.
#include "chaining/etape1.h"
#include "common/paths.h"

int main(int argc, char** argv) {
  return chaining::etape1(pmsi::program_dir(argc > 0 ? argv[0] : ""), argc > 1 ? argv[1] : "",
                          argc > 2 ? argv[2] : "");
}
