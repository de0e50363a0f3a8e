// tabc: compiles table sources into the binary tables, or dumps tables back.
//   tabc [-o DIR] SOURCE...          writes DIR/<table name> for each source
//   tabc --dump [-o DIR] TABLE...    writes DIR/<table>.txt, or the text on stdout
// Errors: "tabc: error: 'file': line N: message"; every file is tried, and the
// exit code is 1 when any failed.
#include <cstdio>
#include <string>
#include <vector>

#include "common/paths.h"
#include "tabc/tabc.h"

namespace {

std::optional<std::string> read_file(const std::string& path) {
  auto file = pmsi::open_file(path, "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, file->get())) > 0) bytes.append(buf, n);
  if (std::ferror(file->get())) return std::nullopt;
  return bytes;
}

bool write_file(const std::string& path, std::string_view bytes) {
  auto file = pmsi::open_file(path, "wb");
  return file && std::fwrite(bytes.data(), 1, bytes.size(), file->get()) == bytes.size() &&
         std::fflush(file->get()) == 0;
}

void error(const std::string& message) { std::fprintf(stderr, "tabc: error: %s\n", message.c_str()); }

bool compile(const std::string& source, const std::string& dir) {
  auto text = read_file(source);
  if (!text) {
    error("'" + source + "': cannot be read");
    return false;
  }
  pmsi::tabc::CompileResult r = pmsi::tabc::compile_source(source, *text);
  for (const std::string& e : r.errors) error(e);
  if (!r.table) return false;
  std::string path = pmsi::join(dir, r.table->file_name);
  std::string_view bytes(reinterpret_cast<const char*>(r.table->bytes.data()), r.table->bytes.size());
  if (!write_file(path, bytes)) {
    error("'" + path + "': cannot be written");
    return false;
  }
  return true;
}

bool dump(const std::string& table, const std::string& dir) {
  auto bytes = read_file(table);
  if (!bytes) {
    error("'" + table + "': cannot be read");
    return false;
  }
  auto text = pmsi::tabc::dump_table(
      table, {reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
  if (!text) {
    error("'" + table + "': " + text.error());
    return false;
  }
  if (dir.empty()) return std::fwrite(text->data(), 1, text->size(), stdout) == text->size();
  std::string name = table.substr(table.find_last_of("/\\") + 1);
  std::string path = pmsi::join(dir, name.substr(0, name.rfind('.')) + ".txt");
  if (!write_file(path, *text)) {
    error("'" + path + "': cannot be written");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool dumping = false;
  std::string dir;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--dump") dumping = true;
    else if (word == "-o" && i + 1 < argc) dir = argv[++i];
    else files.push_back(word);
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: tabc [-o DIR] SOURCE...\n       tabc --dump [-o DIR] TABLE...\n");
    return 2;
  }
  bool ok = true;
  for (const std::string& f : files) ok = (dumping ? dump(f, dir) : compile(f, dir.empty() ? "." : dir)) && ok;
  return ok ? 0 : 1;
}
