// The library as its callers use it: loaded at run time from the program
// directory, entries looked up by name, the front end's call sequence.
#include <gtest/gtest.h>

#include <cstring>

#include "common/dynlib.h"
#include "sortsol/sortsol.h"
#include "sortsol_test_util.h"

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#endif

namespace {

using namespace sortsol_test;

struct Engine {
  pmsi::DynLib lib;
  decltype(&SSICreateFromFile) create;
  decltype(&SSIRegisterCallback) register_callback;
  decltype(&SSISort) sort;
  decltype(&SSIGetStats) get_stats;
  decltype(&SSIFree) free;
  decltype(&SSIGetErrorMessage) error_message;

  static Engine load() {
    auto lib = pmsi::DynLib::load(PMSI_PROGRAM_DIR, "sortsol");
    if (!lib) throw std::runtime_error(lib.error());
    Engine e{std::move(lib.value()), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    auto fn = [&](const char* name) {
      auto s = e.lib.symbol(name);
      if (!s) throw std::runtime_error(s.error());
      return s.value();
    };
    e.create = reinterpret_cast<decltype(e.create)>(fn("SSICreateFromFile"));
    e.register_callback = reinterpret_cast<decltype(e.register_callback)>(fn("SSIRegisterCallback"));
    e.sort = reinterpret_cast<decltype(e.sort)>(fn("SSISort"));
    e.get_stats = reinterpret_cast<decltype(e.get_stats)>(fn("SSIGetStats"));
    e.free = reinterpret_cast<decltype(e.free)>(fn("SSIFree"));
    e.error_message = reinterpret_cast<decltype(e.error_message)>(fn("SSIGetErrorMessage"));
    return e;
  }

  std::string message(int32_t code) {
    char text[256];
    std::memset(text, 0, sizeof text);
    int32_t length = 255;
    EXPECT_EQ(error_message(code, text, &length), 0);
    return std::string(text, static_cast<std::size_t>(length));
  }

  // The front end's `trier`: returns the first failing code and its message.
  std::pair<int32_t, std::string> trier(const std::string& job_file_path, unsigned char (&stats)[56]) {
    int32_t size = 56;
    std::memcpy(stats, &size, 4);
    InfoTri info{};
    info.size = sizeof(InfoTri);
    int32_t handle = 0;
    int32_t code = create(&handle, job_file_path.c_str(), &info);
    if (code != 0) return {code, message(code)};
    register_callback(handle, nullptr, 0);
    code = sort(handle);
    if (code != 0) {
      auto failure = std::make_pair(code, message(code));
      free(handle);
      return failure;
    }
    code = get_stats(handle, reinterpret_cast<StatTri*>(stats));
    EXPECT_EQ(free(handle), 0);
    return {code, code ? message(code) : ""};
  }
};

int32_t at(const unsigned char (&stats)[56], std::size_t offset) {
  return static_cast<int32_t>(stats[offset] | stats[offset + 1] << 8 | stats[offset + 2] << 16 |
                              static_cast<uint32_t>(stats[offset + 3]) << 24);
}

const std::string kAnoHosp = "C0DE0001ANONZ            H2                  ";

TEST(SortsolLibrary, TheFrontEndsCallSequenceSortsAndCounts) {
  Engine engine = Engine::load();
  ScratchDir dir;
  JobLines job{dir.file("ano hosp.txt"), dir.file("anohosp1b.srt"), dir.file("etape1.err"), false,
              {"KEY(String,ASC,0,25,20)"}, "FILTER(DUPLICATES,RECORD)"};
  write_file(job.input, lines({kAnoHosp, kAnoHosp, kAnoHosp}));
  write_file(dir.file("fich1.ssp"), job.text());
  unsigned char stats[56] = {};
  auto [code, text] = engine.trier(dir.file("fich1.ssp"), stats);
  ASSERT_EQ(code, 0) << text;
  EXPECT_EQ(at(stats, 0), 56);
  EXPECT_EQ(at(stats, 32), 3) << "records read";
  EXPECT_EQ(at(stats, 40), 2) << "records removed";
  EXPECT_EQ(at(stats, 36), 1) << "records written";
  EXPECT_EQ(read_file(job.output), lines({kAnoHosp}));
}

TEST(SortsolLibrary, AMissingInputIsReportedAndTheStatisticsKeepTheirValues) {
  Engine engine = Engine::load();
  ScratchDir dir;
  JobLines job{dir.file("absent.txt"), dir.file("out.srt"), "", false, {"KEY(String,ASC,0,7,20)"},
              "FILTER(DUPLICATES,RECORD)"};
  write_file(dir.file("fich2.ssp"), job.text());
  unsigned char stats[56];
  std::memset(stats, 0x5A, sizeof stats);
  unsigned char before[56];
  std::memcpy(before, stats, sizeof stats);
  auto [code, text] = engine.trier(dir.file("fich2.ssp"), stats);
  EXPECT_EQ(code, SSI_ERR_INPUT);
  EXPECT_NE(text.find("absent.txt"), std::string::npos) << text;
  EXPECT_EQ(std::memcmp(stats + 4, before + 4, 52), 0);

  // Statistics asked after a failed sort leave the record alone too.
  int32_t handle = 0;
  InfoTri info{};
  info.size = sizeof(InfoTri);
  ASSERT_EQ(engine.create(&handle, dir.file("fich2.ssp").c_str(), &info), 0);
  EXPECT_EQ(engine.sort(handle), SSI_ERR_INPUT);
  StatTri s;
  std::memset(&s, 0x5A, sizeof s);
  s.size = 56;
  EXPECT_EQ(engine.get_stats(handle, &s), SSI_ERR_NO_STATS);
  EXPECT_EQ(s.records_read, 0x5A5A5A5A);
  EXPECT_EQ(engine.free(handle), 0);
  EXPECT_EQ(engine.free(handle), SSI_ERR_HANDLE);
  EXPECT_EQ(engine.sort(handle), SSI_ERR_HANDLE);
}

TEST(SortsolLibrary, AMalformedStatementIsReportedWithItsLine) {
  Engine engine = Engine::load();
  ScratchDir dir;
  write_file(dir.file("fich1.ssp"),
             lines({"INPUTFILE(a)", "OUTPUTFILE(b)", kFileType, "KEY(String,DESC,0,0,7)"}));
  unsigned char stats[56] = {};
  auto [code, text] = engine.trier(dir.file("fich1.ssp"), stats);
  EXPECT_EQ(code, SSI_ERR_STATEMENT);
  EXPECT_NE(text.find("ligne 4"), std::string::npos) << text;
  EXPECT_NE(text.find("DESC"), std::string::npos) << text;
  // A short buffer gets the beginning of the text, NUL-terminated.
  char small[8];
  int32_t length = sizeof small;
  EXPECT_EQ(engine.error_message(code, small, &length), 0);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(std::string(small), text.substr(0, 7));
}

int run_program(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
#ifdef _WIN32
  return static_cast<int>(_spawnv(_P_WAIT, argv[0], argv.data()));
#else
  pid_t pid;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), nullptr) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

TEST(SortsolTool, RunsEachJobAndFailsWhenOneFails) {
  ScratchDir dir;
  JobLines good{dir.file("in.txt"), dir.file("out.srt"), "", false, {"KEY(String,ASC,0,0,1)"}, ""};
  write_file(good.input, lines({"b", "a"}));
  write_file(dir.file("good.ssp"), good.text());
  write_file(dir.file("bad.ssp"), "SORT\r\n");
  const std::string tool = std::string(PMSI_PROGRAM_DIR) + "/sortsol" + PMSI_EXE_SUFFIX;
  EXPECT_EQ(run_program({tool, dir.file("good.ssp")}), 0);
  EXPECT_EQ(read_file(good.output), lines({"a", "b"}));
  EXPECT_EQ(run_program({tool, dir.file("bad.ssp"), dir.file("good.ssp")}), 1);
}

}  // namespace
