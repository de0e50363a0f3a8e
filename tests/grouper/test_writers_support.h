#pragma once
// Shared by the RHA, SRHA and sequence-check tests: version-1 records built
// field by field, output files in a temporary directory read back as bytes,
// and the system's texts as they appear in files (Windows-1252, CR LF).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "common/cp1252.h"
#include "common/textfile.h"
#include "grouper/rhs.h"

namespace writers_test {

namespace fs = std::filesystem;

// Sets a field, blank-padded or cut to its width.
inline void set_field(std::string& record, const grouper::FieldSpec& f, std::string_view v) {
  std::string s(v.substr(0, std::min(v.size(), f.width)));
  s.resize(f.width, ' ');
  record.replace(f.offset, f.width, s);
}

// A version-1 record of 204 characters with plausible content; tests
// overwrite the fields they are about.
inline std::string make_record() {
  std::string r(grouper::v1::kLength, ' ');
  auto set = [&](const grouper::FieldSpec& f, std::string_view v) { set_field(r, f, v); };
  using namespace grouper::v1;
  set(finess, "123456789");
  set(format_code, "M01");
  set(stay_number, "0001234");
  set(hosp_type, "1");
  set(ipp, "IPP-0000000000000042");
  set(birth_date, "15061950");
  set(sex, "1");
  set(postal_code, "75012");
  set(entry_date, "06012003");  // Monday of week 2 of 2003
  set(entry_mode, "8");
  set(entry_origin, "1");
  set(week, "022003");
  set(presence_days, "1111100");
  set(um, "0001");
  set(diag_1, "Z5000 ");
  set(diag_2, "S7200 ");
  set(scores, "123412");
  set(flag_153, "1");
  set(durations, "000100020003000400050006000700080009001000110012");
  set(act_count, "00");
  return r;
}


// The system's text (UTF-8 in the source) as written in a file.
inline std::string cp1252(std::string_view utf8) {
  auto b = pmsi::utf8_to_cp1252(utf8);
  EXPECT_TRUE(b.has_value()) << utf8;
  std::string s;
  for (char c : b.value_or(std::string{})) {
    if (c == '\n') s += '\r';
    s += c;
  }
  return s;
}

inline std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh directory per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> n{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "test";
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() / ("writers_" + name + "_" + std::to_string(n++));
    std::error_code ec;
    fs::remove_all(dir_, ec);
    fs::create_directories(dir_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& path() const { return dir_; }

 private:
  fs::path dir_;
};

// A TextWriter on a file of a temporary directory, read back after close.
class OutputFile {
 public:
  OutputFile(const TempDir& dir, const std::string& name) : path_(dir.path() / name) {
    auto w = pmsi::TextWriter::open(path_.string());
    EXPECT_TRUE(w.ok()) << path_;
    if (w) writer_.emplace(std::move(w.value()));
  }
  pmsi::TextWriter* writer() { return writer_ ? &*writer_ : nullptr; }
  std::string bytes() {
    if (writer_) {
      writer_->close();
      writer_.reset();
    }
    return read_bytes(path_);
  }

 private:
  fs::path path_;
  std::optional<pmsi::TextWriter> writer_;
};

}  // namespace writers_test
