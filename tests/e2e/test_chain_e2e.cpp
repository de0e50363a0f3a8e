// The whole chaining run in mode 1, as the front end drives it: verdan
// groups the RHS and writes srhab.$$$ and hospmsi.$$$; sortsol runs sort jobs
// 2 to 4 from the specification files the front end writes; etape1 links the
// stays to the anonymous numbers; sortsol runs jobs 5 to 7; etape2 writes the
// chained files and seals the RHA file. All in one temporary program
// directory, every result compared byte for byte with hand-checked files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCase = fs::path(E2E_FIXTURES) / "chain_mode1";
const std::string kSuffix = E2E_EXE_SUFFIX;
const std::string kBaseName = "chain";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// The sort engine reports how long each job took: the only figure of the
// error file that changes from run to run.
std::string without_durations(const std::string& text) {
  const std::string label = "   Dur\xe9" "e ";
  std::string out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(label, 0) == 0) line = line.substr(0, line.find(':') + 1) + " # ms\r";
    out += line;
    if (!lines.eof()) out += '\n';
  }
  return out;
}

void replace_all(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

// etape2 names the RHA file under the relative program path: ".\WKS\" on
// Windows (the name as the program builds it), "./wks/" here.
std::string with_unix_paths(std::string text) {
  replace_all(text, ".\\WKS\\", "./wks/");
  replace_all(text, ".\\wks\\", "./wks/");
  return text;
}

// Everything the chain needs beside the working directory: the five
// programs, the checksum library (unless left out) and the demo tables.
class ProgramDir {
 public:
  explicit ProgramDir(bool with_library) {
    dir_ = fs::temp_directory_path() / ("chain_e2e_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "wks");
    for (const char* built : {E2E_VERDAN, E2E_ETAPE1, E2E_ETAPE2, E2E_SORTSOL}) {
      fs::copy_file(built, dir_ / fs::path(built).filename());
    }
    if (with_library) fs::copy_file(E2E_CRCLAVIX, dir_ / fs::path(E2E_CRCLAVIX).filename());
    for (const auto& entry : fs::directory_iterator(PMSI_PROGRAM_DIR)) {
      if (entry.path().extension() == ".tab") fs::copy_file(entry.path(), dir_ / entry.path().filename());
    }
  }
  ~ProgramDir() {
    if (keep_) return;
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  const fs::path& path() const { return dir_; }
  fs::path wks() const { return dir_ / "wks"; }
  void keep() { keep_ = true; }

  void run(const std::string& program, const std::vector<std::string>& words) const {
    const e2e::ProgramExit exit = e2e::run_program(dir_.string(), program + kSuffix, words);
    ASSERT_TRUE(exit.exited) << program << ": " << exit.failure;
    EXPECT_EQ(exit.code, 0) << program;
  }

  // One sort job of the chaining run: the specification file as the front
  // end writes it, then the engine. Paths are relative to the program
  // directory, the current directory of every program here.
  void sort(const std::string& spec, const std::string& input, const std::string& output,
            const std::string& key, const std::string& filter) const {
    spit(dir_ / "wks" / spec,
         "INPUTFILE(" + input + ")\r\n" + "OUTPUTFILE(" + output + ")\r\n" +
             "FILETYPE(DELIMITED,\"0x00\" ,\"0x0D,0x0A\")\r\n" + "LOGFILE(wks/etape1.err,TRUE)\r\n" + key +
             "\r\n" + "FILTER(DUPLICATES," + filter + ")\r\n");
    run("sortsol", {"wks/" + spec});
  }

 private:
  fs::path dir_;
  bool keep_ = false;
};

struct ChainCase {
  const char* name;      // also the folder of its expected files
  bool with_library;     // crclavix beside the programs
  bool rha_deleted;      // N.rha removed between etape1 and etape2
};

// verdan, sort jobs 2 to 4, etape1, sort jobs 5 to 7, etape2.
void run_chain(const ProgramDir& prog, const ChainCase& c) {
  fs::copy_file(kCase / "rhs.txt", prog.wks() / "$$$in.srt");
  fs::copy_file(kCase / "anohosp.txt", prog.path() / "anohosp.txt");
  prog.run("verdan", {"C:\\rhs\\chain.txt", kBaseName, "1", "1999", "1"});

  spit(prog.wks() / "etape1.log", "");
  spit(prog.wks() / "etape1.err", "");
  prog.sort("fich1.ssp", "anohosp.txt", "wks/anohosp1b.srt", "KEY(String,ASC,0,25,20)", "RECORD");
  prog.sort("fich1.ssp", "wks/anohosp1b.srt", "wks/anohosp1.srt", "KEY(String,ASC,0,25,20)", "KEYS");
  prog.sort("fich2.ssp", "wks/HOSPMSI.$$$", "wks/hospmsi1.srt", "KEY(String,ASC,0,7,20)", "RECORD");
  prog.run("etape1", {"wks/anohosp1.srt", "wks/hospmsi1.srt"});

  prog.sort("fich1.ssp", "wks/ano-pmsi.$$$", "wks/ano-pmsi.$$$.srt1", "KEY(String,ASC,0,22,7)", "RECORD");
  prog.sort("fich1.ssp", "wks/ano-pmsi.$$$.srt1", "wks/ano-pmsi.$$$.srt", "KEY(String,ASC,0,22,7)", "KEYS");
  fs::remove(prog.wks() / "ano-pmsi.$$$.srt1");
  prog.sort("fich2.ssp", "wks/srhab.$$$", "wks/srhab.$$$.srt", "KEY(String,ASC,0,0,7)", "RECORD");
  if (c.rha_deleted) fs::remove(prog.wks() / (kBaseName + ".rha"));
  prog.run("etape2", {kBaseName});
}

// Names the case in the test's failure text.
void PrintTo(const ChainCase& c, std::ostream* out) { *out << c.name; }

class Chain : public ::testing::TestWithParam<ChainCase> {};

TEST_P(Chain, OutputsMatch) {
  const ChainCase c = GetParam();
  ProgramDir prog(c.with_library);
  run_chain(prog, c);

  const fs::path expected_dir = kCase / "expected" / c.name;
  bool all_same = true;
  for (const char* name : {"ANO-PMSI.$$$", "chain.sha", "chain.ano", "chain.rha", "etape1.log", "etape1.err"}) {
    const fs::path expected_file = expected_dir / name;
    const fs::path actual_file = prog.wks() / name;
    if (!fs::exists(expected_file)) {
      if (fs::exists(actual_file)) {
        ADD_FAILURE() << name << ": written but not expected";
        all_same = false;
      }
      continue;
    }
    std::string expected = slurp(expected_file);
    std::string actual = slurp(actual_file);
    if (std::string(name) == "etape1.err") {
      expected = without_durations(expected);
      actual = with_unix_paths(without_durations(actual));
    }
    if (!fs::exists(actual_file)) {
      ADD_FAILURE() << name << ": expected but not written";
      all_same = false;
    } else if (expected != actual) {
      ADD_FAILURE() << name << " differs (" << expected.size() << " bytes expected, " << actual.size()
                    << " written)";
      all_same = false;
    }
  }
  if (!all_same) {
    prog.keep();
    std::cerr << "run left in " << prog.path().string() << "\n";
  }
}

std::string case_name(const ::testing::TestParamInfo<ChainCase>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Mode1, Chain,
    ::testing::Values(ChainCase{"full", true, false},
                      // No checksum library: no ANO-HOSP key can be checked,
                      // and the seal holds the key buffer's own "0000".
                      ChainCase{"no_library", false, false},
                      // The grouper's RHA file gone before step 2: nothing to
                      // seal, nothing created in its place.
                      ChainCase{"rha_deleted", true, true}),
    case_name);

}  // namespace
