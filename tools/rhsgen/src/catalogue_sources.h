#pragma once
// Reading of the demo classification's text sources into a catalogue.
#include <string>

#include "common/result.h"
#include "rhsgen/catalogue.h"

namespace rhsgen::detail {

// Replaces the lists of `c` that the sources in `dir` give. A source that is
// missing leaves its lists as they are; one that cannot be read is an error.
pmsi::Status read_sources(const std::string& dir, Catalogue& c);

// The grouper's CCAM V0 list: "v0 CODE V0BIS" and "deleted CODE" lines.
pmsi::Status read_ccam_v0_list(const std::string& path, Catalogue& c);

}  // namespace rhsgen::detail
