#include "catalogue_sources.h"

#include <cstdio>
#include <functional>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "common/paths.h"

namespace rhsgen::detail {

namespace {

// The sources' text: "#" starts a comment, words are separated by blanks.
struct SourceLine {
  long number;
  std::vector<std::string_view> words;
};

pmsi::Result<std::vector<SourceLine>> read_lines(const std::string& path, std::string& text) {
  auto file = pmsi::open_file(path, "rb");
  if (!file) return pmsi::Error{"'" + path + "': " + file.error()};
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, file.value().get())) > 0) text.append(buf, n);
  std::vector<SourceLine> lines;
  std::string_view rest = text;
  long number = 0;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    ++number;
    line = line.substr(0, line.find('#'));
    SourceLine out{number, {}};
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
      std::size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
      if (j > i) out.words.push_back(line.substr(i, j - i));
      i = j;
    }
    if (!out.words.empty()) lines.push_back(std::move(out));
  }
  return lines;
}

long number_of(std::string_view w) {
  std::string s(w);
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 0);
  return end == s.c_str() + s.size() ? v : -1;
}

bool is_directive(const SourceLine& l) {
  return l.words[0] == "table" || l.words[0] == "version" || l.words[0] == "record_size";
}

pmsi::Error error_at(const std::string& path, long line, const char* why) {
  return pmsi::Error{"'" + path + "': line " + std::to_string(line) + ": " + why};
}

// Position byte of the diagnosis source: "-", any of "123a", or 0xNN.
int positions_of(std::string_view w) {
  if (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) return static_cast<int>(number_of(w));
  if (w == "-") return 0;
  int bits = 0;
  for (char c : w) bits |= c == '1' ? 0xC0 : c == '2' ? 0x30 : c == '3' ? 0x0C : c == 'a' ? 0x03 : 0;
  return bits;
}

pmsi::Status read_diagnoses(const std::string& path, Catalogue& c) {
  std::string text;
  auto lines = read_lines(path, text);
  if (!lines) return pmsi::Error{lines.error()};
  Catalogue d;
  for (const SourceLine& l : lines.value()) {
    if (is_directive(l)) continue;
    if (l.words.size() < 3) return error_at(path, l.number, "code, positions and category expected");
    std::string code(l.words[0]);
    for (char& ch : code)
      if (ch == '_') ch = ' ';
    code.resize(6, ' ');
    d.table_diagnoses.push_back(code);
    const int positions = positions_of(l.words[1]);
    const long category = number_of(l.words[2]);
    bool refused = false;  // groups 38,210 and 38,212 are refused as diagnoses
    for (std::size_t i = 3; i < l.words.size(); ++i)
      if (l.words[i] == "38,210" || l.words[i] == "38,212") refused = true;
    if (category <= 0 || refused) continue;
    auto allowed = [&](int bits) { return positions == 0xFF || (positions & bits) != 0; };
    const char first = code[0];
    if (first == 'Z' && allowed(0xC0)) d.main_diagnoses.push_back(code);
    if (first < 'U' && allowed(0x30)) d.second_diagnoses.push_back(code);
    if (first < 'U' && first != 'R' && allowed(0x0C)) d.third_diagnoses.push_back(code);
    if (allowed(0x03)) d.assoc_diagnoses.push_back(code);
  }
  c.table_diagnoses = d.table_diagnoses;
  if (!d.main_diagnoses.empty()) c.main_diagnoses = d.main_diagnoses;
  if (!d.second_diagnoses.empty()) c.second_diagnoses = d.second_diagnoses;
  if (!d.third_diagnoses.empty()) c.third_diagnoses = d.third_diagnoses;
  if (!d.assoc_diagnoses.empty()) c.assoc_diagnoses = d.assoc_diagnoses;
  return pmsi::Status::success();
}

// "CODE CLASS" lines; acts of class 0 are outside the nomenclature.
pmsi::Status read_acts(const std::string& path, std::size_t width, std::vector<std::string>& out) {
  std::string text;
  auto lines = read_lines(path, text);
  if (!lines) return pmsi::Error{lines.error()};
  std::vector<std::string> acts;
  for (const SourceLine& l : lines.value()) {
    if (is_directive(l)) continue;
    if (l.words.size() < 2 || l.words[0].size() != width) return error_at(path, l.number, "code and class expected");
    if (number_of(l.words[1]) > 0) acts.emplace_back(l.words[0]);
  }
  if (!acts.empty()) out = std::move(acts);
  return pmsi::Status::success();
}

pmsi::Status read_geography(const std::string& path, Catalogue& c) {
  std::string text;
  auto lines = read_lines(path, text);
  if (!lines) return pmsi::Error{lines.error()};
  std::vector<std::string> codes;
  for (const SourceLine& l : lines.value()) {
    if (is_directive(l)) continue;
    const std::string_view code = l.words[0];
    // Corsican codes (2A, 2B) fail the five-digit control of the postal code.
    if (code.size() == 5 && code.find_first_not_of("0123456789") == std::string_view::npos)
      codes.emplace_back(code);
  }
  if (!codes.empty()) c.postal_codes = std::move(codes);
  return pmsi::Status::success();
}

// The tree: its version and the groupings of its leaves ("leaf CM GHJ [CR]").
pmsi::Status read_tree(const std::string& path, Catalogue& c) {
  std::string text;
  auto lines = read_lines(path, text);
  if (!lines) return pmsi::Error{lines.error()};
  std::vector<std::pair<int, int>> leaves;
  for (const SourceLine& l : lines.value()) {
    if (l.words[0] == "version" && l.words.size() >= 2 && l.words[1].size() == 2)
      c.classif_version = std::string(l.words[1]);
    for (std::size_t i = 0; i + 2 < l.words.size(); ++i)
      if (l.words[i] == "leaf") {
        const long cm = number_of(l.words[i + 1]), ghj = number_of(l.words[i + 2]);
        if (cm < 0 || cm > 99 || ghj < 0 || ghj > 999) return error_at(path, l.number, "leaf CM GHJ expected");
        if (cm < 90) leaves.emplace_back(static_cast<int>(cm), static_cast<int>(ghj));
      }
  }
  if (!leaves.empty()) c.groupings = std::move(leaves);
  return pmsi::Status::success();
}

}  // namespace

pmsi::Status read_ccam_v0_list(const std::string& path, Catalogue& c) {
  std::string text;
  auto lines = read_lines(path, text);
  if (!lines) return pmsi::Error{lines.error()};
  std::vector<std::string> v0, deleted;
  for (const SourceLine& l : lines.value()) {
    if (l.words.size() >= 3 && l.words[0] == "v0" && l.words[1].size() == 8)
      v0.emplace_back(l.words[1]);
    else if (l.words.size() >= 2 && l.words[0] == "deleted" && l.words[1].size() == 8)
      deleted.emplace_back(l.words[1]);
    else
      return error_at(path, l.number, "\"v0 CODE V0BIS\" or \"deleted CODE\" expected");
  }
  if (!v0.empty()) c.ccam_v0_codes = std::move(v0);
  if (!deleted.empty()) c.ccam_deleted_codes = std::move(deleted);
  return pmsi::Status::success();
}

pmsi::Status read_sources(const std::string& dir, Catalogue& c) {
  const auto path = [&](const char* name) { return pmsi::join(dir, name); };
  struct Source {
    const char* name;
    std::function<pmsi::Status(const std::string&)> read;
  };
  const Source sources[] = {
      {"arbressr.txt", [&](const std::string& p) { return read_tree(p, c); }},
      {"diag10sr.txt", [&](const std::string& p) { return read_diagnoses(p, c); }},
      {"actecssr.txt", [&](const std::string& p) { return read_acts(p, 4, c.cdam_acts); }},
      {"ccamcssr.txt", [&](const std::string& p) { return read_acts(p, 8, c.ccam_acts); }},
      {"codegeog.txt", [&](const std::string& p) { return read_geography(p, c); }},
  };
  for (const Source& s : sources) {
    const std::string p = path(s.name);
    if (!pmsi::exists(p)) continue;
    auto status = s.read(p);
    if (!status) return status;
  }
  return pmsi::Status::success();
}

}  // namespace rhsgen::detail
