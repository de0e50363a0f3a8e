#include "chaining/records.h"

#include <cstring>

namespace chaining {

int compare_key(std::string_view a, std::string_view b, std::size_t width) {
  // Whole keys without NUL, the usual case: plain byte order.
  if (a.size() >= width && b.size() >= width && !std::memchr(a.data(), '\0', width) &&
      !std::memchr(b.data(), '\0', width)) {
    int c = std::memcmp(a.data(), b.data(), width);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  for (std::size_t i = 0; i < width; ++i) {
    auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : '\0');
    auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : '\0');
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == '\0') return 0;
  }
  return 0;
}

FieldText field_text(std::string_view record, Field f) {
  FieldText t{};
  std::string_view v = field(record, f);
  std::size_t n = v.size() < sizeof t.text - 1 ? v.size() : sizeof t.text - 1;
  std::memcpy(t.text, v.data(), n);
  t.text[n] = '\0';
  return t;
}

void append_padded(std::string& out, std::string_view f, std::size_t width) {
  if (const void* nul = std::memchr(f.data(), '\0', f.size()))
    f = f.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - f.data()));
  if (f.size() > width) f = f.substr(0, width);
  out.append(width - f.size(), ' ');
  out.append(f);
}

}  // namespace chaining
