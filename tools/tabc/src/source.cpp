// Source lines, directives, the byte builder and the compile entry point.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/paths.h"
#include "common/table_sum.h"
#include "grouper/tables.h"
#include "source.h"

namespace pmsi::tabc {
namespace detail {

std::vector<Line> split_lines(std::string_view text) {
  std::vector<Line> lines;
  int number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    raw = raw.substr(0, raw.find('#'));
    Line line;
    line.number = number;
    std::size_t i = 0;
    while (i < raw.size()) {
      while (i < raw.size() && std::isspace(static_cast<unsigned char>(raw[i]))) ++i;
      std::size_t start = i;
      while (i < raw.size() && !std::isspace(static_cast<unsigned char>(raw[i]))) ++i;
      if (i > start) line.tokens.emplace_back(raw.substr(start, i - start));
    }
    if (!line.tokens.empty() && line.tokens[0].size() > 1 && line.tokens[0].back() == ':') {
      line.label = line.tokens[0].substr(0, line.tokens[0].size() - 1);
      line.tokens.erase(line.tokens.begin());
    }
    if (!line.tokens.empty() || !line.label.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

void Errors::at(int line, const std::string& message) {
  ++count_;
  out_.push_back("'" + source_ + "': line " + std::to_string(line) + ": " + message);
}

std::optional<std::uint32_t> parse_number(std::string_view token, std::uint32_t max) {
  if (token.empty() || token.size() > 9) return std::nullopt;
  std::uint32_t v = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (v > max) return std::nullopt;
  return v;
}

void ByteBuilder::text(std::string_view s, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<unsigned char>(s[i]) : ' ');
}

void ByteBuilder::file_header(std::string_view tag, std::string_view version) {
  text(tag, table_layout::kVersionOffset);
  text(version, table_layout::kVersionWidth);
  text("", table_layout::kHeaderValueOffset - table_layout::kVersionOffset - table_layout::kVersionWidth);
  be32(0);
}

void ByteBuilder::section_header(std::string_view name, std::uint32_t record, std::uint32_t length,
                                 std::uint32_t start) {
  text(name, table_layout::kRecordSizeOffset);
  u8(record);
  be32(length);
  be32(start);
  zeros(table_layout::kSectionHeaderSize - table_layout::kSectionStartOffset - 4);
}

void ByteBuilder::trailer() {
  Sum4 sum = table_sum(std::span<const std::uint8_t>(bytes));
  bytes.insert(bytes.end(), sum.begin(), sum.end());
}

namespace {

bool directive(const Line& line, TableKind kind, Directives& d, Errors& errors) {
  const std::string& word = line.tokens.empty() ? std::string() : line.tokens[0];
  if (word == "version") {
    if (kind == TableKind::geography) errors.at(line.number, "codegeog.tab carries no version");
    else if (line.tokens.size() != 2 || line.tokens[1].size() != 2)
      errors.at(line.number, "version must be two characters");
    else if (!d.version.empty())
      errors.at(line.number, "version given twice");
    else {
      d.version = line.tokens[1];
      d.version_line = line.number;
    }
    return true;
  }
  if (word == "record_size") {
    auto n = line.tokens.size() == 2 ? parse_number(line.tokens[1], 255) : std::nullopt;
    if (kind != TableKind::tree && kind != TableKind::diagnoses)
      errors.at(line.number, "record_size is only for the tree and the diagnoses");
    else if (!n)
      errors.at(line.number, "record_size must be a number");
    else
      d.record_size = *n;
    return true;
  }
  if (word == "table") {
    errors.at(line.number, "table given twice");
    return true;
  }
  return false;
}

}  // namespace
}  // namespace detail

std::optional<TableKind> kind_of_file(std::string_view file_name) {
  std::size_t slash = file_name.find_last_of("/\\");
  if (slash != std::string_view::npos) file_name = file_name.substr(slash + 1);
  std::string lower(file_name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (TableKind k : {TableKind::tree, TableKind::diagnoses, TableKind::cdam, TableKind::ccam, TableKind::geography})
    if (lower == file_name_of(k)) return k;
  return std::nullopt;
}

const char* file_name_of(TableKind kind) {
  switch (kind) {
    case TableKind::tree: return table_layout::kTreeFile;
    case TableKind::diagnoses: return table_layout::kDiagnosisFile;
    case TableKind::cdam: return table_layout::kCdamFile;
    case TableKind::ccam: return table_layout::kCcamFile;
    case TableKind::geography: return table_layout::kGeographyFile;
  }
  return "";
}

CompileResult compile_source(std::string_view source_name, std::string_view text) {
  using namespace detail;
  CompileResult result;
  Errors errors(source_name, result.errors);
  std::vector<Line> lines = split_lines(text);
  if (lines.empty() || lines[0].tokens.size() != 2 || lines[0].tokens[0] != "table" || !lines[0].label.empty()) {
    errors.at(lines.empty() ? 1 : lines[0].number, "the source must begin with \"table NAME\"");
    return result;
  }
  auto kind = kind_of_file(lines[0].tokens[1]);
  if (!kind) {
    errors.at(lines[0].number, "unknown table \"" + lines[0].tokens[1] + "\"");
    return result;
  }
  Directives d;
  std::vector<Line> records;
  for (std::size_t i = 1; i < lines.size(); ++i)
    if (!directive(lines[i], *kind, d, errors)) records.push_back(lines[i]);
  if (*kind != TableKind::geography && d.version.empty()) errors.at(lines[0].number, "no version line");

  std::optional<Bytes> bytes;
  switch (*kind) {
    case TableKind::tree: bytes = compile_tree(records, d, errors); break;
    case TableKind::diagnoses: bytes = compile_diagnoses(records, d, errors); break;
    case TableKind::cdam: bytes = compile_cdam(records, d, errors); break;
    case TableKind::ccam: bytes = compile_ccam(records, d, errors); break;
    case TableKind::geography: bytes = compile_geography(records, d, errors); break;
  }
  if (bytes && !errors.any()) result.table = Compiled{*kind, file_name_of(*kind), std::move(*bytes)};
  return result;
}

Status compile_to_directory(std::string_view source_name, std::string_view text, std::string_view dir) {
  CompileResult r = compile_source(source_name, text);
  if (!r.table) {
    std::string all;
    for (const std::string& e : r.errors) all += (all.empty() ? "" : "\n") + e;
    return Error{all};
  }
  std::string path = join(dir, r.table->file_name);
  auto file = open_file(path, "wb");
  if (!file) return Error{"'" + path + "': " + file.error()};
  const auto& b = r.table->bytes;
  if (std::fwrite(b.data(), 1, b.size(), file->get()) != b.size() || std::fflush(file->get()) != 0)
    return Error{"'" + path + "': write failed"};
  return {};
}

}  // namespace pmsi::tabc
