#pragma once
// The nomenclature tables of the grouper: the decision tree (arbressr.tab),
// the diagnoses (diag10sr.tab), the CDAM acts (actecssr.tab), the CCAM acts
// (ccamcssr.tab) and the geographic codes (codegeog.tab).
//
// A run owns one Tables object. check_tables is the start-up presence check;
// open_tables opens the four nomenclature files lazily on the first grouping
// call (a file whose opening failed is tried again on the next call; the
// version check of a file runs once, in the call that opens it). Each file is
// read into memory once when it is opened; every lookup is bounded by the
// file's bytes, so no file content, however damaged, makes a lookup read
// outside it: a lookup that would run off the data gives record 0 / class 0.
//
// The binary layout below is shared with the table compiler (tools/tabc).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/textfile.h"

namespace pmsi {

// ---------------------------------------------------------------------------
// Binary layout. Every number is unsigned big-endian.
namespace table_layout {

inline constexpr const char* kTreeFile = "arbressr.tab";
inline constexpr const char* kDiagnosisFile = "diag10sr.tab";
inline constexpr const char* kCdamFile = "actecssr.tab";
inline constexpr const char* kCcamFile = "ccamcssr.tab";
inline constexpr const char* kGeographyFile = "codegeog.tab";

// File header of the four nomenclature files.
inline constexpr std::size_t kFileHeaderSize = 32;
inline constexpr std::size_t kVersionOffset = 8;   // classif_version, 2 characters
inline constexpr std::size_t kVersionWidth = 2;
inline constexpr std::size_t kHeaderValueOffset = 28;  // 32-bit value, not checked

// Section headers follow the file header, 32 bytes each.
inline constexpr std::size_t kSectionHeaderSize = 32;
inline constexpr std::size_t kRecordSizeOffset = 20;     // 8-bit
inline constexpr std::size_t kSectionLengthOffset = 21;  // 32-bit
inline constexpr std::size_t kSectionStartOffset = 25;   // 32-bit, absolute

// Integrity trailer (tree, diagnosis and CDAM files): table_sum of every byte
// before it.
inline constexpr std::size_t kTrailerSize = 4;

// Tree: records of 6 to 12 bytes; bytes 0-5 are the node.
inline constexpr std::size_t kTreeNodeSize = 6;
inline constexpr std::size_t kTreeRecordMin = 6;
inline constexpr std::size_t kTreeRecordMax = 12;
inline constexpr std::size_t kNodeTestType = 0;
inline constexpr std::size_t kNodeP1 = 1;
inline constexpr std::size_t kNodeP2 = 2;
inline constexpr std::size_t kNodeHighestBranch = 3;
inline constexpr std::size_t kNodeChildIndex = 4;  // 16-bit

// Diagnoses: section 1 = 2600 cumulative 16-bit counts, then 4-byte key
// entries (suffix key, record number) at +5200; section 2 = records of
// 2 to 13 bytes (positions byte, category, group pairs).
inline constexpr int kCategoryCount = 2600;
inline constexpr std::size_t kDiagnosisKeysOffset = 5200;
inline constexpr std::size_t kKeyEntrySize = 4;
inline constexpr std::size_t kDiagnosisRecordMin = 2;
inline constexpr std::size_t kDiagnosisRecordMax = 13;
inline constexpr int kSuffixKeyCount = 1584;

// CDAM acts: one byte per code, index letter * 1000 + number.
inline constexpr int kCdamCodeCount = 26000;

// CCAM acts: 17576 cumulative 16-bit counts, then 4-byte entries at +35152
// (letter 4 - 'A', 16-bit number of characters 5-8, act class).
inline constexpr int kBucketCount = 17576;
inline constexpr std::size_t kCcamKeysOffset = 35152;

// Geography: 62 bytes not read, 1021 16-bit start indexes from byte 62,
// 4-byte entries (commune suffix, 24-bit geographic number) from byte 2104.
inline constexpr std::size_t kGeographyIndexOffset = 62;
inline constexpr int kDepartmentCount = 1021;
inline constexpr std::size_t kGeographyEntriesOffset = 2104;
inline constexpr std::size_t kGeographyEntrySize = 4;

}  // namespace table_layout

// ---------------------------------------------------------------------------
// Code arithmetic shared by the lookups and the compiler.

// Category number of a diagnosis code: letter index of character 1 (A = 0,
// case-insensitive) * 100 + decimal value of characters 2-3 (stopping at the
// first non-digit). Nothing when character 1 is not a letter.
std::optional<int> diagnosis_category_number(std::string_view code);

// Suffix key of characters 4-6: v(blank) = 0, v(digit d) = d + 1, v('+') = 11
// in positions 4 and 5 only; 0...1583. Nothing for any other character (such
// a code is not found).
std::optional<int> diagnosis_suffix_key(std::string_view code);

// Bucket number of characters 1-3 of a CCAM code (letters, folded to upper
// case): 0...17575. Nothing when one of them is not a letter.
std::optional<int> ccam_bucket_number(std::string_view code);

// ---------------------------------------------------------------------------
// Lookup results of one record, rebuilt by every grouping call.

inline constexpr int kDiagnosisSlotCount = 8;
inline constexpr int kActSlotCount = 10;

struct DiagnosisSlot {
  std::array<char, 6> code{};       // as given, blank-padded
  std::uint8_t positions = 0;       // diag_positions (record byte 0)
  std::array<std::uint8_t, table_layout::kDiagnosisRecordMax - 1> data{};  // record bytes 1...
  std::uint8_t data_size = 0;       // record size - 1

  std::string_view code_text() const { return {code.data(), code.size()}; }
  // diag_category (record byte 1); 0 for record 0 of a well-formed table.
  std::uint8_t category() const { return data_size > 0 ? data[0] : 0; }
  // The group list holds the pair (first, second) among its whole pairs.
  bool has_group(std::uint8_t first, std::uint8_t second) const;
};

struct ActSlot {
  int width = 0;                    // 4 (CDAM) or 8 (CCAM); 0 when not set
  std::array<char, 8> code{};       // as given, blank-padded
  std::uint8_t act_class = 0;       // 0: not in the nomenclature

  std::string_view code_text() const { return {code.data(), static_cast<std::size_t>(width)}; }
};

// Bytes 0-5 of a tree record.
struct TreeNode {
  std::uint8_t test_type = 0;
  std::uint8_t p1 = 0;
  std::uint8_t p2 = 0;
  std::uint8_t highest_branch = 0;
  std::uint16_t child_index = 0;
};

// Codes of open_tables.
inline constexpr int kTablesOpen = 0;
inline constexpr int kTreeOpenFailure = 98;        // arbressr.tab
inline constexpr int kNomenclatureOpenFailure = 99;  // actecssr.tab, diag10sr.tab
inline constexpr int kVersionOrCcamFailure = 9;    // ccamcssr.tab, versions

// ---------------------------------------------------------------------------

class Tables {
 public:
  Tables();
  ~Tables();
  Tables(const Tables&) = delete;
  Tables& operator=(const Tables&) = delete;

  // Start-up check of arbressr.tab, diag10sr.tab and actecssr.tab in this
  // order, in tables_dir (which ends with a separator, or is empty for the
  // current directory). A missing file: "Tables non trouvees %s\n" with the
  // full path; a file whose trailer is not the table_sum of the bytes before
  // it (or too short to hold one): "Table altérée %s\n". Both are written to
  // the log and returned as an error: the run ends with exit code -1. On
  // success gives the tree's classif_version (2 characters). The files are
  // closed again.
  static Result<std::string> check_tables(std::string_view tables_dir, TextWriter& log);

  // Opens what is not yet open: tree (98), CDAM (99), CCAM (9), diagnoses
  // (99), stopping at the first non-zero code, whose message goes to the log.
  // A version different from the tree's gives 9 once, in the call that opens
  // the file, which stays open. version receives the tree's classif_version
  // and a NUL as soon as the tree is open. A header that cannot hold (records
  // or sections outside the limits or the file) counts as a failed opening.
  int open_tables(std::string_view tables_dir, std::span<char, 3> version, TextWriter& log);

  // Slot i (0-7): the diagnosis record of the 6-character code, record 0 when
  // it is blank or not found.
  void fetch_diagnosis(int i, std::string_view code);
  // Act slot i (0-9): 4-character CDAM code / 8-character CCAM code and its
  // act_class, 0 when not found. An out-of-range i does nothing.
  void lookup_cdam_act(int i, std::string_view code);
  void lookup_ccam_act(int i, std::string_view code);

  const DiagnosisSlot& diagnosis(int i) const { return diagnoses_[clamp_slot(i, kDiagnosisSlotCount)]; }
  const ActSlot& act(int i) const { return acts_[clamp_slot(i, kActSlotCount)]; }

  // Node n of the tree section: nothing when the tree is not open, n is
  // negative, or the record does not lie wholly within the section.
  std::optional<TreeNode> tree_node(int n) const;
  bool tree_open() const;
  // The tree's classif_version ("" until the tree is open).
  std::string_view tree_version() const;

  // codegeog.tab, opened by the driver at start-up for the geographic codes.
  // A missing file is not an error: geography_open() stays false.
  bool open_geography(std::string_view tables_dir);
  bool geography_open() const;
  // The geographic number of the first entry of department d (0...1019) whose
  // commune suffix is c; nothing when there is none, when the department has
  // no entries or when its entries would run off the file.
  std::optional<std::uint32_t> geographic_number(int department, int commune) const;

 private:
  static int clamp_slot(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

  std::vector<std::uint8_t> tree_, cdam_, ccam_, diagnoses_file_, geography_;
  bool tree_open_ = false, cdam_open_ = false, ccam_open_ = false, diag_open_ = false;
  bool geography_open_ = false;
  std::size_t tree_start_ = 0, tree_end_ = 0, tree_record_ = 0;
  std::size_t cdam_start_ = 0, cdam_end_ = 0;
  std::size_t ccam_start_ = 0;
  std::size_t keys_start_ = 0, keys_end_ = 0;
  std::size_t records_start_ = 0, records_end_ = 0, diag_record_ = 0;
  char version_[3] = {0, 0, 0};

  std::array<DiagnosisSlot, kDiagnosisSlotCount> diagnoses_{};
  std::array<ActSlot, kActSlotCount> acts_{};
};

}  // namespace pmsi
