#pragma once
// Test support: a program directory of its own per test, the programs run as
// separate processes, and readings of the chaining files.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace chaining_test {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p);
void write_file(const fs::path& p, std::string_view bytes);

// Lines joined with CR LF, each ended by CR LF (the last one too unless
// final_line_end is false).
std::string crlf(const std::vector<std::string>& lines, bool final_line_end = true);

// A temporary program directory with its working directory (named wks_name)
// and, optionally, the checksum library; removed at the end.
class TempProgramDir {
 public:
  explicit TempProgramDir(bool with_library = true, const std::string& wks_name = "wks");
  ~TempProgramDir();
  TempProgramDir(const TempProgramDir&) = delete;
  TempProgramDir& operator=(const TempProgramDir&) = delete;

  const fs::path& dir() const { return dir_; }
  const fs::path& wks() const { return wks_; }
  // The directory as the programs derive it from their path: with a
  // trailing separator.
  std::string program_dir() const;
  // Copies a built program (name without suffix) into the directory.
  void install(const std::string& program);
  // Runs an installed program with the given words; returns its exit code.
  int run(const std::string& program, const std::vector<std::string>& args) const;

 private:
  fs::path dir_, wks_;
};

// The findings of a chaining error file as "CODE:line", in order.
std::vector<std::string> findings(const std::string& err);

// The figures of a chaining report, in order (the number ending each line
// that has one).
std::vector<int> figures(const std::string& log);

}  // namespace chaining_test
