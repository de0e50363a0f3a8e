#pragma once
// Checked printf-style formatting. Every format carrying the system's
// specifiers ("%7.7s", "%6ld", "%6.2f%%") goes through here so that the
// compiler checks the arguments against the format.
#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#  if defined(__MINGW32__)
#    define PMSI_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#  else
#    define PMSI_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#  endif
#else
#  define PMSI_PRINTF(fmt, args)
#endif

namespace pmsi {

std::string format(const char* fmt, ...) PMSI_PRINTF(1, 2);
std::string vformat(const char* fmt, va_list args);

}  // namespace pmsi
