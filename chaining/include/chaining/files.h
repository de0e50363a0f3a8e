#pragma once
// Files of the chaining programs: the working directory derived from the
// program directory, and the line reader of their inputs.
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/textfile.h"

namespace chaining {

// The program directory followed by "wks" and a separator, "wks" matched
// without regard to case.
std::string work_dir(std::string_view program_dir);

// Reads text lines whole, whatever their length. A line loses its last
// character only when that character is the line end, so a last line
// without line end keeps all its characters.
class LineReader {
 public:
  static pmsi::Result<LineReader> open(std::string_view path);

  // The next line without its line end; false at the end of the file.
  bool next(std::string& line);

 private:
  explicit LineReader(pmsi::TextReader reader) : reader_(std::move(reader)), buf_(1 << 12) {}
  pmsi::TextReader reader_;
  std::vector<char> buf_;
};

}  // namespace chaining
