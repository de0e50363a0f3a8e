#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/textfile.h"
#include "test_support.h"

namespace pmsi {
namespace {

using test::read_bytes;
using test::TempDir;
using test::write_bytes;

// fgets on a Windows text-mode stream, written the obvious way: translate the
// whole content first, then cut it into pieces of at most n-1 characters.
std::vector<std::string> reference_pieces(const std::string& raw, std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  std::vector<std::string> pieces;
  std::size_t i = 0;
  while (i < text.size()) {
    std::string piece;
    while (i < text.size() && piece.size() + 1 < n) {
      piece += text[i++];
      if (piece.back() == '\n') break;
    }
    pieces.push_back(piece);
  }
  return pieces;
}

std::vector<std::string> read_pieces(const std::string& path, std::size_t n) {
  auto reader = TextReader::open(path);
  EXPECT_TRUE(reader.ok()) << reader.error();
  std::vector<std::string> pieces;
  std::vector<char> buf(n);
  while (std::size_t len = reader->read_line(buf.data(), n)) {
    EXPECT_LT(len, n);
    EXPECT_EQ(buf[len], '\0');
    pieces.emplace_back(buf.data(), len);
  }
  EXPECT_TRUE(reader->eof());
  return pieces;
}

struct ReadCase {
  const char* name;
  std::string raw;
  std::size_t n;
  std::vector<std::string> pieces;
};

class ReadLine : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadLine, GivesFgetsPieces) {
  TempDir dir;
  write_bytes(dir.file("in.txt"), GetParam().raw);
  EXPECT_EQ(read_pieces(dir.file("in.txt"), GetParam().n), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    TextMode, ReadLine,
    testing::Values(
        ReadCase{"CrLfBecomesLf", "ab\r\ncd\r\n", 10, {"ab\n", "cd\n"}},
        ReadCase{"LoneCrStays", "ab\rcd\n", 10, {"ab\rcd\n"}},
        ReadCase{"CrBeforeCrLf", "\r\r\n", 10, {"\r\n"}},
        ReadCase{"CrAtEndOfFile", "a\r", 10, {"a\r"}},
        ReadCase{"LastLineWithoutLineEnd", "one\r\nlast", 10, {"one\n", "last"}},
        ReadCase{"EmptyFile", "", 10, {}},
        ReadCase{"LongLineInPieces", "abcdef\r\n", 4, {"abc", "def", "\n"}},
        ReadCase{"CrLfRightAfterAFullPiece", "abc\r\nd", 4, {"abc", "\n", "d"}},
        ReadCase{"NulBytesAreContent", std::string("a\0b\r\n", 5), 10, {std::string("a\0b\n", 4)}},
        ReadCase{"BytesAbove127Unchanged", "\xE9\xB0\xFF\r\n", 10, {"\xE9\xB0\xFF\n"}},
        ReadCase{"FourThousandCharactersWithTwoThousandBytes",
                 std::string(4000, 'x') + "\r\n", 2000,
                 {std::string(1999, 'x'), std::string(1999, 'x'), "xx\n"}}),
    [](const testing::TestParamInfo<ReadCase>& c) { return std::string(c.param.name); });

TEST(ReadLine, MatchesReferenceAcrossBufferBoundaries) {
  // Content far larger than the reader's buffer, rich in CR and LF, so that CR
  // LF pairs fall across refills and piece limits.
  std::mt19937 rng(42);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\0', '\xE9'};
  std::string raw;
  for (int i = 0; i < 300000; ++i) raw += alphabet[rng() % sizeof alphabet];
  TempDir dir;
  write_bytes(dir.file("in.txt"), raw);
  for (std::size_t n : {2u, 3u, 7u, 1999u, 2000u, 2001u, 70000u})
    EXPECT_EQ(read_pieces(dir.file("in.txt"), n), reference_pieces(raw, n)) << "n=" << n;
}

TEST(TextWriter, ConvertsSystemTextsAndLineEnds) {
  TempDir dir;
  auto w = TextWriter::open(dir.file("out.txt"));
  ASSERT_TRUE(w.ok()) << w.error();
  EXPECT_TRUE(w->printf("Période n°%d\n", 5));
  // Arguments are record bytes: never converted.
  EXPECT_TRUE(w->printf("[%s]\n", "\xC3\xA9"));
  w->write("a\nb");
  EXPECT_TRUE(w->text("\u20ac\n"));
  ASSERT_TRUE(w->close());
  EXPECT_EQ(read_bytes(dir.file("out.txt")), "P\xE9riode n\xB0\x35\r\n[\xC3\xA9]\r\na\r\nb\x80\r\n");
}

TEST(TextWriter, TextOutsideWindows1252IsAFailure) {
  TempDir dir;
  auto w = TextWriter::open(dir.file("out.txt"));
  ASSERT_TRUE(w.ok());
  EXPECT_FALSE(w->printf("\u2713 %d\n", 1));
  EXPECT_TRUE(w->failed());
  EXPECT_FALSE(w->close());
}

TEST(TextWriter, AppendKeepsContentAndLargeWritesArriveWhole) {
  TempDir dir;
  write_bytes(dir.file("log.txt"), "old\r\n");
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "line\n";
  {
    auto w = TextWriter::open(dir.file("LOG.TXT"), WriteMode::append);
    ASSERT_TRUE(w.ok());
    w->write(big);
  }  // the destructor flushes
  std::string expected = "old\r\n";
  for (int i = 0; i < 100000; ++i) expected += "line\r\n";
  EXPECT_EQ(read_bytes(dir.file("log.txt")), expected);
}

TEST(TextWriter, OpenFailureIsReported) {
  TempDir dir;
  auto w = TextWriter::open(dir.file("missing-dir/out.txt"));
  ASSERT_FALSE(w.ok());
  EXPECT_NE(w.error().find("out.txt"), std::string::npos);
}

}  // namespace
}  // namespace pmsi
