#include <gtest/gtest.h>

#include <random>

#include "common/table_sum.h"
#include "test_support.h"

namespace pmsi {
namespace {

TEST(TableSum, KnownAnswers) {
  struct Case {
    std::string bytes;
    Sum4 sum;
  };
  const Case cases[] = {
      {"", {0, 0, 0, 0}},
      {"\x01\x02\x03", {0, 22, 0, 3}},
      // r = 255 rotated left = 0x01FE; s = 255 rotated right = 0x807F.
      {"\xFF", {0x01, 0xFE, 0x80, 0x7F}},
  };
  for (const auto& c : cases) EXPECT_EQ(table_sum(c.bytes), c.sum);
}

TEST(TableSum, StreamedInAnyPiecesAndFromAFileGivesTheSameSum) {
  std::mt19937 rng(7);
  std::string data(200000, '\0');
  for (auto& c : data) c = static_cast<char>(rng());
  const Sum4 whole = table_sum(data);

  TableSum pieces;
  for (std::size_t i = 0; i < data.size();) {
    std::size_t n = std::min<std::size_t>(rng() % 5000, data.size() - i);
    pieces.update(std::string_view(data).substr(i, n));
    i += n;
  }
  EXPECT_EQ(pieces.result(), whole);

  test::TempDir dir;
  test::write_bytes(dir.file("t.bin"), data);
  auto from_file = table_sum_file(dir.file("t.bin"));
  ASSERT_TRUE(from_file.ok());
  EXPECT_EQ(from_file.value(), whole);
  EXPECT_FALSE(table_sum_file(dir.file("missing.bin")).ok());
}

}  // namespace
}  // namespace pmsi
