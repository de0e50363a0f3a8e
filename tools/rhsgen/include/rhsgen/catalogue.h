#pragma once
// What the generator draws its codes from: diagnoses by the position they may
// take, acts, the groupings that the classification's leaves give, postal
// codes. Taken from the demo classification's text sources when they are
// there, otherwise from a small built-in list.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/result.h"

namespace rhsgen {

class Catalogue {
 public:
  // Codes as they stand in a version-1 record: 6 characters, blank-padded.
  std::vector<std::string> main_diagnoses;   // diag_1: begin with "Z", allowed first
  std::vector<std::string> second_diagnoses; // diag_2: not "U" to "Z", allowed second
  std::vector<std::string> third_diagnoses;  // diag_3: not "R", "U" to "Z", allowed third
  std::vector<std::string> assoc_diagnoses;  // allowed as associated diagnoses
  std::vector<std::string> cdam_acts;        // 4 characters, known to the CDAM table
  std::vector<std::string> ccam_acts;        // 8 characters, known to the CCAM table
  std::vector<std::pair<int, int>> groupings;  // (CM, GHJ) of the tree's leaves
  std::vector<std::string> postal_codes;     // 5 digits
  std::vector<std::string> table_diagnoses;  // every code the diagnosis table holds
  // Old CCAM codes that the grouper's transcoding pass knows: V0 codes (it
  // replaces them by their V0bis code) and deleted codes (left as they are).
  std::vector<std::string> ccam_v0_codes;
  std::vector<std::string> ccam_deleted_codes;
  std::string classif_version = "01";
  std::string origin = "built-in";

  static Catalogue built_in();

  // Reads the demo classification's text sources in `dir`; codes that the
  // sources do not give keep the built-in lists.
  static pmsi::Result<Catalogue> from_sources(const std::string& dir);

  // Reads the grouper's CCAM V0 list ("v0 CODE V0BIS", "deleted CODE" lines).
  pmsi::Status read_ccam_v0_list(const std::string& path);

  // A diagnosis code that the catalogue does not know (for the
  // "not in the table" faults).
  std::string unknown_diagnosis() const;
  std::string unknown_cdam_act() const;
  std::string unknown_ccam_act() const;
};

}  // namespace rhsgen
