// The C entries of the shared library over the key code.
#include <cstring>
#include <string_view>

#include "crclavix/crc16.h"
#include "crclavix/crclavix.h"

namespace {

void put(std::uint16_t crc, int* value, char* key) {
  if (value) *value = crc;
  if (key) {
    crclavix::Key k = crclavix::key_text(crc);
    std::memcpy(key, k.data(), k.size());
  }
}

}  // namespace

extern "C" CRCLAVIX_API void CalcCRC16(const char* data, int length, int* value, char* key) {
  std::string_view bytes;
  if (data && length > 0) bytes = {data, static_cast<std::size_t>(length)};
  put(crclavix::crc16(bytes), value, key);
}

extern "C" CRCLAVIX_API void CalcFileCRC16(const char* path, int* value, short* status, char* key) {
  if (!path) {
    if (status) *status = 1;
    return;
  }
  auto crc = crclavix::file_crc16(path);
  if (!crc) {
    if (status) *status = 1;
    return;
  }
  if (status) *status = 0;
  put(crc.value(), value, key);
}
