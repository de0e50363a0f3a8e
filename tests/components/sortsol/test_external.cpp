// Inputs larger than the memory budget: sorted runs on disk, merged with a
// bounded fan-in, give what the in-memory sort gives; failures leave the
// output as it was and no temporary behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "sort_job.h"
#include "job_file.h"
#include "sortsol/sortsol.h"
#include "sortsol_test_util.h"

namespace {

using namespace sortsol_test;
using sortsol::DuplicateFilter;

// Records: text key (3), number (2, blank-padded), date DDMMYYYY (8), payload
// (1). Few distinct values, so large groups of equal keys and exact
// duplicates far apart in the input.
std::vector<std::string> random_records(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  const char* texts[] = {"AAA", "AAB", "ABA", "B  "};
  std::vector<std::string> out;
  for (std::size_t i = 0; i < n; ++i) {
    char rec[32];
    std::snprintf(rec, sizeof rec, "%s%2u%02u%02u%04u%c", texts[rng() % 4], static_cast<unsigned>(rng() % 13),
                  static_cast<unsigned>(rng() % 3 + 1), static_cast<unsigned>(rng() % 2 + 1),
                  static_cast<unsigned>(2019 + rng() % 3), static_cast<char>('x' + rng() % 3));
    out.push_back(rec);
  }
  return out;
}

const std::vector<std::string> kKeys{"KEY(String,ASC,0,0,3)", "KEY(UIntS,ASC,0,3,2)", "KEY(Date,ASC,0,5,\"DDMMYYYY\")"};

// Reference result from the definitions: the first occurrence of each record
// (or of each key) in input order, then a stable sort on the decoded keys.
std::vector<std::string> reference(const std::vector<std::string>& input, DuplicateFilter filter) {
  auto key = [](const std::string& r) {
    return std::make_tuple(r.substr(0, 3), std::stoi(r.substr(3, 2)), r.substr(9, 4), r.substr(7, 2), r.substr(5, 2));
  };
  std::vector<std::string> kept;
  std::set<std::string> records;
  std::set<decltype(key(input[0]))> keys;
  for (const auto& r : input) {
    if (filter == DuplicateFilter::record && !records.insert(r).second) continue;
    if (filter == DuplicateFilter::keys && !keys.insert(key(r)).second) continue;
    kept.push_back(r);
  }
  std::stable_sort(kept.begin(), kept.end(), [&](const auto& a, const auto& b) { return key(a) < key(b); });
  return kept;
}

sortsol::SortJob job_for(const ScratchDir& dir, const std::string& filter) {
  JobLines job{dir.file("in"), dir.file("out"), "", false, kKeys, filter};
  auto parsed = sortsol::parse_job_file(job.text(), "fich1.ssp");
  EXPECT_FALSE(parsed.error);
  return parsed.job;
}

TEST(ExternalSort, RunsAndMergesGiveTheInMemoryResult) {
  const std::vector<std::string> input = random_records(3000, 7);
  const std::pair<std::string, DuplicateFilter> filters[] = {
      {"", DuplicateFilter::none},
      {"FILTER(DUPLICATES,RECORD)", DuplicateFilter::record},
      {"FILTER(DUPLICATES,KEYS)", DuplicateFilter::keys}};
  for (const auto& [line, filter] : filters) {
    ScratchDir dir;
    write_file(dir.file("in"), lines(input));
    const sortsol::SortJob job = job_for(dir, line);
    const std::string expected = lines(reference(input, filter));

    auto in_memory = sortsol::run_sort(job);
    ASSERT_FALSE(in_memory.error) << in_memory.error->message;
    EXPECT_EQ(in_memory.figures.runs, 0);
    EXPECT_EQ(read_file(dir.file("out")), expected) << line;

    struct Budget {
      std::size_t memory, fan_in;
      std::int64_t min_runs, min_passes;
    };
    // Many runs merged 3 at a time over several passes; and a few runs
    // merged once with the last chunk, which stays in memory.
    for (const Budget& b : {Budget{4096, 3, 10, 3}, Budget{65536, 16, 1, 1}}) {
      sortsol::SortOptions options;
      options.memory_bytes = b.memory;
      options.fan_in = b.fan_in;
      auto external = sortsol::run_sort(job, options);
      ASSERT_FALSE(external.error) << external.error->message;
      EXPECT_GE(external.figures.runs, b.min_runs) << line << b.memory;
      EXPECT_GE(external.figures.merge_passes, b.min_passes) << line << b.memory;
      EXPECT_EQ(read_file(dir.file("out")), expected) << line << b.memory;
      EXPECT_EQ(external.figures.records_read, 3000);
      EXPECT_EQ(external.figures.records_removed, in_memory.figures.records_removed) << line << b.memory;
      EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in", "out"})) << "temporaries removed";
    }
  }
}

TEST(ExternalSort, ARecordLongerThanTheBudgetIsSortedWhole) {
  ScratchDir dir;
  const std::string longest(20000, 'b');
  write_file(dir.file("in"), lines({"c", longest, "a"}));
  sortsol::SortOptions tiny;
  tiny.memory_bytes = 1024;
  auto r = sortsol::run_sort(job_for(dir, ""), tiny);
  ASSERT_FALSE(r.error);
  EXPECT_EQ(read_file(dir.file("out")), lines({"a", longest, "c"}));
}

// A disk that fills after a number of bytes.
std::size_t g_room = 0;
std::size_t filling_disk(const void* data, std::size_t size, std::size_t count, std::FILE* f) {
  std::size_t n = size * count;
  if (n > g_room) {
    errno = ENOSPC;
    return 0;
  }
  g_room -= n;
  return std::fwrite(data, size, count, f);
}

TEST(ExternalSort, AFullDiskLeavesTheOutputAsItWasAndNoTemporary) {
  const std::vector<std::string> input = random_records(500, 3);
  struct Case {
    const char* what;
    std::size_t memory, room;
  };
  const Case cases[] = {{"in memory", 0, 100}, {"while writing runs", 2048, 3000}, {"while merging", 2048, 8000},
                         {"while merging with the last chunk", 16384, 6000}};
  for (const Case& c : cases) {
    ScratchDir dir;
    write_file(dir.file("in"), lines(input));
    write_file(dir.file("out"), "previous output\r\n");
    sortsol::SortOptions options;
    options.memory_bytes = c.memory;
    options.write = &filling_disk;
    g_room = c.room;
    auto r = sortsol::run_sort(job_for(dir, "FILTER(DUPLICATES,RECORD)"), options);
    ASSERT_TRUE(r.error) << c.what;
    EXPECT_EQ(r.error->code, SSI_ERR_DISK_FULL) << c.what;
    EXPECT_EQ(read_file(dir.file("out")), "previous output\r\n") << c.what;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in", "out"})) << c.what;
  }
}

TEST(ExternalSort, FilesThatCannotBeOpenedAreReportedBeforeAnyOutput) {
  struct Case {
    const char* what;
    std::string input, output, log;
    int code;
  };
  ScratchDir dir;
  write_file(dir.file("in"), "b\r\na\r\n");
  const std::string missing_dir = dir.file("absent");
  const Case cases[] = {
      {"input missing", dir.file("nothing"), dir.file("out"), "", SSI_ERR_INPUT},
      {"input is a directory", dir.file("."), dir.file("out"), "", SSI_ERR_INPUT},
      {"output directory missing", dir.file("in"), missing_dir + "/out", "", SSI_ERR_OUTPUT},
      {"log directory missing", dir.file("in"), dir.file("out"), missing_dir + "/etape1.err", SSI_ERR_LOG},
  };
  for (const Case& c : cases) {
    JobLines job{c.input, c.output, c.log, false, {"KEY(String,ASC,0,0,1)"}, ""};
    auto parsed = sortsol::parse_job_file(job.text(), "f");
    ASSERT_FALSE(parsed.error);
    auto r = sortsol::run_sort(parsed.job);
    ASSERT_TRUE(r.error) << c.what;
    EXPECT_EQ(r.error->code, c.code) << c.what << ": " << r.error->message;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in"})) << c.what;
  }
}

}  // namespace
