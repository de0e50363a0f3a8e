#include <gtest/gtest.h>

#include "common/dynlib.h"

namespace pmsi {
namespace {

TEST(DynLib, LoadsByNameFromADirectoryAndFindsEntries) {
  auto lib = DynLib::load(PROBE_DIR, "dynlib_probe");
  ASSERT_TRUE(lib.ok()) << lib.error();
  auto fn = lib->function<int (*)(int)>("probe_answer");
  ASSERT_TRUE(fn.ok()) << fn.error();
  EXPECT_EQ(fn.value()(20), 41);

  auto missing_entry = lib->symbol("no_such_entry");
  ASSERT_FALSE(missing_entry.ok());
  EXPECT_NE(missing_entry.error().find("no_such_entry"), std::string::npos);

  lib->release();
  EXPECT_FALSE(lib->symbol("probe_answer").ok());
}

TEST(DynLib, MissingLibraryNamesTheFile) {
  auto lib = DynLib::load(PROBE_DIR, "no_such_library");
  ASSERT_FALSE(lib.ok());
  EXPECT_NE(lib.error().find(library_file_name("no_such_library")), std::string::npos);
}

}  // namespace
}  // namespace pmsi
