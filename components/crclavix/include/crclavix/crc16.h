#pragma once
// The integrity key of the checksum library: CRC-16/CCITT-FALSE (polynomial
// 0x1021, initial value 0xFFFF, no reflection, no final xor) over the bytes,
// written as 4 upper-case hexadecimal digits. "123456789" gives 29B1.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/result.h"

namespace crclavix {

using Key = std::array<char, 4>;

// Streaming form, for files of any size.
class Crc16 {
 public:
  void update(const void* data, std::size_t n);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  std::uint16_t value() const { return crc_; }

 private:
  std::uint16_t crc_ = 0xFFFF;
};

std::uint16_t crc16(std::string_view bytes);

// "%04X" of the value, without a terminating NUL.
Key key_text(std::uint16_t value);

// CRC of a whole file, read in blocks.
pmsi::Result<std::uint16_t> file_crc16(std::string_view path);

}  // namespace crclavix
