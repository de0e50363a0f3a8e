#pragma once
// The seal of an RHA file: 8 bytes appended at the end of etape2, checked by
// the export.
#include <string_view>

#include "chaining/crclavix_interface.h"
#include "common/result.h"

namespace chaining {

// Appends the 4 key characters, then the 4 bytes of the table_sum of the
// whole file including those 4 characters. The file must exist: a missing
// file is an error and nothing is created.
pmsi::Status seal_rha(std::string_view rha_path, const Key& key);

}  // namespace chaining
