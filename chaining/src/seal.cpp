#include "chaining/seal.h"

#include <cstdio>
#include <vector>

#include "common/paths.h"
#include "common/table_sum.h"

namespace chaining {

pmsi::Status seal_rha(std::string_view rha_path, const Key& key) {
  // "r+b" never creates the file.
  auto f = pmsi::open_file(rha_path, "r+b");
  if (!f) return pmsi::Error{f.error()};
  std::FILE* fp = f->get();
  // The sum runs over the file as it will stand once the key is appended: the
  // present bytes, then the key.
  pmsi::TableSum sum;
  std::vector<std::uint8_t> buf(1 << 16);
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), fp)) > 0) sum.update({buf.data(), n});
  if (std::ferror(fp)) return pmsi::Error{"read error on '" + std::string(rha_path) + "'"};
  std::string_view key_text(key.data(), key.size());
  sum.update(key_text);
  pmsi::Sum4 s = sum.result();
  char seal[8] = {key[0], key[1], key[2], key[3], static_cast<char>(s[0]),
                  static_cast<char>(s[1]), static_cast<char>(s[2]), static_cast<char>(s[3])};
  if (std::fseek(fp, 0, SEEK_END) != 0 || std::fwrite(seal, 1, sizeof seal, fp) != sizeof seal ||
      std::fclose(f->release()) != 0)
    return pmsi::Error{"write error on '" + std::string(rha_path) + "'"};
  return {};
}

}  // namespace chaining
