#include "driver_console.h"

#include <string>

#include "common/cp1252.h"

namespace grouper::detail {

void console_print(std::FILE* stream, std::string_view utf8) {
  const std::string bytes = pmsi::utf8_to_cp1252(utf8).value_or(std::string(utf8));
  std::string out;
  out.reserve(bytes.size() + 4);
  for (char c : bytes) {
    if (c == '\n') out += '\r';
    out += c;
  }
  std::fwrite(out.data(), 1, out.size(), stream);
  std::fflush(stream);
}

}  // namespace grouper::detail
