// Binary tables back to source text. Every read is checked against the file
// size: a damaged file gives an error, never a read outside it.
#include <cstdio>
#include <set>

#include "common/format.h"
#include "grouper/tables.h"
#include "source.h"

namespace pmsi::tabc {
namespace detail {

namespace L = table_layout;

std::string diagnosis_code_text(int category, int suffix) {
  static constexpr char kValue[] = " 0123456789+";
  std::string code = format("%c%02d", 'A' + category / 100, category % 100);
  code += kValue[suffix / 132];
  code += kValue[suffix % 132 / 11];
  code += kValue[suffix % 11];
  while (code.back() == ' ') code.pop_back();
  for (char& c : code)
    if (c == ' ') c = '_';
  return code;
}

std::string positions_text(std::uint8_t p) {
  if (p == 0) return "-";
  static constexpr std::uint8_t kPair[4] = {0xC0, 0x30, 0x0C, 0x03};
  static constexpr char kName[4] = {'1', '2', '3', 'a'};
  std::string text;
  for (int i = 0; i < 4; ++i) {
    std::uint8_t bits = p & kPair[i];
    if (bits == kPair[i]) text += kName[i];
    else if (bits != 0) return format("0x%02X", p);
  }
  return text;
}

}  // namespace detail

namespace {

using namespace detail;
using Span = std::span<const std::uint8_t>;

std::uint32_t be16(Span b, std::size_t off) { return (std::uint32_t{b[off]} << 8) | b[off + 1]; }
std::uint32_t be32(Span b, std::size_t off) { return (be16(b, off) << 16) | be16(b, off + 2); }
bool within(std::uint64_t off, std::uint64_t n, std::uint64_t limit) { return off <= limit && n <= limit - off; }

struct Section {
  std::size_t record, start, end;
};

std::optional<Section> section(Span b, int k) {
  std::size_t h = L::kFileHeaderSize + L::kSectionHeaderSize * static_cast<std::size_t>(k);
  if (!within(h, L::kSectionHeaderSize, b.size())) return std::nullopt;
  std::uint64_t length = be32(b, h + L::kSectionLengthOffset), start = be32(b, h + L::kSectionStartOffset);
  if (!within(start, length, b.size())) return std::nullopt;
  return Section{b[h + L::kRecordSizeOffset], static_cast<std::size_t>(start), static_cast<std::size_t>(start + length)};
}

std::string head(TableKind kind, Span b) {
  std::string text = format("table %s\n", file_name_of(kind));
  if (kind != TableKind::geography)
    text += format("version %c%c\n", b[L::kVersionOffset], b[L::kVersionOffset + 1]);
  return text;
}

Result<std::string> dump_tree(Span b) {
  auto s = section(b, 0);
  if (!s || s->record < L::kTreeRecordMin || s->record > L::kTreeRecordMax)
    return Error{"not a tree file: bad section header"};
  std::string text = head(TableKind::tree, b);
  if (s->record != L::kTreeRecordMin) text += format("record_size %zu\n", s->record);
  std::size_t count = (s->end - s->start) / s->record;
  std::set<std::size_t> labelled;
  for (std::size_t n = 0; n < count; ++n) {
    std::size_t off = s->start + n * s->record;
    std::size_t child = be16(b, off + L::kNodeChildIndex);
    if (b[off + L::kNodeHighestBranch] != 0 && child < count) labelled.insert(child);
  }
  for (std::size_t n = 0; n < count; ++n) {
    std::size_t off = s->start + n * s->record;
    std::string label = labelled.count(n) ? format("n%zu:", n) : std::string();
    std::uint32_t child = be16(b, off + L::kNodeChildIndex);
    if (b[off + L::kNodeHighestBranch] == 0) {
      text += format("%-8s leaf %u %u %u\n", label.c_str(), b[off + L::kNodeP2], child, b[off + L::kNodeP1]);
    } else {
      std::string target = child < count ? format("n%u", child) : format("%u", child);
      text += format("%-8s test %u %u %u %u %s\n", label.c_str(), b[off + L::kNodeTestType], b[off + L::kNodeP1],
                     b[off + L::kNodeP2], b[off + L::kNodeHighestBranch], target.c_str());
    }
  }
  return text;
}

Result<std::string> dump_diagnoses(Span b) {
  auto keys = section(b, 0), records = section(b, 1);
  if (!keys || !records || keys->end - keys->start < L::kDiagnosisKeysOffset ||
      records->record < L::kDiagnosisRecordMin || records->record > L::kDiagnosisRecordMax)
    return Error{"not a diagnosis file: bad section header"};
  std::string text = head(TableKind::diagnoses, b);
  text += format("record_size %zu\n", records->record);
  std::uint32_t first = 0;
  for (int k = 0; k < L::kCategoryCount; ++k) {
    std::uint32_t last = be16(b, keys->start + 2 * static_cast<std::size_t>(k));
    std::size_t entries = keys->start + L::kDiagnosisKeysOffset;
    if (last < first || !within(entries + 4 * std::size_t{first}, 4 * std::size_t{last - first}, keys->end))
      return Error{format("category %d: key entries outside the index", k)};
    for (std::uint32_t e = first; e < last; ++e) {
      std::size_t at = entries + 4 * std::size_t{e};
      std::uint32_t suffix = be16(b, at), r = be16(b, at + 2);
      std::uint64_t off = records->start + std::uint64_t{r} * records->record;
      if (suffix >= static_cast<std::uint32_t>(L::kSuffixKeyCount))
        return Error{format("category %d: suffix key %u out of range", k, suffix)};
      if (!within(off, records->record, records->end))
        return Error{format("category %d: record %u outside the records", k, r)};
      // Trailing (0,0) pairs are the compiler's padding.
      std::size_t size = 2 + (records->record - 2) / 2 * 2;
      while (size > 2 && b[off + size - 1] == 0 && b[off + size - 2] == 0) size -= 2;
      text += format("%-7s %-5s %2u", diagnosis_code_text(k, static_cast<int>(suffix)).c_str(),
                     positions_text(b[off]).c_str(), b[off + 1]);
      for (std::size_t g = 2; g + 1 < size; g += 2) text += format(" %u,%u", b[off + g], b[off + g + 1]);
      text += "\n";
    }
    first = last;
  }
  return text;
}

Result<std::string> dump_cdam(Span b) {
  auto s = section(b, 0);
  if (!s || s->record != 1) return Error{"not a CDAM file: bad section header"};
  std::string text = head(TableKind::cdam, b);
  for (std::size_t i = 0; i < s->end - s->start; ++i) {
    std::uint8_t c = b[s->start + i];
    if (c == 0) continue;
    if (i >= static_cast<std::size_t>(L::kCdamCodeCount)) return Error{format("byte %zu beyond Z999", i)};
    text += format("%c%03zu %u\n", static_cast<char>('A' + i / 1000), i % 1000, c);
  }
  return text;
}

Result<std::string> dump_ccam(Span b) {
  if (!within(L::kFileHeaderSize, L::kSectionHeaderSize, b.size())) return Error{"not a CCAM file: too short"};
  std::size_t start = be32(b, L::kFileHeaderSize + L::kSectionStartOffset);
  if (!within(start, L::kCcamKeysOffset, b.size())) return Error{"not a CCAM file: counts outside the file"};
  std::string text = head(TableKind::ccam, b);
  std::uint32_t first = 0;
  for (int n = 0; n < L::kBucketCount; ++n) {
    std::uint32_t last = be16(b, start + 2 * static_cast<std::size_t>(n));
    std::size_t entries = start + L::kCcamKeysOffset;
    if (last < first || !within(entries + 4 * std::size_t{first}, 4 * std::size_t{last - first}, b.size()))
      return Error{format("bucket %d: key entries outside the file", n)};
    for (std::uint32_t e = first; e < last; ++e) {
      std::size_t at = entries + 4 * std::size_t{e};
      if (b[at] > 25 || be16(b, at + 1) > 9999) return Error{format("bucket %d: entry %u cannot be written", n, e)};
      text += format("%c%c%c%c%04u %u\n", 'A' + n / 676, 'A' + n / 26 % 26, 'A' + n % 26, 'A' + b[at],
                     be16(b, at + 1), b[at + 3]);
    }
    first = last;
  }
  return text;
}

Result<std::string> dump_geography(Span b) {
  if (b.size() < L::kGeographyEntriesOffset) return Error{"not a geography file: too short"};
  std::string text = head(TableKind::geography, b);
  for (int d = 0; d + 1 < L::kDepartmentCount; ++d) {
    std::size_t at = L::kGeographyIndexOffset + 2 * static_cast<std::size_t>(d);
    std::uint32_t first = be16(b, at), last = be16(b, at + 2);
    for (std::uint32_t e = first; e < last; ++e) {
      std::size_t off = L::kGeographyEntriesOffset + 4 * std::size_t{e};
      if (!within(off, 4, b.size())) return Error{format("department %d: entries outside the file", d)};
      if (b[off] > 99) return Error{format("department %d: commune suffix %u", d, b[off])};
      std::uint32_t number = (std::uint32_t{b[off + 1]} << 16) | be16(b, off + 2);
      text += format("%s%02u %u\n", department_text(d).c_str(), b[off], number);
    }
  }
  return text;
}

}  // namespace

Result<std::string> dump_table(std::string_view file_name, std::span<const std::uint8_t> bytes) {
  auto kind = kind_of_file(file_name);
  if (!kind) return Error{"not a table file name"};
  if (*kind != TableKind::geography && bytes.size() < L::kFileHeaderSize) return Error{"too short for a file header"};
  switch (*kind) {
    case TableKind::tree: return dump_tree(bytes);
    case TableKind::diagnoses: return dump_diagnoses(bytes);
    case TableKind::cdam: return dump_cdam(bytes);
    case TableKind::ccam: return dump_ccam(bytes);
    case TableKind::geography: return dump_geography(bytes);
  }
  return Error{"unknown table"};
}

}  // namespace pmsi::tabc
