#include "common/textfile.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/cp1252.h"

namespace pmsi {
namespace {
constexpr std::size_t kBufferSize = 1 << 16;

bool is_ascii(const char* s) {
  for (; *s; ++s)
    if (static_cast<unsigned char>(*s) >= 0x80) return false;
  return true;
}
}  // namespace

// ---- TextReader ----

Result<TextReader> TextReader::open(std::string_view path) {
  auto f = open_file(path, "rb");
  if (!f) return Error{f.error()};
  return TextReader(std::move(f.value()));
}

TextReader::TextReader(FilePtr file) : file_(std::move(file)), buf_(kBufferSize) {}

bool TextReader::refill() {
  if (eof_ || failed_) return false;
  end_ = std::fread(buf_.data(), 1, buf_.size(), file_.get());
  pos_ = 0;
  if (end_ == 0) {
    if (std::ferror(file_.get())) failed_ = true;
    eof_ = true;
    return false;
  }
  return true;
}

int TextReader::next_byte() {
  if (pos_ == end_ && !refill()) return -1;
  return static_cast<unsigned char>(buf_[pos_++]);
}

std::size_t TextReader::read_line(char* out, std::size_t n) {
  if (n == 0) return 0;
  std::size_t len = 0;
  while (len + 1 < n) {
    if (pos_ == end_ && !refill()) break;
    // Fast path: copy plain bytes up to the next CR or LF.
    std::size_t room = n - 1 - len;
    std::size_t avail = end_ - pos_;
    std::size_t take = avail < room ? avail : room;
    const char* src = buf_.data() + pos_;
    // k: the first CR or LF; two memchr scans beat one byte loop.
    const void* lf = std::memchr(src, '\n', take);
    std::size_t k = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - src) : take;
    if (const void* cr = std::memchr(src, '\r', k)) k = static_cast<std::size_t>(static_cast<const char*>(cr) - src);
    std::memcpy(out + len, src, k);
    len += k;
    pos_ += k;
    if (k < take) {
      char c = buf_[pos_++];
      if (c == '\n') {
        out[len++] = '\n';
        break;
      }
      // CR: becomes LF when an LF follows, else stays.
      int next = next_byte();
      if (next == '\n') {
        out[len++] = '\n';
        break;
      }
      if (next >= 0) --pos_;  // next_byte never refills past a byte it returned
      out[len++] = '\r';
    }
  }
  out[len] = '\0';
  return len;
}

// ---- TextWriter ----

Result<TextWriter> TextWriter::open(std::string_view path, WriteMode mode) {
  auto f = open_file(path, mode == WriteMode::append ? "ab" : "wb");
  if (!f) return Error{f.error()};
  return TextWriter(std::move(f.value()));
}

TextWriter::TextWriter(FilePtr file) : file_(std::move(file)), out_(kBufferSize) {}

TextWriter::TextWriter(TextWriter&& o) noexcept
    : file_(std::move(o.file_)), out_(std::move(o.out_)), used_(std::exchange(o.used_, 0)),
      failed_(o.failed_) {}

TextWriter& TextWriter::operator=(TextWriter&& o) noexcept {
  if (this != &o) {
    close();
    file_ = std::move(o.file_);
    out_ = std::move(o.out_);
    used_ = std::exchange(o.used_, 0);
    failed_ = o.failed_;
  }
  return *this;
}

TextWriter::~TextWriter() { close(); }

bool TextWriter::drain() {
  if (used_ == 0 || !file_) return !failed_;
  if (std::fwrite(out_.data(), 1, used_, file_.get()) != used_) failed_ = true;
  used_ = 0;
  return !failed_;
}

void TextWriter::put_raw(const char* data, std::size_t n) {
  while (n > 0) {
    // Copy up to the next LF in one piece, then write the LF as CR LF.
    const void* lf = std::memchr(data, '\n', n);
    std::size_t plain = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : n;
    while (plain > 0) {
      if (used_ == out_.size()) drain();
      std::size_t take = std::min(plain, out_.size() - used_);
      std::memcpy(out_.data() + used_, data, take);
      used_ += take;
      data += take;
      plain -= take;
      n -= take;
    }
    if (lf) {
      if (out_.size() - used_ < 2) drain();
      out_[used_++] = '\r';
      out_[used_++] = '\n';
      ++data;
      --n;
    }
  }
}

void TextWriter::write(std::string_view bytes) { put_raw(bytes.data(), bytes.size()); }

bool TextWriter::text(std::string_view utf8) {
  auto b = utf8_to_cp1252(utf8);
  if (!b) return !(failed_ = true);
  write(*b);
  return true;
}

bool TextWriter::printf(const char* fmt, ...) {
  std::string converted;
  const char* f = fmt;
  if (!is_ascii(fmt)) {
    auto b = utf8_to_cp1252(fmt);
    if (!b) return !(failed_ = true);
    converted = std::move(*b);
    f = converted.c_str();
  }
  va_list args;
  va_start(args, fmt);
  std::string s = vformat(f, args);
  va_end(args);
  write(s);
  return true;
}

bool TextWriter::flush() {
  if (!drain() || !file_) return false;
  if (std::fflush(file_.get()) != 0) failed_ = true;
  return !failed_;
}

bool TextWriter::close() {
  if (!file_) return !failed_;
  flush();
  if (std::fclose(file_.release()) != 0) failed_ = true;
  return !failed_;
}

}  // namespace pmsi
