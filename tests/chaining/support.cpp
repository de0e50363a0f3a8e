#include "support.h"

#include <atomic>
#include <cctype>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "common/dynlib.h"

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace chaining_test {
namespace {

int process_id() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(::getpid());
#endif
}

#ifdef _WIN32
// One argument word as the C runtime of the child will split it again.
std::string quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string q = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    q.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(backslashes * 2, '\\');
  return q + "\"";
}
#endif

}  // namespace

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return "<missing " + p.filename().string() + ">";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string crlf(const std::vector<std::string>& lines, bool final_line_end) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (final_line_end || i + 1 < lines.size()) out += "\r\n";
  }
  return out;
}

TempProgramDir::TempProgramDir(bool with_library, const std::string& wks_name) {
  static std::atomic<int> counter{0};
  dir_ = fs::temp_directory_path() /
         ("chaining_test_" + std::to_string(process_id()) + "_" + std::to_string(counter++));
  fs::remove_all(dir_);
  wks_ = dir_ / wks_name;
  fs::create_directories(wks_);
  if (with_library) {
    std::string lib = pmsi::library_file_name("crclavix");
    fs::copy_file(fs::path(PMSI_PROGRAM_DIR) / lib, dir_ / lib);
  }
}

TempProgramDir::~TempProgramDir() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::string TempProgramDir::program_dir() const {
  return (dir_ / "").string();
}

void TempProgramDir::install(const std::string& program) {
  std::string name = program + PMSI_EXE_SUFFIX;
  fs::copy_file(fs::path(PMSI_PROGRAM_DIR) / name, dir_ / name, fs::copy_options::overwrite_existing);
}

int TempProgramDir::run(const std::string& program, const std::vector<std::string>& args) const {
  std::string exe = (dir_ / (program + PMSI_EXE_SUFFIX)).string();
#ifdef _WIN32
  std::vector<std::string> words{quote(exe)};
  for (const auto& a : args) words.push_back(quote(a));
  std::vector<const char*> argv;
  for (const auto& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);
  intptr_t rc = _spawnv(_P_WAIT, exe.c_str(), argv.data());
  return static_cast<int>(rc);
#else
  std::vector<std::string> words{exe};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1000;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1001;
  return WEXITSTATUS(status);
#endif
}

std::vector<std::string> findings(const std::string& err) {
  static const std::regex code(R"(^([A-C][0-9]{2}B?) +- )");
  static const std::regex line(R"(\[ligne ([0-9]+)\])");
  std::vector<std::string> out;
  std::istringstream in(err);
  std::string l, current;
  std::smatch m;
  while (std::getline(in, l)) {
    if (std::regex_search(l, m, code))
      current = m[1];
    else if (!current.empty() && std::regex_search(l, m, line)) {
      out.push_back(current + ":" + m[1].str());
      current.clear();
    }
  }
  return out;
}

std::vector<int> figures(const std::string& log) {
  static const std::regex figure(R"(: (-?[0-9]+) ?\r?$)");
  std::vector<int> out;
  std::istringstream in(log);
  std::string l;
  std::smatch m;
  while (std::getline(in, l))
    if (std::regex_search(l, m, figure)) out.push_back(std::stoi(m[1]));
  return out;
}

}  // namespace chaining_test
