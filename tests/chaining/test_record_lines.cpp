// The record lines that the programs build field by field print exactly what
// their printf formats print, for whole, short, long and NUL-cut fields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chaining/etape1.h"
#include "chaining/etape2.h"
#include "common/format.h"

namespace {

const std::vector<std::string> kFields = {
    "", "7", "1234567", "12345678901234567890123456", std::string("12\0" "45", 5), "AB CD  ",
};

TEST(ChainingRecordLines, SameAsTheirFormats) {
  for (const auto& a : kFields)
    for (const auto& b : kFields) {
      SCOPED_TRACE("[" + a + "] [" + b + "]");
      EXPECT_EQ(chaining::linked_line(a, '2', b, a),
                pmsi::format("%4.4s%c%17.17s%7.7s\n", a.c_str(), '2', b.c_str(), a.c_str()));
      EXPECT_EQ(chaining::unlinked_line('1', b), pmsi::format("9999%cXXXXXXXXXXXXXXXXX%7.7s\n", '1', b.c_str()));
      EXPECT_EQ(chaining::key_block(a, '0', b), pmsi::format("%5.5s%c%17.17s", a.c_str(), '0', b.c_str()));
      EXPECT_EQ(chaining::chaining_line(a, b, b, a, b),
                pmsi::format("%9.9s%6.6s%23.23s%4.4s%7.7s\n", a.c_str(), b.c_str(), b.c_str(), a.c_str(),
                             b.c_str()));
      EXPECT_EQ(chaining::chaining_line_alone(a, b, '1', a),
                pmsi::format("%9.9s%6.6s99999%cXXXXXXXXXXXXXXXXXXXXX%7.7s\n", a.c_str(), b.c_str(), '1',
                             a.c_str()));
    }
}

}  // namespace
