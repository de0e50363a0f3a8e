#include "chaining/records.h"

#include <cstring>

namespace chaining {

int compare_key(std::string_view a, std::string_view b, std::size_t width) {
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

}  // namespace chaining
