// crclavix: the integrity keys of files and records, for maintainers.
#include <cstdio>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "crclavix/crc16.h"
#include "crclavix/record_keys.h"

namespace {

constexpr const char* kUsage =
    "usage: crclavix FILE...\n"
    "       crclavix --records FILE\n"
    "\n"
    "Prints the 4-character integrity key (CRC-16/CCITT-FALSE, \"%04X\") of each\n"
    "FILE, one line per file: KEY, two blanks, the file name.\n"
    "\n"
    "--records FILE  writes every line of FILE to standard output with its\n"
    "                integrity key in front and a CR LF line end: the records\n"
    "                of an ANO-HOSP file are made this way from their\n"
    "                characters 5 to the end.\n";

int file_keys(int argc, char** argv) {
  int rc = 0;
  for (int i = 1; i < argc; ++i) {
    auto crc = crclavix::file_crc16(argv[i]);
    if (!crc) {
      std::fprintf(stderr, "crclavix: error: '%s': %s\n", argv[i], crc.error().c_str());
      rc = 1;
      continue;
    }
    crclavix::Key k = crclavix::key_text(crc.value());
    std::printf("%.4s  %s\n", k.data(), argv[i]);
  }
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--records") == 0) {
    if (argc != 3) {
      std::fputs(kUsage, stderr);
      return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // the CR LF line ends are written as bytes
#endif
    auto st = crclavix::write_record_keys(argv[2], stdout);
    if (!st) {
      std::fprintf(stderr, "crclavix: error: '%s': %s\n", argv[2], st.error().c_str());
      return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  return file_keys(argc, argv);
}
