#include "record_io.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "common/format.h"
#include "sortsol/sortsol.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace sortsol {

// ---- OutputFile ----

OutputFile::OutputFile(WriteFn write, std::size_t buffer_size)
    : write_(write ? write : &std::fwrite), buf_(buffer_size < 4096 ? 4096 : buffer_size) {}

bool OutputFile::open(const std::string& path) {
  errno = 0;
  auto f = pmsi::open_file(path, "wb");
  if (!f) {
    errno_ = errno;
    failed_ = true;
    return false;
  }
  file_ = std::move(f.value());
  return true;
}

bool OutputFile::drain() {
  if (failed_ || !file_) {
    used_ = 0;
    return false;
  }
  if (used_ > 0) {
    errno = 0;
    if (write_(buf_.data(), 1, used_, file_.get()) != used_) {
      errno_ = errno;
      failed_ = true;
    }
  }
  used_ = 0;
  return !failed_;
}

void OutputFile::put(const char* data, std::size_t n) {
  bytes_ += n;
  while (n > 0) {
    if (used_ == buf_.size() && !drain()) return;
    std::size_t take = buf_.size() - used_ < n ? buf_.size() - used_ : n;
    std::memcpy(buf_.data() + used_, data, take);
    used_ += take;
    data += take;
    n -= take;
  }
}

bool OutputFile::close() {
  drain();
  if (file_) {
    errno = 0;
    if (std::fflush(file_.get()) != 0 && !failed_) {
      errno_ = errno;
      failed_ = true;
    }
    std::FILE* f = file_.release();
    if (std::fclose(f) != 0 && !failed_) {
      errno_ = errno;
      failed_ = true;
    }
  }
  return !failed_;
}

SortError OutputFile::error(std::string_view path) const {
  if (errno_ == ENOSPC) return make_error(SSI_ERR_DISK_FULL, "Disque plein en écrivant le fichier : ", path);
  return make_error(SSI_ERR_OUTPUT, "Impossible d'écrire le fichier : ", path);
}

// ---- RecordReader ----

bool RecordReader::open(const std::string& path) {
  auto f = pmsi::open_file(path, "rb");
  if (!f) {
    failed_ = true;
    return false;
  }
  file_ = std::move(f.value());
  pos_ = end_ = 0;
  eof_ = false;
  return true;
}

bool RecordReader::next(std::string_view& record) {
  for (;;) {
    if (const void* lf = std::memchr(buf_.data() + pos_, '\n', end_ - pos_)) {
      const char* start = buf_.data() + pos_;
      std::size_t len = static_cast<const char*>(lf) - start;
      record = strip_cr({start, len});
      pos_ += len + 1;
      return true;
    }
    if (eof_) {
      if (pos_ == end_) return false;
      record = strip_cr({buf_.data() + pos_, end_ - pos_});
      pos_ = end_;
      return true;
    }
    // Keep the partial record, make room, read on.
    std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
    std::size_t n = std::fread(buf_.data() + end_, 1, buf_.size() - end_, file_.get());
    end_ += n;
    if (n == 0) {
      if (std::ferror(file_.get())) {
        failed_ = true;
        return false;
      }
      eof_ = true;
    }
  }
}

// ---- TempFiles ----

TempFiles::~TempFiles() {
  for (const std::string& n : names_) (void)pmsi::remove_file(n);
}

std::string TempFiles::make() {
  static std::atomic<unsigned> counter{0};
  std::string name = base_ + pmsi::format(".ss%ld_%u.tmp", static_cast<long>(getpid()), counter++);
  names_.push_back(name);
  return name;
}

void TempFiles::remove(const std::string& name) {
  (void)pmsi::remove_file(name);
  forget(name);
}

void TempFiles::forget(const std::string& name) {
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == name) {
      names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

// ---- DuplicateGroup ----

namespace {
std::uint64_t hash_bytes(std::string_view s) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}
}  // namespace

void DuplicateGroup::reset() {
  bytes_.clear();
  spans_.clear();
  hashes_.clear();
  index_.clear();
}

bool DuplicateGroup::seen_before(std::string_view record) {
  // Groups are mostly of one or a few records; a hash per record keeps long
  // groups from costing a full comparison with every earlier record.
  const std::uint64_t h = hash_bytes(record);
  if (spans_.size() < kScanLimit) {
    for (std::size_t i = 0; i < spans_.size(); ++i)
      if (hashes_[i] == h && at(i) == record) return true;
  } else {
    if (index_.empty())
      for (std::size_t i = 0; i < spans_.size(); ++i) index_.emplace(hashes_[i], i);
    auto [first, last] = index_.equal_range(h);
    for (auto it = first; it != last; ++it)
      if (at(it->second) == record) return true;
    index_.emplace(h, spans_.size());
  }
  spans_.emplace_back(bytes_.size(), record.size());
  hashes_.push_back(h);
  bytes_.append(record);
  return false;
}

}  // namespace sortsol
