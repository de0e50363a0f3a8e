#include "chaining/crclavix_interface.h"

#include <climits>
#include <cstring>

namespace chaining {
namespace {

constexpr const char* kLibraryName = "crclavix";

Key first_four(const char* buffer) {
  Key k;
  std::memcpy(k.data(), buffer, k.size());
  return k;
}

}  // namespace

pmsi::Result<RecordKeys> RecordKeys::load(std::string_view program_dir) {
  auto lib = pmsi::DynLib::load(program_dir, kLibraryName);
  if (!lib) return pmsi::Error{lib.error()};
  auto entry = lib->symbol("CalcCRC16");
  if (!entry) return pmsi::Error{entry.error()};
  return RecordKeys(std::move(lib.value()), reinterpret_cast<CalcCRC16Fn>(entry.value()));
}

Key RecordKeys::key(std::string_view data) const {
  char buffer[sizeof kKeyBufferFill];
  std::memcpy(buffer, kKeyBufferFill, sizeof buffer);
  int value = 0;
  int length = data.size() > INT_MAX ? INT_MAX : static_cast<int>(data.size());
  fn_(data.data(), length, &value, buffer);
  return first_four(buffer);
}

bool RecordKeys::sound(std::string_view record, std::size_t keyed_from) const {
  std::string_view data = record.size() > keyed_from ? record.substr(keyed_from) : std::string_view{};
  Key k = key(data);
  // A record shorter than its key compares its missing characters as NUL.
  for (std::size_t i = 0; i < k.size(); ++i)
    if (k[i] != (i < record.size() ? record[i] : '\0')) return false;
  return true;
}

pmsi::Result<FileKeys> FileKeys::load(std::string_view program_dir) {
  auto lib = pmsi::DynLib::load(program_dir, kLibraryName);
  if (!lib) return pmsi::Error{lib.error()};
  auto entry = lib->symbol("CalcFileCRC16");
  if (!entry) return pmsi::Error{entry.error()};
  return FileKeys(std::move(lib.value()), reinterpret_cast<CalcFileCRC16Fn>(entry.value()));
}

FileKeys::Outcome FileKeys::key(const std::string& path) const {
  char buffer[sizeof kKeyBufferFill];
  std::memcpy(buffer, kKeyBufferFill, sizeof buffer);
  int value = 0;
  short status = 0;
  fn_(path.c_str(), &value, &status, buffer);
  return {first_four(buffer), status};
}

}  // namespace chaining
