// verdan: groups the weekly summaries (RHS) of a semester.
// verdan RHS_FILE OUT_NAME SEMESTER YEAR CHAINING_MODE
#include <span>

#include "grouper/driver.h"

int main(int argc, char** argv) {
  return grouper::verdan(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
}
