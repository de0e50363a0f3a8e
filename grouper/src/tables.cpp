// The nomenclature tables: start-up check, lazy opening with version checks,
// and the lookups. Each file is read whole when it is opened; every read is
// checked against the bounds taken from its headers, which are themselves
// checked against the file size when the file is opened.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/table_sum.h"
#include "grouper/tables.h"

namespace pmsi {
namespace {

namespace L = table_layout;
using Bytes = std::vector<std::uint8_t>;

std::optional<Bytes> read_whole_file(const std::string& path) {
  auto file = open_file(path, "rb");
  if (!file) return std::nullopt;
  Bytes bytes;
  std::uint8_t buf[65536];
  for (;;) {
    std::size_t n = std::fread(buf, 1, sizeof buf, file->get());
    bytes.insert(bytes.end(), buf, buf + n);
    if (n < sizeof buf) break;
  }
  if (std::ferror(file->get())) return std::nullopt;
  return bytes;
}

std::uint32_t be16(const Bytes& b, std::size_t off) { return (std::uint32_t{b[off]} << 8) | b[off + 1]; }
std::uint32_t be32(const Bytes& b, std::size_t off) { return (be16(b, off) << 16) | be16(b, off + 2); }

// Bytes [off, off + n) lie in [0, limit).
bool within(std::uint64_t off, std::uint64_t n, std::uint64_t limit) { return off <= limit && n <= limit - off; }

struct Section {
  std::size_t record = 0, start = 0, end = 0;
};

// Section header k; nothing when the headers or the section do not lie
// within the file.
std::optional<Section> section(const Bytes& b, int k) {
  std::size_t h = L::kFileHeaderSize + L::kSectionHeaderSize * static_cast<std::size_t>(k);
  if (!within(h, L::kSectionHeaderSize, b.size())) return std::nullopt;
  std::uint64_t length = be32(b, h + L::kSectionLengthOffset);
  std::uint64_t start = be32(b, h + L::kSectionStartOffset);
  if (!within(start, length, b.size())) return std::nullopt;
  return Section{b[h + L::kRecordSizeOffset], static_cast<std::size_t>(start),
                 static_cast<std::size_t>(start + length)};
}

bool same_version(const Bytes& b, const char* version) {
  return b[L::kVersionOffset] == static_cast<std::uint8_t>(version[0]) &&
         b[L::kVersionOffset + 1] == static_cast<std::uint8_t>(version[1]);
}

int decimal_prefix(std::string_view s, std::size_t from, std::size_t to) {
  int v = 0;
  for (std::size_t i = from; i < to && i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') break;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

template <std::size_t N>
void copy_code(std::array<char, N>& to, std::string_view code) {
  to.fill(' ');
  std::copy_n(code.begin(), std::min(N, code.size()), to.begin());
}

}  // namespace

bool DiagnosisSlot::has_group(std::uint8_t first, std::uint8_t second) const {
  // Pairs at record bytes 2-3, 4-5, ...: data bytes 1-2, 3-4, ...
  for (std::size_t j = 1; j + 1 < data_size; j += 2)
    if (data[j] == first && data[j + 1] == second) return true;
  return false;
}

Tables::Tables() = default;
Tables::~Tables() = default;

Result<std::string> Tables::check_tables(std::string_view tables_dir, TextWriter& log) {
  std::string version;
  for (const char* name : {L::kTreeFile, L::kDiagnosisFile, L::kCdamFile}) {
    std::string path = join(tables_dir, name);
    auto bytes = read_whole_file(path);
    if (!bytes) {
      log.printf("Tables non trouvees %s\n", path.c_str());
      return Error{"Tables non trouvees " + path};
    }
    const Bytes& b = *bytes;
    bool intact = b.size() >= L::kTrailerSize;
    if (intact) {
      std::size_t n = b.size() - L::kTrailerSize;
      Sum4 sum = table_sum(std::span<const std::uint8_t>(b.data(), n));
      intact = std::equal(sum.begin(), sum.end(), b.begin() + static_cast<std::ptrdiff_t>(n));
    }
    if (name == L::kTreeFile) {
      intact = intact && b.size() >= L::kFileHeaderSize + L::kTrailerSize;
      if (intact) version.assign(reinterpret_cast<const char*>(b.data()) + L::kVersionOffset, L::kVersionWidth);
    }
    if (!intact) {
      log.printf("Table altérée %s\n", path.c_str());
      return Error{"Table altérée " + path};
    }
  }
  return version;
}

int Tables::open_tables(std::string_view tables_dir, std::span<char, 3> version, TextWriter& log) {
  if (!tree_open_) {
    auto b = read_whole_file(join(tables_dir, L::kTreeFile));
    auto s = b ? section(*b, 0) : std::nullopt;
    if (!s || s->record < L::kTreeRecordMin || s->record > L::kTreeRecordMax) {
      log.printf("Pb d'ouverture des tables arbre: %d\n", kTreeOpenFailure);
      return kTreeOpenFailure;
    }
    tree_ = std::move(*b);
    tree_start_ = s->start;
    tree_end_ = s->end;
    tree_record_ = s->record;
    version_[0] = static_cast<char>(tree_[L::kVersionOffset]);
    version_[1] = static_cast<char>(tree_[L::kVersionOffset + 1]);
    version_[2] = '\0';
    tree_open_ = true;
  }
  std::copy_n(version_, 3, version.begin());

  if (!cdam_open_) {
    auto b = read_whole_file(join(tables_dir, L::kCdamFile));
    auto s = b ? section(*b, 0) : std::nullopt;
    if (!s || s->record != 1) {
      log.printf("Pb d'ouverture de la table des actes CDAM: %d\n", kNomenclatureOpenFailure);
      return kNomenclatureOpenFailure;
    }
    cdam_ = std::move(*b);
    cdam_start_ = s->start;
    cdam_end_ = s->end;
    cdam_open_ = true;
    if (!same_version(cdam_, version_)) {
      log.printf("Version des tables incompatible (Arbre - Actes) \n");
      return kVersionOrCcamFailure;
    }
  }

  if (!ccam_open_) {
    auto b = read_whole_file(join(tables_dir, L::kCcamFile));
    // Record size and length of this section are not used: the counts must
    // lie within the file.
    bool holds = b && within(L::kFileHeaderSize, L::kSectionHeaderSize, b->size());
    std::size_t start = 0;
    if (holds) {
      start = be32(*b, L::kFileHeaderSize + L::kSectionStartOffset);
      holds = within(start, L::kCcamKeysOffset, b->size());
    }
    if (!holds) {
      log.printf("Pb d'ouverture de la table des actes CCAM: %d\n", kVersionOrCcamFailure);
      return kVersionOrCcamFailure;
    }
    ccam_ = std::move(*b);
    ccam_start_ = start;
    ccam_open_ = true;
    if (!same_version(ccam_, version_)) {
      log.printf("Version des tables incompatible (Arbre - Actes) \n");
      return kVersionOrCcamFailure;
    }
  }

  if (!diag_open_) {
    auto b = read_whole_file(join(tables_dir, L::kDiagnosisFile));
    auto keys = b ? section(*b, 0) : std::nullopt;
    auto records = b ? section(*b, 1) : std::nullopt;
    bool holds = keys && records && keys->end - keys->start >= L::kDiagnosisKeysOffset &&
                 records->record >= L::kDiagnosisRecordMin && records->record <= L::kDiagnosisRecordMax &&
                 records->end - records->start >= records->record;
    if (!holds) {
      log.printf("Pb d'ouverture des tables des diags : %d\n", kNomenclatureOpenFailure);
      return kNomenclatureOpenFailure;
    }
    diagnoses_file_ = std::move(*b);
    keys_start_ = keys->start;
    keys_end_ = keys->end;
    records_start_ = records->start;
    records_end_ = records->end;
    diag_record_ = records->record;
    diag_open_ = true;
    if (!same_version(diagnoses_file_, version_)) {
      log.printf("Version des tables incompatible (Arbre - Diags) \n");
      return kVersionOrCcamFailure;
    }
  }
  return kTablesOpen;
}

void Tables::fetch_diagnosis(int i, std::string_view code) {
  if (i < 0 || i >= kDiagnosisSlotCount) return;
  DiagnosisSlot& slot = diagnoses_[static_cast<std::size_t>(i)];
  copy_code(slot.code, code);
  slot.positions = 0;
  slot.data.fill(0);
  slot.data_size = 0;
  if (!diag_open_) return;
  const Bytes& b = diagnoses_file_;

  std::uint32_t record = 0;
  auto category = diagnosis_category_number(code);
  auto suffix = diagnosis_suffix_key(code);
  if (!code.empty() && code[0] != ' ' && category && *category < L::kCategoryCount && suffix) {
    std::size_t k = static_cast<std::size_t>(*category);
    std::uint32_t first = k == 0 ? 0 : be16(b, keys_start_ + 2 * (k - 1));
    std::uint32_t last = be16(b, keys_start_ + 2 * k);
    std::size_t entries = keys_start_ + L::kDiagnosisKeysOffset;
    if (first < last && within(entries + L::kKeyEntrySize * first, L::kKeyEntrySize * (last - first), keys_end_)) {
      for (std::uint32_t e = first; e < last; ++e) {
        std::size_t off = entries + L::kKeyEntrySize * e;
        if (be16(b, off) == static_cast<std::uint32_t>(*suffix)) {
          record = be16(b, off + 2);
          break;
        }
      }
    }
  }
  std::uint64_t off = records_start_ + std::uint64_t{record} * diag_record_;
  if (!within(off, diag_record_, records_end_)) off = records_start_;  // record 0
  slot.positions = b[off];
  slot.data_size = static_cast<std::uint8_t>(diag_record_ - 1);
  std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(off + 1), slot.data_size, slot.data.begin());
}

void Tables::lookup_cdam_act(int i, std::string_view code) {
  if (i < 0 || i >= kActSlotCount) return;
  ActSlot& slot = acts_[static_cast<std::size_t>(i)];
  slot.width = 4;
  copy_code(slot.code, code.substr(0, 4));
  std::fill(slot.code.begin() + 4, slot.code.end(), ' ');
  slot.act_class = 0;
  if (!cdam_open_ || code.empty() || code[0] == ' ') return;
  char c = code[0];
  int letter = c >= 'a' && c <= 'z' ? c - 'a' : c - 'A';
  if (letter < 0 || letter > 25) return;
  int index = letter * 1000 + decimal_prefix(code, 1, 4);
  if (index <= 0) return;
  std::size_t off = cdam_start_ + static_cast<std::size_t>(index);
  if (off < cdam_end_) slot.act_class = cdam_[off];
}

void Tables::lookup_ccam_act(int i, std::string_view code) {
  if (i < 0 || i >= kActSlotCount) return;
  ActSlot& slot = acts_[static_cast<std::size_t>(i)];
  slot.width = 8;
  copy_code(slot.code, code);
  slot.act_class = 0;
  if (!ccam_open_) return;
  auto bucket = ccam_bucket_number(code);
  if (!bucket) return;
  const Bytes& b = ccam_;
  std::size_t n = static_cast<std::size_t>(*bucket);
  std::uint32_t first = n == 0 ? 0 : be16(b, ccam_start_ + 2 * (n - 1));
  std::uint32_t last = be16(b, ccam_start_ + 2 * n);
  std::size_t entries = ccam_start_ + L::kCcamKeysOffset;
  if (first >= last || !within(entries + L::kKeyEntrySize * first, L::kKeyEntrySize * (last - first), b.size()))
    return;
  std::uint8_t letter = static_cast<std::uint8_t>((code.size() > 3 ? code[3] : ' ') - 'A');
  std::uint32_t number = static_cast<std::uint32_t>(decimal_prefix(code, 4, 8));
  for (std::uint32_t e = first; e < last; ++e) {
    std::size_t off = entries + L::kKeyEntrySize * e;
    if (b[off] == letter && be16(b, off + 1) == number) {
      slot.act_class = b[off + 3];
      return;
    }
  }
}

std::optional<TreeNode> Tables::tree_node(int n) const {
  if (!tree_open_ || n < 0) return std::nullopt;
  std::uint64_t off = tree_start_ + std::uint64_t(n) * tree_record_;
  if (!within(off, tree_record_, tree_end_)) return std::nullopt;
  const Bytes& b = tree_;
  return TreeNode{b[off + L::kNodeTestType], b[off + L::kNodeP1], b[off + L::kNodeP2],
                  b[off + L::kNodeHighestBranch], static_cast<std::uint16_t>(be16(b, off + L::kNodeChildIndex))};
}

bool Tables::tree_open() const { return tree_open_; }

std::string_view Tables::tree_version() const { return tree_open_ ? std::string_view(version_, 2) : std::string_view(); }

bool Tables::open_geography(std::string_view tables_dir) {
  auto b = read_whole_file(join(tables_dir, L::kGeographyFile));
  if (!b) return geography_open_;
  geography_ = std::move(*b);
  geography_open_ = true;
  return true;
}

bool Tables::geography_open() const { return geography_open_; }

std::optional<std::uint32_t> Tables::geographic_number(int department, int commune) const {
  if (!geography_open_ || department < 0 || department + 1 >= L::kDepartmentCount) return std::nullopt;
  const Bytes& b = geography_;
  std::size_t at = L::kGeographyIndexOffset + 2 * static_cast<std::size_t>(department);
  if (!within(at, 4, b.size())) return std::nullopt;
  std::uint32_t first = be16(b, at), last = be16(b, at + 2);
  for (std::uint32_t e = first; e < last; ++e) {
    std::size_t off = L::kGeographyEntriesOffset + L::kGeographyEntrySize * e;
    if (!within(off, L::kGeographyEntrySize, b.size())) break;
    if (b[off] == commune) return (std::uint32_t{b[off + 1]} << 16) | be16(b, off + 2);
  }
  return std::nullopt;
}

}  // namespace pmsi
