#pragma once
// Console output of verdan: system texts (UTF-8 in the source) written in
// Windows-1252 with CR LF line ends, as the programs' own files are.
#include <cstdio>
#include <string_view>

namespace grouper::detail {

void console_print(std::FILE* stream, std::string_view utf8);

}  // namespace grouper::detail
