#pragma once
// The table compiler: readable text sources to the five binary table files of
// the grouper, and binary files back to text (dump). compile(dump(file)) gives
// the bytes of every file that the compiler produced.
//
// Source text: one record per line, "#" starts a comment, blank lines are
// ignored. The first directive "table NAME" names the file to produce
// (arbressr.tab, diag10sr.tab, actecssr.tab, ccamcssr.tab, codegeog.tab);
// the four nomenclature files then need "version XX". Each data/tables/*.txt
// source documents its own record syntax at its top.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace pmsi::tabc {

enum class TableKind { tree, diagnoses, cdam, ccam, geography };

// The table kind named by a file name (case-insensitive, directory ignored).
std::optional<TableKind> kind_of_file(std::string_view file_name);
const char* file_name_of(TableKind kind);

struct Compiled {
  TableKind kind;
  std::string file_name;  // e.g. "arbressr.tab"
  std::vector<std::uint8_t> bytes;
};

struct CompileResult {
  std::optional<Compiled> table;    // empty when any error was found
  std::vector<std::string> errors;  // "'source': line N: message"
};

// Compiles one source; source_name is used in the messages only.
CompileResult compile_source(std::string_view source_name, std::string_view text);

// Text of a binary table; the kind comes from the file name.
Result<std::string> dump_table(std::string_view file_name, std::span<const std::uint8_t> bytes);

// Compiles the text and writes the table into dir (which must exist); the
// error text joins the messages. For tests and the build.
Status compile_to_directory(std::string_view source_name, std::string_view text, std::string_view dir);

}  // namespace pmsi::tabc
