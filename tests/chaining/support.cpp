#include "support.h"

#include <atomic>
#include <cctype>
#include <fstream>
#include <iterator>
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

// A finding starts with its code ("A10", "A20B", "C10"...), blanks and a dash.
std::string finding_code(const std::string& l) {
  std::size_t n = 0;
  if (l.size() < 3 || l[0] < 'A' || l[0] > 'C' || !std::isdigit(static_cast<unsigned char>(l[1])) ||
      !std::isdigit(static_cast<unsigned char>(l[2])))
    return {};
  n = l.size() > 3 && l[3] == 'B' ? 4 : 3;
  std::size_t i = n;
  while (i < l.size() && l[i] == ' ') ++i;
  if (i == n || i >= l.size() || l[i] != '-') return {};
  return l.substr(0, n);
}

std::vector<std::string> findings(const std::string& err) {
  std::vector<std::string> out;
  std::istringstream in(err);
  std::string l, current;
  while (std::getline(in, l)) {
    std::string code = finding_code(l);
    if (!code.empty()) {
      current = code;
      continue;
    }
    std::size_t at = l.find("[ligne ");
    if (!current.empty() && at != std::string::npos) {
      std::size_t end = l.find(']', at);
      out.push_back(current + ":" + l.substr(at + 7, end - at - 7));
      current.clear();
    }
  }
  return out;
}

std::vector<int> figures(const std::string& log) {
  std::vector<int> out;
  std::istringstream in(log);
  std::string l;
  while (std::getline(in, l)) {
    while (!l.empty() && (l.back() == '\r' || l.back() == ' ')) l.pop_back();
    std::size_t colon = l.rfind(": ");
    if (colon == std::string::npos) continue;
    std::string n = l.substr(colon + 2);
    if (!n.empty() && n.find_first_not_of("-0123456789") == std::string::npos) out.push_back(std::stoi(n));
  }
  return out;
}

}  // namespace chaining_test
