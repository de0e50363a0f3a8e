#pragma once
// Windows text-mode files: CR LF becomes LF on reading (a lone CR stays), and
// every "\n" written becomes CR LF. Content is bytes; only the system's own
// texts (format strings) are converted from UTF-8 to Windows-1252.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/format.h"
#include "common/paths.h"
#include "common/result.h"

namespace pmsi {

class TextReader {
 public:
  static Result<TextReader> open(std::string_view path);
  explicit TextReader(FilePtr file);

  // fgets on a text-mode stream: reads at most n-1 characters into buf,
  // stopping after the first LF, and terminates them with NUL. A longer line
  // comes in successive pieces. Returns the number of characters stored
  // (which may include NUL bytes of the content); 0 means end of file.
  std::size_t read_line(char* buf, std::size_t n);

  bool eof() const { return eof_; }
  bool failed() const { return failed_; }

 private:
  int next_byte();  // next raw byte or -1
  bool refill();

  FilePtr file_;
  std::vector<char> buf_;
  std::size_t pos_ = 0, end_ = 0;
  bool eof_ = false, failed_ = false;
};

enum class WriteMode { truncate, append };

class TextWriter {
 public:
  static Result<TextWriter> open(std::string_view path, WriteMode mode = WriteMode::truncate);
  explicit TextWriter(FilePtr file);
  TextWriter(TextWriter&&) noexcept;
  TextWriter& operator=(TextWriter&&) noexcept;
  ~TextWriter();

  // The format is the system's UTF-8 text, converted to Windows-1252 before
  // formatting; the arguments are bytes and are not converted. Returns false
  // (and marks the writer failed) if the format cannot be encoded.
  bool printf(const char* fmt, ...) PMSI_PRINTF(2, 3);
  // Writes record bytes unchanged but for "\n" -> CR LF.
  void write(std::string_view bytes);
  // Writes a system text (UTF-8) converted to Windows-1252.
  bool text(std::string_view utf8);

  bool flush();
  // Flushes and closes; false when any write failed.
  bool close();
  bool failed() const { return failed_; }
  std::FILE* handle() { return file_.get(); }

 private:
  void put_raw(const char* data, std::size_t n);
  bool drain();

  FilePtr file_;
  std::vector<char> out_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace pmsi
