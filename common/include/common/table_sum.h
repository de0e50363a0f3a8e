#pragma once
// table_sum: the 4-byte sum that closes the table files and seals an RHA file.
// A rotating 16-bit sum r and a plain 16-bit sum s over the bytes; the result
// is r (big-endian) then s rotated right by one bit (big-endian).
// Over the bytes 1, 2, 3 it gives 0, 22, 0, 3.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/result.h"

namespace pmsi {

using Sum4 = std::array<std::uint8_t, 4>;

class TableSum {
 public:
  void update(std::span<const std::uint8_t> bytes);
  void update(std::string_view bytes);
  Sum4 result() const;

 private:
  std::uint16_t r_ = 0, s_ = 0;
};

Sum4 table_sum(std::span<const std::uint8_t> bytes);
Sum4 table_sum(std::string_view bytes);
// Streams a whole file of any size.
Result<Sum4> table_sum_file(std::string_view path);

}  // namespace pmsi
