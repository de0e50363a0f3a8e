#pragma once
// Helpers of the sort engine's tests: a scratch directory, whole files, and
// sort specification files written line by line as the front end writes them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace sortsol_test {

namespace fs = std::filesystem;

inline const std::string kFileType = R"(FILETYPE(DELIMITED,"0x00" ,"0x0D,0x0A"))";

class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("sortsol_") + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    path_ = fs::temp_directory_path() / name;
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

inline std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Records joined with CR LF after each.
inline std::string lines(const std::vector<std::string>& records) {
  std::string out;
  for (const auto& r : records) out += r + "\r\n";
  return out;
}

// The statements of one job, in the front end's order and spelling.
struct JobLines {
  std::string input, output, log;
  bool blank_after_output = false;  // the RHS job writes "OUTPUTFILE(path )"
  std::vector<std::string> keys;    // whole KEY lines
  std::string filter;               // whole FILTER line or empty
  std::string text() const {
    std::vector<std::string> l{"INPUTFILE(" + input + ")",
                               "OUTPUTFILE(" + output + (blank_after_output ? " )" : ")"), kFileType};
    if (!log.empty()) l.push_back("LOGFILE(" + log + ",TRUE)");
    l.insert(l.end(), keys.begin(), keys.end());
    if (!filter.empty()) l.push_back(filter);
    return lines(l);
  }
};

}  // namespace sortsol_test
