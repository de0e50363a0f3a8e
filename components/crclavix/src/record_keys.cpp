#include "crclavix/record_keys.h"

#include <vector>

#include "common/textfile.h"
#include "crclavix/crc16.h"

namespace crclavix {

std::string keyed_record(std::string_view record) {
  Key k = key_text(crc16(record));
  std::string out(k.data(), k.size());
  out += record;
  return out;
}

pmsi::Status write_record_keys(std::string_view path, std::FILE* out) {
  auto reader = pmsi::TextReader::open(path);
  if (!reader) return pmsi::Error{reader.error()};
  std::vector<char> buf(1 << 12);
  std::string line;
  bool pending = false;
  auto emit = [&] {
    std::string rec = keyed_record(line);
    rec += "\r\n";
    std::fwrite(rec.data(), 1, rec.size(), out);
    line.clear();
    pending = false;
  };
  while (std::size_t n = reader->read_line(buf.data(), buf.size())) {
    pending = true;
    if (buf[n - 1] == '\n') {
      line.append(buf.data(), n - 1);
      emit();
    } else {
      line.append(buf.data(), n);
    }
  }
  if (pending) emit();
  if (reader->failed()) return pmsi::Error{"read error on '" + std::string(path) + "'"};
  if (std::ferror(out)) return pmsi::Error{"write error"};
  return {};
}

}  // namespace crclavix
