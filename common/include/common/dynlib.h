#pragma once
// Run-time loading of a library by file name from a given directory, and
// lookup of its entries by name (dlopen/dlsym here, LoadLibrary/GetProcAddress
// on Windows).
#include <string>
#include <string_view>

#include "common/result.h"

namespace pmsi {

// "crclavix" -> "libcrclavix.so" here, "crclavix.dll" on Windows.
std::string library_file_name(std::string_view name);

class DynLib {
 public:
  // Loads dir/library_file_name(name).
  static Result<DynLib> load(std::string_view dir, std::string_view name);
  DynLib(DynLib&&) noexcept;
  DynLib& operator=(DynLib&&) noexcept;
  ~DynLib();

  Result<void*> symbol(const char* entry) const;
  template <class Fn>
  Result<Fn> function(const char* entry) const {
    auto s = symbol(entry);
    if (!s) return Error{s.error()};
    return reinterpret_cast<Fn>(s.value());
  }
  // Releases the library now (as the programs do at a fixed point).
  void release();

 private:
  explicit DynLib(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

}  // namespace pmsi
