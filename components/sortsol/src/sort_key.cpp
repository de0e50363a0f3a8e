#include "sort_key.h"

#include <cstring>

#include "common/fields.h"

namespace sortsol {
namespace {

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// memcpy that accepts the null data of an empty field.
void copy(unsigned char* to, const char* from, std::size_t n) {
  if (n > 0) std::memcpy(to, from, n);
}

void put_count(unsigned char* out, std::size_t marker, std::size_t count) {
  for (std::size_t i = 0; i < marker; ++i) out[marker - 1 - i] = static_cast<unsigned char>(count >> (8 * i));
}

// Leading blanks then digits to the end of the part; writes the digits
// right-aligned and 0-padded in part.size() characters.
bool normalise_date_part(std::string_view part, unsigned char* out) {
  std::size_t i = 0;
  while (i < part.size() && part[i] == ' ') ++i;
  if (i == part.size()) return false;
  for (std::size_t j = i; j < part.size(); ++j)
    if (!is_digit(static_cast<unsigned char>(part[j]))) return false;
  std::memset(out, '0', i);
  copy(out + i, part.data() + i, part.size() - i);
  return true;
}

}  // namespace

KeyLayout::KeyLayout(const std::vector<KeyField>& keys) {
  for (const KeyField& k : keys) {
    Segment s{k, 0};
    switch (k.kind) {
      case KeyKind::string:
        s.marker = k.length <= 0xFF ? 1 : k.length <= 0xFFFF ? 2 : 3;
        width_ += k.length + s.marker;
        break;
      case KeyKind::uint_s: width_ += 1 + k.length; break;
      case KeyKind::date: width_ += 1 + 8 + 1; break;
    }
    segments_.push_back(s);
  }
}

void KeyLayout::encode(std::string_view record, unsigned char* out) const {
  for (const Segment& s : segments_) {
    const std::string_view f = pmsi::field(record, s.key.offset, s.key.length);
    switch (s.key.kind) {
      case KeyKind::string: {
        copy(out, f.data(), f.size());
        std::memset(out + f.size(), 0, s.key.length - f.size());
        put_count(out + s.key.length, s.marker, f.size());
        out += s.key.length + s.marker;
        break;
      }
      case KeyKind::uint_s: {
        const std::size_t len = s.key.length;
        out[0] = f.empty() ? 0 : 1;
        std::size_t i = 0;
        while (i < f.size() && f[i] == ' ') ++i;
        std::size_t j = i;
        while (j < f.size() && is_digit(static_cast<unsigned char>(f[j]))) ++j;
        const std::size_t digits = j - i;
        std::memset(out + 1, f.empty() ? 0 : '0', len - digits);
        copy(out + 1 + len - digits, f.data() + i, digits);
        out += 1 + len;
        break;
      }
      case KeyKind::date: {
        unsigned char* body = out + 1;
        std::memset(body, 0, 9);
        if (f.empty()) {
          out[0] = 0;
        } else if (pmsi::is_blank(f)) {
          out[0] = 1;
        } else if (f.size() == 8 && normalise_date_part(f.substr(4, 4), body) &&
                   normalise_date_part(f.substr(2, 2), body + 4) && normalise_date_part(f.substr(0, 2), body + 6)) {
          out[0] = 2;
          body[8] = 8;
        } else {
          out[0] = 3;
          std::memset(body, 0, 8);
          copy(body, f.data(), f.size());
          body[8] = static_cast<unsigned char>(f.size());
        }
        out += 10;
        break;
      }
    }
  }
}

}  // namespace sortsol
