#include "common/paths.h"

#include <cerrno>
#include <cstring>

namespace pmsi {

bool is_separator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

std::string program_dir(std::string_view argv0) {
  std::size_t cut = 0;
#ifdef _WIN32
  if (argv0.size() >= 2 && argv0[1] == ':') cut = 2;  // the drive alone is a directory
#endif
  for (std::size_t i = 0; i < argv0.size(); ++i)
    if (is_separator(argv0[i])) cut = i + 1;
  return std::string(argv0.substr(0, cut));
}

std::string join(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && !is_separator(out.back())
#ifdef _WIN32
      && !(out.size() == 2 && out[1] == ':')
#endif
  )
    out += kSeparator;
  out += name;
  return out;
}

Result<FilePtr> open_file(std::string_view path, const char* mode) {
  std::string real = resolve(path);
  std::FILE* f = std::fopen(real.c_str(), mode);
  if (!f) return Error{"cannot open '" + real + "': " + std::strerror(errno)};
  return FilePtr(f);
}

}  // namespace pmsi
