// verdan as a whole: each fixture case runs the real binary from a temporary
// program directory (the binary, the demo tables, a "wks" working
// directory) and every file it leaves in wks is compared byte for byte with
// the case's expected files. Robustness cases feed hostile inputs and expect
// a normal exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = E2E_FIXTURES;
const std::string kProgram = std::string("verdan") + E2E_EXE_SUFFIX;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

void replace_all(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

// A temporary program directory: the binary, the table files of the build's
// program directory, and the working directory "wks".
class ProgramDir {
 public:
  // `case_name`: a case whose own tables (compiled from <case>/tables/) are
  // laid over the demo tables.
  explicit ProgramDir(const std::string& case_name = "") {
    dir_ = fs::temp_directory_path() / ("verdan_e2e_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "wks");
    fs::copy_file(E2E_VERDAN, dir_ / kProgram);
    for (const auto& entry : fs::directory_iterator(PMSI_PROGRAM_DIR)) {
      if (entry.path().extension() == ".tab") fs::copy_file(entry.path(), dir_ / entry.path().filename());
    }
    const fs::path own = fs::path(E2E_TABLES) / case_name;
    if (!case_name.empty() && fs::exists(own)) {
      for (const auto& entry : fs::directory_iterator(own)) {
        fs::copy_file(entry.path(), dir_ / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
      }
    }
  }
  ~ProgramDir() {
    if (keep_) return;
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  const fs::path& path() const { return dir_; }
  fs::path wks() const { return dir_ / "wks"; }
  void keep() { keep_ = true; }

  e2e::ProgramExit run(const std::vector<std::string>& words) const {
    return e2e::run_program(dir_.string(), kProgram, words);
  }

  // Files of wks but the input the front end would have written.
  std::map<std::string, std::string> outputs() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(wks())) {
      const std::string name = entry.path().filename().string();
      if (name == "$$$in.srt") continue;
      std::string bytes = slurp(entry.path());
      // The log shows the RHA and SRHA paths under the relative program
      // path: ".\WKS\" on Windows (the name as the program writes it),
      // "./wks/" here (the name as it exists).
      if (name.size() > 4 && name.substr(name.size() - 4) == ".log") {
        replace_all(bytes, ".\\WKS\\", "./wks/");
        replace_all(bytes, ".\\wks\\", "./wks/");
      }
      files[name] = bytes;
    }
    return files;
  }

 private:
  fs::path dir_;
  bool keep_ = false;
};

struct Case {
  std::string name;
  std::string input;  // "none": no $$$in.srt
  std::vector<std::string> words;
  int exit_code = 0;
};

Case load_case(const std::string& name) {
  Case c;
  c.name = name;
  std::istringstream lines(slurp(kFixtures / name / "case.txt"));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "input") {
      words >> c.input;
    } else if (key == "words") {
      std::string w;
      while (words >> w) c.words.push_back(w);
    } else if (key == "exit") {
      words >> c.exit_code;
    }
  }
  return c;
}

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kFixtures)) {
    if (fs::exists(entry.path() / "case.txt")) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Where two byte strings part, with the lines around, for the failure text.
std::string first_difference(const std::string& expected, const std::string& actual) {
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const std::size_t line_start = expected.rfind('\n', at == 0 ? 0 : at - 1);
  const std::size_t from = line_start == std::string::npos ? 0 : line_start + 1;
  const auto excerpt = [&](const std::string& s) {
    return s.substr(std::min(from, s.size()), std::min<std::size_t>(160, s.size() - std::min(from, s.size())));
  };
  std::ostringstream out;
  out << "first difference at byte " << at << " (expected " << expected.size() << " bytes, got "
      << actual.size() << ")\n  expected: " << excerpt(expected) << "\n  actual:   "
      << excerpt(actual);
  return out.str();
}

class Fixture : public ::testing::TestWithParam<std::string> {};

TEST_P(Fixture, OutputsMatch) {
  const Case c = load_case(GetParam());
  ProgramDir prog(c.name);
  if (c.input != "none") {
    fs::copy_file(kFixtures / c.name / c.input, prog.wks() / "$$$in.srt");
  }
  const e2e::ProgramExit exit = prog.run(c.words);
  ASSERT_TRUE(exit.exited) << exit.failure;
  EXPECT_EQ(exit.code, c.exit_code);

  std::map<std::string, std::string> expected;
  const fs::path expected_dir = kFixtures / c.name / "expected";
  if (fs::exists(expected_dir)) {
    for (const auto& entry : fs::directory_iterator(expected_dir)) {
      expected[entry.path().filename().string()] = slurp(entry.path());
    }
  }
  const std::map<std::string, std::string> actual = prog.outputs();

  if (const char* dump = std::getenv("PMSI_E2E_ACTUAL")) {
    const fs::path to = fs::path(dump) / c.name;
    fs::create_directories(to);
    for (const auto& [name, bytes] : actual) spit(to / name, bytes);
  }

  std::set<std::string> names;
  for (const auto& [name, bytes] : expected) names.insert(name);
  for (const auto& [name, bytes] : actual) names.insert(name);
  bool all_same = true;
  for (const std::string& name : names) {
    const auto e = expected.find(name);
    const auto a = actual.find(name);
    if (e == expected.end()) {
      ADD_FAILURE() << name << ": written but not expected";
      all_same = false;
    } else if (a == actual.end()) {
      ADD_FAILURE() << name << ": expected but not written";
      all_same = false;
    } else if (e->second != a->second) {
      ADD_FAILURE() << name << ": " << first_difference(e->second, a->second);
      all_same = false;
    }
  }
  if (!all_same) {
    prog.keep();
    std::cerr << "run left in " << prog.path().string() << "\n";
  }
}

std::string case_test_name(const ::testing::TestParamInfo<std::string>& param) {
  std::string n = param.param;
  for (char& ch : n) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return n;
}

INSTANTIATE_TEST_SUITE_P(Verdan, Fixture, ::testing::ValuesIn(case_names()), case_test_name);

// ---------------------------------------------------------------------------
// Hostile inputs: verdan must end normally (0 or 1) and account for every
// line it read.

std::string m01(std::string_view stay, std::string_view week) {
  std::string r(204, ' ');
  r.replace(0, 12, "750000001M01");
  r.replace(12, 7, stay);
  r.replace(19, 1, "1");
  r.replace(74, 6, week);
  r.replace(202, 2, "00");
  return r;
}

struct HostileCase {
  const char* name;
  std::string input;
  int exit_code;
  int rha_lines;  // RHS accepted
};

std::vector<HostileCase> hostile_cases() {
  const std::string good = m01("0000001", "021999") + "\r\n";
  std::string nul_line = m01("0000002", "021999");
  nul_line[30] = '\0';
  nul_line[13] = '\0';
  std::string high = m01("0000003", "021999");
  for (std::size_t i = 20; i < 40; ++i) high[i] = static_cast<char>(0x80 + i);
  return {
      {"line of 1998 first", std::string(1998, 'a') + "\r\n" + good, 0, 1},
      {"line of 1999 first", std::string(1999, 'a') + "\r\n" + good, 1, 0},
      {"line of 2000 first", std::string(2000, 'a') + "\r\n" + good, 1, 0},
      {"line of 5000 first", std::string(5000, 'a') + "\r\n" + good, 1, 0},
      {"lines of 1998 to 5000 after a record",
       good + std::string(1998, 'b') + "\r\n" + std::string(1999, 'c') + "\r\n" +
           std::string(2000, 'd') + "\r\n" + std::string(5000, 'e') + "\r\n" + good,
       0, 2},
      {"NUL bytes", good + nul_line + "\r\n" + std::string(300, '\0') + "\r\n", 0, 2},
      {"bytes above 127", high + "\r\n" + std::string(250, '\xff') + "\r\n", 0, 1},
      {"truncated records",
       good + good.substr(0, 100) + "\r\n" + good.substr(0, 11) + "\r\n" + "\r\n" + "M\r\n", 0, 1},
      {"lone CRs", good + "750000001M01\r0000004\r\r\n" + std::string(204, '\r') + "\n", 0, 1},
      // The last line keeps its last character: it is still a whole record.
      {"no final line end", good + m01("0000005", "031999"), 0, 2},
      {"only a CR", "\r", 1, 0},
      {"long M13 acts",
       "091002300M13" + m01("0000006", "021999").replace(9, 3, "M03") + std::string(14, ' ') + "99" +
           std::string(2000, 'A') + "\r\n",
       1, 0},
  };
}

TEST(Hostile, InputsEndNormally) {
  for (const auto& h : hostile_cases()) {
    SCOPED_TRACE(h.name);
    ProgramDir prog;
    spit(prog.wks() / "$$$in.srt", h.input);
    const e2e::ProgramExit exit = prog.run({"rhs.txt", "hostile", "1", "1999", "1"});
    ASSERT_TRUE(exit.exited) << exit.failure;
    EXPECT_EQ(exit.code, h.exit_code);
    const std::string log = slurp(prog.wks() / "hostile.log");
    const std::string rha = slurp(prog.wks() / "hostile.rha");
    std::size_t lines = 0;
    for (std::size_t at = rha.find("\r\n"); at != std::string::npos; at = rha.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, static_cast<std::size_t>(h.rha_lines));
    if (h.exit_code == 0) {
      EXPECT_NE(log.find("Rapport d'ex\xE9" "cution de VERDAN"), std::string::npos);
    }
  }
}

TEST(CommandLine, FewerThanFiveWordsCreatesNothing) {
  ProgramDir prog;
  const e2e::ProgramExit exit = prog.run({"rhs.txt", "demo", "1", "1999"});
  ASSERT_TRUE(exit.exited) << exit.failure;
  EXPECT_EQ(exit.code, 255);
  EXPECT_TRUE(fs::is_empty(prog.wks()));
}

}  // namespace
