#include "catalogue_sources.h"

namespace rhsgen::detail {

pmsi::Status read_sources(const std::string&, Catalogue&) { return pmsi::Status::success(); }

}  // namespace rhsgen::detail
