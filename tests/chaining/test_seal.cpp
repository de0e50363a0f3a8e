// The seal of the RHA file: 4 key characters, then the table_sum of the whole
// file including them.
#include <gtest/gtest.h>

#include "chaining/seal.h"
#include "support.h"

namespace {

using namespace chaining_test;

TEST(ChainingSeal, KeyThenSumOfWholeFileIncludingKey) {
  TempProgramDir p(false);
  fs::path rha = p.wks() / "N.rha";
  struct Case {
    std::string content;
    chaining::Key key;
    std::string sealed;
  } cases[] = {
      {"ABC", {'2', '9', 'B', '1'}, std::string("ABC29B1") + std::string("\x3f\xb2\x00\xd2", 4)},
      {"", {'2', '9', 'B', '1'}, std::string("29B1") + std::string("\x06\x52\x00\x6f", 4)},
  };
  for (const auto& c : cases) {
    write_file(rha, c.content);
    ASSERT_TRUE(chaining::seal_rha(rha.string(), c.key));
    EXPECT_EQ(read_file(rha), c.sealed);
  }
  // Every run adds exactly 8 bytes.
  ASSERT_TRUE(chaining::seal_rha(rha.string(), {'0', '0', '0', '0'}));
  EXPECT_EQ(read_file(rha).size(), cases[1].sealed.size() + 8);
}

TEST(ChainingSeal, MissingFileIsAnErrorAndNothingIsCreated) {
  TempProgramDir p(false);
  fs::path rha = p.wks() / "N.rha";
  EXPECT_FALSE(chaining::seal_rha(rha.string(), {'0', '0', '0', '0'}));
  EXPECT_FALSE(fs::exists(rha));
}

}  // namespace
