#include "chaining/files.h"

#include "common/paths.h"

namespace chaining {

std::string work_dir(std::string_view program_dir) {
  std::string w = pmsi::resolve(pmsi::join(program_dir, "wks"));
  w += pmsi::kSeparator;
  return w;
}

pmsi::Result<LineReader> LineReader::open(std::string_view path) {
  auto r = pmsi::TextReader::open(path);
  if (!r) return pmsi::Error{r.error()};
  return LineReader(std::move(r.value()));
}

bool LineReader::next(std::string& line) {
  line.clear();
  bool any = false;
  while (std::size_t n = reader_.read_line(buf_.data(), buf_.size())) {
    any = true;
    if (buf_[n - 1] == '\n') {
      line.append(buf_.data(), n - 1);
      return true;
    }
    line.append(buf_.data(), n);
  }
  return any;
}

}  // namespace chaining
