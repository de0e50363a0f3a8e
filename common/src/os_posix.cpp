// POSIX side of the OS layer: case-insensitive names over a case-sensitive
// file system, and dlopen for libraries.
#ifndef _WIN32
#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/dynlib.h"
#include "common/paths.h"

namespace pmsi {
namespace {

bool lexists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

// The entry of dir equal to name without regard to ASCII case, or "".
std::string find_entry(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string found;
  while (struct dirent* e = ::readdir(d)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::string resolve(std::string_view path) {
  std::string done;  // resolved prefix, ending with '/' unless empty
  std::size_t i = 0;
  if (!path.empty() && path[0] == '/') {
    done = "/";
    i = 1;
  }
  bool matching = true;  // once a component is missing, the rest is kept as written
  while (i <= path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string_view::npos) j = path.size();
    std::string comp(path.substr(i, j - i));
    if (!comp.empty()) {
      std::string candidate = done + comp;
      if (matching && comp != "." && comp != ".." && !lexists(candidate)) {
        std::string entry = find_entry(done, comp);
        if (entry.empty())
          matching = false;
        else
          candidate = done + entry;
      }
      done = candidate;
    }
    if (j < path.size()) done += '/';
    i = j + 1;
  }
  return done;
}

bool exists(std::string_view path) {
  struct stat st;
  return ::stat(resolve(path).c_str(), &st) == 0;
}

bool is_directory(std::string_view path) {
  struct stat st;
  return ::stat(resolve(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Status remove_file(std::string_view path) {
  std::string p = resolve(path);
  if (::remove(p.c_str()) != 0) return Error{"cannot delete '" + p + "': " + std::strerror(errno)};
  return {};
}

Status rename_file(std::string_view from, std::string_view to) {
  std::string a = resolve(from), b = resolve(to);
  if (::rename(a.c_str(), b.c_str()) != 0)
    return Error{"cannot rename '" + a + "' to '" + b + "': " + std::strerror(errno)};
  return {};
}

Status make_directory(std::string_view path) {
  std::string p = resolve(path);
  if (::mkdir(p.c_str(), 0777) != 0 && errno != EEXIST)
    return Error{"cannot create directory '" + p + "': " + std::strerror(errno)};
  return {};
}

std::string library_file_name(std::string_view name) { return "lib" + std::string(name) + ".so"; }

Result<DynLib> DynLib::load(std::string_view dir, std::string_view name) {
  std::string p = resolve(join(dir, library_file_name(name)));
  // A bare file name would make dlopen search the system paths.
  if (p.find('/') == std::string::npos) p = "./" + p;
  void* h = ::dlopen(p.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* why = ::dlerror();
    return Error{"cannot load library '" + p + "': " + (why ? why : "unknown error")};
  }
  return DynLib(h);
}

Result<void*> DynLib::symbol(const char* entry) const {
  if (!handle_) return Error{std::string("library released, no entry '") + entry + "'"};
  ::dlerror();
  void* s = ::dlsym(handle_, entry);
  if (!s) return Error{std::string("entry '") + entry + "' not found in library"};
  return s;
}

void DynLib::release() {
  if (handle_) ::dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace pmsi
#endif
