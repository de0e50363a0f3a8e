#pragma once
// Internals of the compiler: source lines as tokens, error collection, number
// parsing, and the big-endian byte builder.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tabc/tabc.h"

namespace pmsi::tabc::detail {

struct Line {
  int number = 0;
  std::string label;  // "name" of a leading "name:" token, else empty
  std::vector<std::string> tokens;
};

// Splits the text into lines of tokens; comments and blank lines dropped.
std::vector<Line> split_lines(std::string_view text);

class Errors {
 public:
  Errors(std::string_view source, std::vector<std::string>& out) : source_(source), out_(out) {}
  void at(int line, const std::string& message);
  bool any() const { return count_ > 0; }

 private:
  std::string source_;
  std::vector<std::string>& out_;
  int count_ = 0;
};

// Decimal number 0...max; nothing otherwise.
std::optional<std::uint32_t> parse_number(std::string_view token, std::uint32_t max);

class ByteBuilder {
 public:
  void u8(std::uint32_t v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void be16(std::uint32_t v) { u8(v >> 8); u8(v); }
  void be24(std::uint32_t v) { u8(v >> 16); be16(v); }
  void be32(std::uint32_t v) { be16(v >> 16); be16(v); }
  // The text padded with blanks (or cut) to width.
  void text(std::string_view s, std::size_t width);
  void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
  // The 32-byte file header of a nomenclature file.
  void file_header(std::string_view tag, std::string_view version);
  void section_header(std::string_view name, std::uint32_t record, std::uint32_t length, std::uint32_t start);
  void trailer();  // table_sum of everything before
  std::vector<std::uint8_t> bytes;
};

// Directives shared by the sources: "table", "version", "record_size".
struct Directives {
  std::string version;          // 2 characters, empty when absent
  std::optional<std::uint32_t> record_size;
  int version_line = 0;
};

using Bytes = std::vector<std::uint8_t>;

// Each compiler gets the record lines (directives removed) of its source.
std::optional<Bytes> compile_tree(const std::vector<Line>& lines, const Directives& d, Errors& errors);
std::optional<Bytes> compile_diagnoses(const std::vector<Line>& lines, const Directives& d, Errors& errors);
std::optional<Bytes> compile_cdam(const std::vector<Line>& lines, const Directives& d, Errors& errors);
std::optional<Bytes> compile_ccam(const std::vector<Line>& lines, const Directives& d, Errors& errors);
std::optional<Bytes> compile_geography(const std::vector<Line>& lines, const Directives& d, Errors& errors);

// Diagnosis code text of a category number and suffix key ('_' for an inner
// blank, trailing blanks dropped); positions byte as text.
std::string diagnosis_code_text(int category, int suffix);
std::string positions_text(std::uint8_t positions);
// Department number of the first three characters of a postal code, and back.
std::optional<int> department_of(std::string_view postal3);
std::string department_text(int department);

}  // namespace pmsi::tabc::detail
