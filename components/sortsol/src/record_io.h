#pragma once
// Files of records: a buffered writer that knows why it failed, a reader of
// CR LF records, the temporary files of a job, and the record-equality set
// of a group of equal keys.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/paths.h"
#include "sort_error.h"

namespace sortsol {

// fwrite, or a stand-in that tests use to make writes fail.
using WriteFn = std::size_t (*)(const void* data, std::size_t size, std::size_t count, std::FILE* file);

// Splits the record that ends a block: drops the carriage return of a CR LF
// line end (or of a file that ends in CR).
inline std::string_view strip_cr(std::string_view r) {
  if (!r.empty() && r.back() == '\r') r.remove_suffix(1);
  return r;
}

class OutputFile {
 public:
  OutputFile(WriteFn write, std::size_t buffer_size);
  // Creates or truncates the file; false when it cannot.
  bool open(const std::string& path);
  void put(const char* data, std::size_t n);
  void put_record(std::string_view record) {
    put(record.data(), record.size());
    put("\r\n", 2);
  }
  // Flushes and closes; false when any write failed.
  bool close();
  std::uint64_t bytes() const { return bytes_; }
  bool failed() const { return failed_; }
  // The error of a failed open or write: disk full or not writable.
  SortError error(std::string_view path) const;

 private:
  bool drain();
  WriteFn write_;
  pmsi::FilePtr file_;
  std::vector<char> buf_;
  std::size_t used_ = 0;
  std::uint64_t bytes_ = 0;
  int errno_ = 0;
  bool failed_ = false;
};

// A sequence of records read one at a time.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // The next record, valid until the next call; false at the end or on a
  // read error (then failed()).
  virtual bool next(std::string_view& record) = 0;
  virtual bool failed() const { return false; }
};

// Reads the records of a file written by OutputFile (or any CR LF file).
class RecordReader : public RecordSource {
 public:
  explicit RecordReader(std::size_t buffer_size) : buf_(buffer_size) {}
  bool open(const std::string& path);
  bool next(std::string_view& record) override;
  bool failed() const override { return failed_; }
  void close() { file_.reset(); }

 private:
  pmsi::FilePtr file_;
  std::vector<char> buf_;
  std::size_t pos_ = 0, end_ = 0;
  bool eof_ = false, failed_ = false;
};

// Temporary files of one job, beside its output; every one still held is
// deleted when the job ends, whatever the way out.
class TempFiles {
 public:
  explicit TempFiles(std::string output_path) : base_(std::move(output_path)) {}
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;
  ~TempFiles();
  std::string make();
  void remove(const std::string& name);  // deletes it now
  void forget(const std::string& name);  // no longer ours (renamed into place)

 private:
  std::string base_;
  std::vector<std::string> names_;
};

// The distinct records met so far in one group of equal keys.
class DuplicateGroup {
 public:
  void reset();
  // True when an equal record was met before in the group; else remembers it.
  bool seen_before(std::string_view record);

 private:
  std::string_view at(std::size_t i) const { return {bytes_.data() + spans_[i].first, spans_[i].second}; }
  std::string bytes_;
  std::vector<std::pair<std::size_t, std::size_t>> spans_;
  std::vector<std::uint64_t> hashes_;
  static constexpr std::size_t kScanLimit = 32;
  std::unordered_multimap<std::uint64_t, std::size_t> index_;  // built past kScanLimit records
};

}  // namespace sortsol
