// Diagnoses, CDAM acts and CCAM acts.
//   diagnoses: CODE POSITIONS CATEGORY [FIRST,SECOND ...]
//   acts:      CODE CLASS
#include <algorithm>
#include <map>
#include <set>

#include "grouper/tables.h"
#include "source.h"

namespace pmsi::tabc::detail {
namespace {

namespace L = table_layout;

// "-" (none), any of "1", "2", "3", "a" (diag_1, diag_2, diag_3, associated),
// or a byte "0xNN".
std::optional<std::uint8_t> parse_positions(std::string_view t) {
  if (t == "-") return 0;
  if (t.size() == 4 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    unsigned v = 0;
    for (char c : t.substr(2)) {
      int h = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
              : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                          : -1;
      if (h < 0) return std::nullopt;
      v = v * 16 + static_cast<unsigned>(h);
    }
    return static_cast<std::uint8_t>(v);
  }
  std::uint8_t v = 0;
  for (char c : t) {
    std::uint8_t bits = c == '1' ? 0xC0 : c == '2' ? 0x30 : c == '3' ? 0x0C : c == 'a' ? 0x03 : 0;
    if (bits == 0 || (v & bits)) return std::nullopt;
    v |= bits;
  }
  if (t.empty()) return std::nullopt;
  return v;
}

// A diagnosis code of the source: letter, two digits, up to three suffix
// characters ("_" for a blank inside).
std::optional<std::string> parse_diagnosis(std::string_view t, std::string& why) {
  if (t.size() < 3 || t.size() > 6 || t[0] < 'A' || t[0] > 'Z' || !std::isdigit(static_cast<unsigned char>(t[1])) ||
      !std::isdigit(static_cast<unsigned char>(t[2]))) {
    why = "a diagnosis code is a capital letter, two digits and up to three characters";
    return std::nullopt;
  }
  std::string code(t);
  std::replace(code.begin(), code.end(), '_', ' ');
  code.resize(6, ' ');
  if (!diagnosis_suffix_key(code)) {
    why = "suffix \"" + std::string(t.substr(3)) + "\" cannot be encoded (blank, digit, or + in positions 4 and 5)";
    return std::nullopt;
  }
  return code;
}

struct Entry {
  int line;
  std::uint32_t bucket;      // category or CCAM bucket: the sort key
  std::uint32_t key;         // suffix key, or CCAM letter and number
  std::vector<std::uint8_t> record;  // diagnoses: positions, category, groups
  std::uint8_t act_class = 0;
};

// Key entries grouped by bucket, in source order within a bucket; the counts
// are cumulative 16-bit numbers.
bool write_index(ByteBuilder& out, std::vector<Entry>& entries, int buckets, Errors& errors) {
  if (entries.size() > 65535) {
    errors.at(entries[65535].line, "more than 65535 codes");
    return false;
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.bucket < b.bucket; });
  std::size_t e = 0;
  for (int k = 0; k < buckets; ++k) {
    while (e < entries.size() && entries[e].bucket == static_cast<std::uint32_t>(k)) ++e;
    out.be16(static_cast<std::uint32_t>(e));
  }
  return true;
}

}  // namespace

std::optional<Bytes> compile_diagnoses(const std::vector<Line>& lines, const Directives& d, Errors& errors) {
  std::vector<Entry> entries;
  std::size_t needed = L::kDiagnosisRecordMin;
  for (const Line& line : lines) {
    const auto& t = line.tokens;
    if (!line.label.empty()) errors.at(line.number, "labels are only for tree nodes");
    if (t.size() < 3) {
      errors.at(line.number, "expected: CODE POSITIONS CATEGORY [FIRST,SECOND ...]");
      continue;
    }
    std::string why;
    auto code = parse_diagnosis(t[0], why);
    if (!code) errors.at(line.number, why);
    auto positions = parse_positions(t[1]);
    if (!positions) errors.at(line.number, "positions must be \"-\", letters of \"123a\" or 0xNN");
    auto category = parse_number(t[2], 99);
    if (!category) errors.at(line.number, "category must be 0 to 99");
    Entry entry{line.number, 0, 0, {positions.value_or(0), static_cast<std::uint8_t>(category.value_or(0))}, 0};
    for (std::size_t g = 3; g < t.size(); ++g) {
      std::size_t comma = t[g].find(',');
      auto first = comma == std::string::npos ? std::nullopt : parse_number(t[g].substr(0, comma), 255);
      auto second = comma == std::string::npos ? std::nullopt : parse_number(t[g].substr(comma + 1), 255);
      if (!first || !second) {
        errors.at(line.number, "a group is FIRST,SECOND with numbers 0 to 255");
        continue;
      }
      entry.record.push_back(static_cast<std::uint8_t>(*first));
      entry.record.push_back(static_cast<std::uint8_t>(*second));
    }
    if (entry.record.size() > L::kDiagnosisRecordMax) {
      errors.at(line.number, "more than 5 groups: a diagnosis record holds at most 13 bytes");
      continue;
    }
    if (!code) continue;
    entry.bucket = static_cast<std::uint32_t>(*diagnosis_category_number(*code));
    entry.key = static_cast<std::uint32_t>(*diagnosis_suffix_key(*code));
    needed = std::max(needed, entry.record.size());
    entries.push_back(std::move(entry));
  }
  std::size_t record = d.record_size.value_or(needed);
  if (record < needed || record > L::kDiagnosisRecordMax)
    errors.at(1, "record_size of the diagnoses must be " + std::to_string(needed) + " to 13");
  if (errors.any()) return std::nullopt;

  ByteBuilder index;
  if (!write_index(index, entries, L::kCategoryCount, errors)) return std::nullopt;
  // Records numbered in key order; identical records are shared, and
  // record 0 (what an unknown code gets) is all zeros.
  std::map<std::vector<std::uint8_t>, std::uint32_t> numbers;
  std::vector<std::uint8_t> zero(record, 0);
  numbers.emplace(zero, 0);
  ByteBuilder records;
  records.bytes = zero;
  for (const Entry& e : entries) {
    std::vector<std::uint8_t> r = e.record;
    r.resize(record, 0);
    auto [it, added] = numbers.emplace(r, static_cast<std::uint32_t>(numbers.size()));
    if (added) records.bytes.insert(records.bytes.end(), r.begin(), r.end());
    index.be16(e.key);
    index.be16(it->second);
  }
  if (numbers.size() > 65536) {
    errors.at(1, "more than 65536 distinct diagnosis records");
    return std::nullopt;
  }

  ByteBuilder out;
  out.file_header("DIAG10SR", d.version);
  auto index_start = static_cast<std::uint32_t>(L::kFileHeaderSize + 2 * L::kSectionHeaderSize);
  auto index_length = static_cast<std::uint32_t>(index.bytes.size());
  out.section_header("INDEX", L::kKeyEntrySize, index_length, index_start);
  out.section_header("DIAGNOSTICS", static_cast<std::uint32_t>(record),
                     static_cast<std::uint32_t>(records.bytes.size()), index_start + index_length);
  out.bytes.insert(out.bytes.end(), index.bytes.begin(), index.bytes.end());
  out.bytes.insert(out.bytes.end(), records.bytes.begin(), records.bytes.end());
  out.trailer();
  return std::move(out.bytes);
}

std::optional<Bytes> compile_cdam(const std::vector<Line>& lines, const Directives& d, Errors& errors) {
  std::vector<std::uint8_t> classes(L::kCdamCodeCount, 0);
  std::set<std::string> seen;
  for (const Line& line : lines) {
    const auto& t = line.tokens;
    if (!line.label.empty()) errors.at(line.number, "labels are only for tree nodes");
    if (t.size() != 2) {
      errors.at(line.number, "expected: CODE CLASS");
      continue;
    }
    const std::string& c = t[0];
    auto number = c.size() == 4 ? parse_number(c.substr(1), 999) : std::nullopt;
    auto act_class = parse_number(t[1], 255);
    if (c.size() != 4 || c[0] < 'A' || c[0] > 'Z' || !number) {
      errors.at(line.number, "a CDAM code is a capital letter and three digits");
      continue;
    }
    if (!act_class) errors.at(line.number, "class must be 0 to 255");
    if (!seen.insert(c).second) errors.at(line.number, "code " + c + " given twice");
    classes[static_cast<std::size_t>((c[0] - 'A') * 1000) + *number] = static_cast<std::uint8_t>(act_class.value_or(0));
  }
  if (errors.any()) return std::nullopt;
  ByteBuilder out;
  out.file_header("ACTECSSR", d.version);
  out.section_header("ACTES CDAM", 1, L::kCdamCodeCount, L::kFileHeaderSize + L::kSectionHeaderSize);
  out.bytes.insert(out.bytes.end(), classes.begin(), classes.end());
  out.trailer();
  return std::move(out.bytes);
}

std::optional<Bytes> compile_ccam(const std::vector<Line>& lines, const Directives& d, Errors& errors) {
  std::vector<Entry> entries;
  std::set<std::string> seen;
  for (const Line& line : lines) {
    const auto& t = line.tokens;
    if (!line.label.empty()) errors.at(line.number, "labels are only for tree nodes");
    if (t.size() != 2) {
      errors.at(line.number, "expected: CODE CLASS");
      continue;
    }
    const std::string& c = t[0];
    bool letters = c.size() == 8 && std::all_of(c.begin(), c.begin() + 4, [](char x) { return x >= 'A' && x <= 'Z'; });
    auto number = letters ? parse_number(c.substr(4), 9999) : std::nullopt;
    if (!letters || !number || c.substr(4).size() != 4) {
      errors.at(line.number, "a CCAM code is four capital letters and four digits");
      continue;
    }
    auto act_class = parse_number(t[1], 255);
    if (!act_class) errors.at(line.number, "class must be 0 to 255");
    if (!seen.insert(c).second) errors.at(line.number, "code " + c + " given twice");
    Entry e{line.number, static_cast<std::uint32_t>(*ccam_bucket_number(c)),
            (static_cast<std::uint32_t>(c[3] - 'A') << 16) | *number, {}, static_cast<std::uint8_t>(act_class.value_or(0))};
    entries.push_back(std::move(e));
  }
  if (errors.any()) return std::nullopt;
  ByteBuilder section;
  if (!write_index(section, entries, L::kBucketCount, errors)) return std::nullopt;
  for (const Entry& e : entries) {
    section.be24(e.key);
    section.u8(e.act_class);
  }
  ByteBuilder out;
  out.file_header("CCAMCSSR", d.version);
  out.section_header("ACTES CCAM", L::kKeyEntrySize, static_cast<std::uint32_t>(section.bytes.size()),
                     L::kFileHeaderSize + L::kSectionHeaderSize);
  out.bytes.insert(out.bytes.end(), section.bytes.begin(), section.bytes.end());
  return std::move(out.bytes);
}

}  // namespace pmsi::tabc::detail
