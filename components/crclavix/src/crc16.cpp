#include "crclavix/crc16.h"

#include <cstdio>
#include <vector>

#include "common/paths.h"

namespace crclavix {
namespace {

// Slicing by 4: table k gives the CRC of a byte followed by k zero bytes, so
// four bytes are folded per step.
using Tables = std::array<std::array<std::uint16_t, 256>, 4>;

constexpr Tables make_tables() {
  Tables t{};
  for (unsigned i = 0; i < 256; ++i) {
    auto c = static_cast<std::uint16_t>(i << 8);
    for (int b = 0; b < 8; ++b)
      c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
    t[0][i] = c;
  }
  for (unsigned k = 1; k < 4; ++k)
    for (unsigned i = 0; i < 256; ++i)
      t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 8]);
  return t;
}

constexpr Tables kTables = make_tables();

}  // namespace

void Crc16::update(const void* data, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  const auto& t = kTables;
  std::uint16_t c = crc_;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    // The 16-bit CRC meets the first two of the four bytes.
    unsigned b0 = ((c >> 8) ^ p[i]) & 0xFF, b1 = (c ^ p[i + 1]) & 0xFF;
    c = static_cast<std::uint16_t>(t[3][b0] ^ t[2][b1] ^ t[1][p[i + 2]] ^ t[0][p[i + 3]]);
  }
  for (; i < n; ++i) c = static_cast<std::uint16_t>((c << 8) ^ t[0][((c >> 8) ^ p[i]) & 0xFF]);
  crc_ = c;
}

std::uint16_t crc16(std::string_view bytes) {
  Crc16 c;
  c.update(bytes);
  return c.value();
}

Key key_text(std::uint16_t value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return {kHex[(value >> 12) & 0xF], kHex[(value >> 8) & 0xF], kHex[(value >> 4) & 0xF],
          kHex[value & 0xF]};
}

pmsi::Result<std::uint16_t> file_crc16(std::string_view path) {
  auto f = pmsi::open_file(path, "rb");
  if (!f) return pmsi::Error{f.error()};
  Crc16 c;
  std::vector<char> buf(1 << 16);
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), f->get())) > 0) c.update(buf.data(), n);
  if (std::ferror(f->get())) return pmsi::Error{"read error on '" + std::string(path) + "'"};
  return c.value();
}

}  // namespace crclavix
