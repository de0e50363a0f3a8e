#include "run_program.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include <cstring>

namespace e2e {

#ifdef _WIN32

namespace {

// Windows command-line quoting (the rules CommandLineToArgvW reverses).
std::string quote(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    out += c;
    backslashes = 0;
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

}  // namespace

ProgramExit run_program(const std::string& dir, const std::string& program,
                        const std::vector<std::string>& words) {
  ProgramExit result;
  const std::string argv0 = ".\\" + program;
  std::string command = quote(argv0);
  for (const std::string& w : words) command += " " + quote(w);
  const std::string path = dir + "\\" + program;
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::memset(&pi, 0, sizeof pi);
  if (!CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.c_str(), &si, &pi)) {
    result.failure = "CreateProcess failed: " + std::to_string(GetLastError());
    return result;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // Crashes show as NTSTATUS codes (0xC0000005...): not a normal exit.
  if ((code & 0xF0000000u) == 0xC0000000u) {
    result.failure = "crashed with status " + std::to_string(code);
    return result;
  }
  result.exited = true;
  result.code = static_cast<int>(code & 0xFFu);
  return result;
}

#else

ProgramExit run_program(const std::string& dir, const std::string& program,
                        const std::vector<std::string>& words) {
  ProgramExit result;
  const std::string argv0 = "./" + program;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(argv0.c_str()));
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv0.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    result.failure = std::string("posix_spawn failed: ") + std::strerror(rc);
    return result;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) {
    result.failure = "waitpid failed";
    return result;
  }
  if (WIFEXITED(status)) {
    result.exited = true;
    result.code = WEXITSTATUS(status);
  } else {
    result.failure = "killed by signal " + std::to_string(WTERMSIG(status));
  }
  return result;
}

#endif

}  // namespace e2e
