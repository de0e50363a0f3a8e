#pragma once
// Keys of a record, normalised so that comparing the bytes of two normalised
// keys (memcmp) orders the records as the KEY lines say. Each KEY line gives
// one fixed-width segment:
//   String  the field's bytes, 0-padded, then the count of bytes the record
//           holds (1 to 3 bytes, big-endian): a missing byte sorts first.
//   UIntS   a presence byte (0: the record does not reach the field), then
//           the number's digits right-aligned in `length` characters.
//   Date    a class byte (0 not reached, 1 blank, 2 date, 3 other), then
//           YYYYMMDD for a date or the raw bytes otherwise, then their count.
#include <cstddef>
#include <string_view>
#include <vector>

#include "job_file.h"

namespace sortsol {

class KeyLayout {
 public:
  explicit KeyLayout(const std::vector<KeyField>& keys);
  std::size_t width() const { return width_; }
  // Writes width() bytes to out.
  void encode(std::string_view record, unsigned char* out) const;

 private:
  struct Segment {
    KeyField key;
    std::size_t marker = 0;  // bytes of the present-count of a String key
  };
  std::vector<Segment> segments_;
  std::size_t width_ = 0;
};

}  // namespace sortsol
