// Windows side of the OS layer. The file system already matches names without
// regard to case, so a path resolves to itself.
#ifdef _WIN32
#include <direct.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/dynlib.h"
#include "common/paths.h"

namespace pmsi {

std::string resolve(std::string_view path) { return std::string(path); }

bool exists(std::string_view path) {
  return ::GetFileAttributesA(std::string(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_directory(std::string_view path) {
  DWORD a = ::GetFileAttributesA(std::string(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

Status remove_file(std::string_view path) {
  std::string p(path);
  if (::remove(p.c_str()) != 0) return Error{"cannot delete '" + p + "': " + std::strerror(errno)};
  return {};
}

Status rename_file(std::string_view from, std::string_view to) {
  std::string a(from), b(to);
  if (!::MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING))
    return Error{"cannot rename '" + a + "' to '" + b + "'"};
  return {};
}

Status make_directory(std::string_view path) {
  std::string p(path);
  if (::_mkdir(p.c_str()) != 0 && errno != EEXIST)
    return Error{"cannot create directory '" + p + "': " + std::strerror(errno)};
  return {};
}

std::string library_file_name(std::string_view name) { return std::string(name) + ".dll"; }

Result<DynLib> DynLib::load(std::string_view dir, std::string_view name) {
  std::string p = join(dir, library_file_name(name));
  if (p.find('\\') == std::string::npos && p.find('/') == std::string::npos) p = ".\\" + p;
  HMODULE h = ::LoadLibraryA(p.c_str());
  if (!h) return Error{"cannot load library '" + p + "' (error " + std::to_string(::GetLastError()) + ")"};
  return DynLib(reinterpret_cast<void*>(h));
}

Result<void*> DynLib::symbol(const char* entry) const {
  if (!handle_) return Error{std::string("library released, no entry '") + entry + "'"};
  FARPROC s = ::GetProcAddress(reinterpret_cast<HMODULE>(handle_), entry);
  if (!s) return Error{std::string("entry '") + entry + "' not found in library"};
  return reinterpret_cast<void*>(s);
}

void DynLib::release() {
  if (handle_) ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

}  // namespace pmsi
#endif
