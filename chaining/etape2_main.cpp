// etape2 N: chaining step 2.
#include "chaining/etape2.h"
#include "common/paths.h"

int main(int argc, char** argv) {
  return chaining::etape2(pmsi::program_dir(argc > 0 ? argv[0] : ""), argc > 1 ? argv[1] : "");
}
