#include "common/dynlib.h"

#include <utility>

namespace pmsi {

DynLib::DynLib(DynLib&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}

DynLib& DynLib::operator=(DynLib&& o) noexcept {
  if (this != &o) {
    release();
    handle_ = std::exchange(o.handle_, nullptr);
  }
  return *this;
}

DynLib::~DynLib() { release(); }

}  // namespace pmsi
