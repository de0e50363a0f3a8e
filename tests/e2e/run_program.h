#pragma once
// Starts a program of a temporary program directory with that directory as
// its current directory and a relative argv[0], waits for it, and gives its
// exit code as Linux shows it (Windows' -1 is 255 too).
#include <string>
#include <vector>

namespace e2e {

struct ProgramExit {
  bool exited = false;  // false: killed by a signal, or the start failed
  int code = 0;         // 0-255
  std::string failure;  // why it did not exit normally
};

ProgramExit run_program(const std::string& dir, const std::string& program,
                        const std::vector<std::string>& words);

}  // namespace e2e
