// Known answers of the integrity key, run against every way of computing it:
// the key code itself (whole and streamed), and the two C entries of the
// shared library loaded by name from the program directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/dynlib.h"
#include "crclavix/crc16.h"
#include "crclavix/record_keys.h"

namespace fs = std::filesystem;

namespace {

using CalcCRC16Fn = void (*)(const char*, int, int*, char*);
using CalcFileCRC16Fn = void (*)(const char*, int*, short*, char*);

struct Known {
  std::string data;
  const char* key;
};

// CRC-16/CCITT-FALSE check values.
const std::vector<Known> kKnown = {
    {"", "FFFF"},
    {"A", "B915"},
    {"123456789", "29B1"},
    {std::string(1, '\0'), "E1F0"},
    {"\xff\xff\xff", "1EF0"},
    {"0000ANONYMOUS12345ADMIN", "D35E"},
};

std::string text(crclavix::Key k) { return std::string(k.data(), k.size()); }

fs::path temp_file(const std::string& name, const std::string& content) {
  fs::path p = fs::temp_directory_path() / ("crclavix_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" + name);
  std::ofstream(p, std::ios::binary) << content;
  return p;
}

class CrclavixLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    auto lib = pmsi::DynLib::load(PMSI_PROGRAM_DIR, "crclavix");
    ASSERT_TRUE(lib) << lib.error();
    lib_ = std::make_unique<pmsi::DynLib>(std::move(lib.value()));
    auto a = lib_->symbol("CalcCRC16");
    auto b = lib_->symbol("CalcFileCRC16");
    ASSERT_TRUE(a && b);
    calc_ = reinterpret_cast<CalcCRC16Fn>(a.value());
    calc_file_ = reinterpret_cast<CalcFileCRC16Fn>(b.value());
  }
  std::unique_ptr<pmsi::DynLib> lib_;
  CalcCRC16Fn calc_ = nullptr;
  CalcFileCRC16Fn calc_file_ = nullptr;
};

TEST(CrclavixKey, KnownAnswersWholeAndStreamed) {
  for (const auto& k : kKnown) {
    EXPECT_EQ(text(crclavix::key_text(crclavix::crc16(k.data))), k.key) << k.data;
    crclavix::Crc16 c;
    for (char ch : k.data) c.update(&ch, 1);
    EXPECT_EQ(text(crclavix::key_text(c.value())), k.key) << k.data;
  }
}

TEST_F(CrclavixLibrary, CalcCRC16KnownAnswersWriteFourCharactersOnly) {
  for (const auto& k : kKnown) {
    char key[10] = "000000000";
    int value = -1;
    calc_(k.data.data(), static_cast<int>(k.data.size()), &value, key);
    EXPECT_EQ(std::string(key), std::string(k.key) + "00000") << k.data;
    EXPECT_EQ(value, std::stoi(k.key, nullptr, 16));
  }
  char key[10] = "000000000";
  calc_(nullptr, 5, nullptr, key);  // no bytes: the key of nothing
  EXPECT_STREQ(key, "FFFF00000");
  calc_("abc", -3, nullptr, key);
  EXPECT_STREQ(key, "FFFF00000");
}

TEST_F(CrclavixLibrary, CalcFileCRC16KnownAnswers) {
  for (std::size_t i = 0; i < kKnown.size(); ++i) {
    fs::path p = temp_file("kat" + std::to_string(i), kKnown[i].data);
    char key[10] = "000000000";
    int value = -1;
    short status = -1;
    calc_file_(p.string().c_str(), &value, &status, key);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::string(key), std::string(kKnown[i].key) + "00000");
    EXPECT_EQ(value, std::stoi(kKnown[i].key, nullptr, 16));
    fs::remove(p);
  }
}

TEST_F(CrclavixLibrary, CalcFileCRC16StreamsLargeFiles) {
  std::string big;
  for (int i = 0; i < 300000; ++i) big += static_cast<char>((i * 7919) & 0xFF);
  fs::path p = temp_file("big", big);
  char key[10] = "000000000";
  short status = -1;
  calc_file_(p.string().c_str(), nullptr, &status, key);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::string(key, 4), text(crclavix::key_text(crclavix::crc16(big))));
  fs::remove(p);
}

TEST_F(CrclavixLibrary, CalcFileCRC16UnreadableFileLeavesKeyAndValue) {
  char key[10] = "000000000";
  int value = 1234;
  short status = 0;
  fs::path missing = fs::temp_directory_path() / "crclavix_no_such_dir" / "none.ano";
  calc_file_(missing.string().c_str(), &value, &status, key);
  EXPECT_NE(status, 0);
  EXPECT_STREQ(key, "000000000");
  EXPECT_EQ(value, 1234);
  status = 0;
  calc_file_(nullptr, &value, &status, key);
  EXPECT_NE(status, 0);
}

TEST(CrclavixRecordKeys, EachLineGetsItsKeyInFront) {
  // CR LF and LF both end a line; a lone CR is content; the last line has no
  // line end and keeps all its characters.
  fs::path in = temp_file("records", "0000ANON\r\nAB\rC\n\r\nlast");
  fs::path out = fs::temp_directory_path() / "crclavix_records.out";
  std::FILE* f = std::fopen(out.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(crclavix::write_record_keys(in.string(), f));
  std::fclose(f);
  std::string got;
  {
    std::ifstream r(out, std::ios::binary);
    got.assign(std::istreambuf_iterator<char>(r), std::istreambuf_iterator<char>());
  }
  std::string want = crclavix::keyed_record("0000ANON") + "\r\n" + crclavix::keyed_record("AB\rC") +
                     "\r\n" + "FFFF\r\n" + crclavix::keyed_record("last") + "\r\n";
  EXPECT_EQ(got, want);
  EXPECT_EQ(crclavix::keyed_record("123456789"), "29B1123456789");
  fs::remove(in);
  fs::remove(out);
}

}  // namespace
