#pragma once
// Paths as the system sees them: a program directory taken from argv[0],
// the platform's separator, and names matched without regard to case (the
// system names "wks" and "WKS", "srhab.$$$" and "SRHAb.$$$" alike).
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/result.h"

namespace pmsi {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

bool is_separator(char c);

// Drive and directory of a program path, as "%s%s" of the two, keeping the
// trailing separator: "C:\\prog\\verdan.exe" gives "C:\\prog\\", "./verdan"
// gives "./", a bare name gives "" (the current directory).
std::string program_dir(std::string_view argv0);

// dir + separator + name; no separator is added when dir is empty or already
// ends with one.
std::string join(std::string_view dir, std::string_view name);

// The path as it exists on disk: each component is taken as written when it
// exists, else the first directory entry equal to it without regard to ASCII
// case. Components that match nothing are kept as written, so a new file is
// created with its written name inside the directory as resolved.
std::string resolve(std::string_view path);

bool exists(std::string_view path);
bool is_directory(std::string_view path);
Status remove_file(std::string_view path);
Status rename_file(std::string_view from, std::string_view to);
Status make_directory(std::string_view path);

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file through resolve(). Files are always opened in binary at the
// OS level: text-mode translation is done by TextReader and TextWriter, the
// same on every platform. mode is one of "rb", "wb", "ab", "r+b".
Result<FilePtr> open_file(std::string_view path, const char* mode);

}  // namespace pmsi
