#pragma once
// The checksum library as etape1 and etape2 use it: loaded at run time by its
// file name from the program directory, one entry looked up by name, released
// at a fixed point of the run.
#include <array>
#include <string>
#include <string_view>

#include "common/dynlib.h"
#include "common/result.h"

namespace chaining {

// The entries as the library exports them (C linkage). The key buffer gets
// its first 4 characters written.
using CalcCRC16Fn = void (*)(const char* data, int length, int* value, char* key);
using CalcFileCRC16Fn = void (*)(const char* path, int* value, short* status, char* key);

using Key = std::array<char, 4>;

// What the callers pre-fill the key buffer with.
inline constexpr char kKeyBufferFill[] = "000000000";

// CalcCRC16, for the integrity keys of ANO-HOSP records (etape1).
class RecordKeys {
 public:
  // An error when the library or its entry cannot be found.
  static pmsi::Result<RecordKeys> load(std::string_view program_dir);

  Key key(std::string_view data) const;
  // A record is sound when the key of its characters from `keyed_from` on
  // equals its own first 4 characters.
  bool sound(std::string_view record, std::size_t keyed_from) const;
  void release() { lib_.release(); }

 private:
  RecordKeys(pmsi::DynLib lib, CalcCRC16Fn fn) : lib_(std::move(lib)), fn_(fn) {}
  pmsi::DynLib lib_;
  CalcCRC16Fn fn_;
};

// CalcFileCRC16, for the key of the chaining file that seals the RHA (etape2).
class FileKeys {
 public:
  static pmsi::Result<FileKeys> load(std::string_view program_dir);

  struct Outcome {
    Key key;       // the first 4 characters of the buffer, whatever the status
    short status;  // 0 on success
  };
  Outcome key(const std::string& path) const;
  void release() { lib_.release(); }

 private:
  FileKeys(pmsi::DynLib lib, CalcFileCRC16Fn fn) : lib_(std::move(lib)), fn_(fn) {}
  pmsi::DynLib lib_;
  CalcFileCRC16Fn fn_;
};

}  // namespace chaining
