#pragma once
// The CCAM V0 lists built into verdan (data/ccam/ccam_v0.txt).
#include <string>
#include <string_view>
#include <vector>

namespace grouper {

struct CcamV0Lists {
  std::vector<std::string> deleted;  // matched on their first 7 characters
  std::vector<std::string> v0;       // matched on 8 characters ...
  std::vector<std::string> v0bis;    // ... replaced by the code at the same index
  std::vector<std::string> bad_lines;  // first word of lines that are none of the above
};

// "deleted CODE" and "v0 CODE V0BIS" lines; blank lines and "#" comments are
// skipped. Order is kept.
CcamV0Lists parse_ccam_v0_lists(std::string_view text);

// The built-in lists, parsed on first use.
const CcamV0Lists& ccam_v0_lists();

}  // namespace grouper
