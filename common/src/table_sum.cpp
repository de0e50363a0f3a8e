#include "common/table_sum.h"

#include <vector>

#include "common/paths.h"

namespace pmsi {

void TableSum::update(std::span<const std::uint8_t> bytes) {
  std::uint16_t r = r_, s = s_;
  for (std::uint8_t c : bytes) {
    r = static_cast<std::uint16_t>(r + c);
    r = static_cast<std::uint16_t>((r << 1) | (r >> 15));
    s = static_cast<std::uint16_t>(s + c);
  }
  r_ = r, s_ = s;
}

void TableSum::update(std::string_view bytes) {
  update({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

Sum4 TableSum::result() const {
  auto t = static_cast<std::uint16_t>((s_ >> 1) | (s_ << 15));
  return {static_cast<std::uint8_t>(r_ >> 8), static_cast<std::uint8_t>(r_ & 0xFF),
          static_cast<std::uint8_t>(t >> 8), static_cast<std::uint8_t>(t & 0xFF)};
}

Sum4 table_sum(std::span<const std::uint8_t> bytes) {
  TableSum sum;
  sum.update(bytes);
  return sum.result();
}

Sum4 table_sum(std::string_view bytes) {
  TableSum sum;
  sum.update(bytes);
  return sum.result();
}

Result<Sum4> table_sum_file(std::string_view path) {
  auto f = open_file(path, "rb");
  if (!f) return Error{f.error()};
  TableSum sum;
  std::vector<std::uint8_t> buf(1 << 16);
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), f->get())) > 0) sum.update({buf.data(), n});
  if (std::ferror(f->get())) return Error{"read error: " + std::string(path)};
  return sum.result();
}

}  // namespace pmsi
