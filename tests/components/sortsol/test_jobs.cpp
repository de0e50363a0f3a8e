// The seven sort jobs of the front end on small inputs, run in-process:
// order, stability, duplicate filters, counts and the log report.
#include <gtest/gtest.h>

#include <map>

#include "common/cp1252.h"
#include "sort_job.h"
#include "job_file.h"
#include "sortsol_test_util.h"

namespace {

using namespace sortsol_test;

// RHS fields that job 1 sorts on, version-1 shape (a leading grouping of 12
// characters shifts them all).
struct Field {
  const char* name;
  std::size_t offset, width;
};
constexpr Field kFormatCode{"format_code", 9, 3};
constexpr Field kStayNumber{"stay_number", 12, 7};
constexpr Field kIpp{"ipp", 20, 20};
constexpr Field kEntryDate{"entry_date", 54, 8};
constexpr Field kExitDate{"exit_date", 64, 8};
constexpr Field kWeek{"week", 74, 6};
constexpr std::size_t kRhsLength = 204;

void put(std::string& rec, const Field& f, std::size_t h, const std::string& value) {
  ASSERT_EQ(value.size(), f.width) << f.name;
  rec.replace(h + f.offset, f.width, value);
}

// An RHS line; `tag` goes in the IPP field so that the test can follow it.
std::string rhs(std::size_t h, const std::string& stay, const std::string& week, const std::string& entry,
                const std::string& exit, const std::string& tag) {
  std::string rec(h + kRhsLength, ' ');
  rec.replace(0, 9, "123456789");
  if (h) rec.replace(9, 3, "M13");
  put(rec, kFormatCode, h, h ? "M03" : "M01");
  put(rec, kStayNumber, h, stay);
  put(rec, kIpp, h, tag + std::string(kIpp.width - tag.size(), ' '));
  put(rec, kEntryDate, h, entry);
  put(rec, kExitDate, h, exit);
  put(rec, kWeek, h, week);
  return rec;
}

std::string tag_of(const std::string& rec, std::size_t h) { return rec.substr(h + kIpp.offset, 1); }

std::vector<std::string> split(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every output record ends with CR LF";
    if (end == std::string::npos) break;
    out.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

struct JobRun {
  sortsol::SortOutcome outcome;
  std::string output;
};

JobRun run_job(const ScratchDir& dir, const JobLines& job, const sortsol::SortOptions& options = {}) {
  write_file(dir.file("fich1.ssp"), job.text());
  auto parsed = sortsol::read_job_file(dir.file("fich1.ssp"));
  EXPECT_FALSE(parsed.error) << parsed.error->message;
  JobRun r{sortsol::run_sort(parsed.job, options), {}};
  r.output = read_file(job.output);
  return r;
}

// Job 1 keys as the front end writes them for a header length h.
std::vector<std::string> job1_keys(std::size_t h) {
  auto n = [h](std::size_t off) { return std::to_string(off + h); };
  return {"KEY(String,ASC,0," + n(12) + ",7)", "KEY(String,ASC,0," + n(76) + ",4)", "KEY(UIntS,ASC,0," + n(74) + ",2)",
          "KEY(Date,ASC,0," + n(54) + ",\"DDMMYYYY\")", "KEY(Date,ASC,0," + n(64) + ",\"DDMMYYYY\")"};
}

TEST(SortJobs, RhsJobOrdersByStayYearWeekEntryAndExitDate) {
  for (std::size_t h : {0u, 12u}) {  // M01 and M13 files
    ScratchDir dir;
    const std::string blank(8, ' ');
    const std::vector<std::string> input{
        rhs(h, "0000002", "012021", "01012021", blank, "A"),
        rhs(h, "0000001", "522020", "21122020", blank, "B"),
        rhs(h, "0000001", "012021", "21122020", "05012021", "C"),  // year 2021 after 2020 despite week 01
        rhs(h, "0000001", "522020", "20122020", blank, "D"),       // same week as B, entered a day earlier
        rhs(h, "0000002", " 92021", "01012021", blank, "E"),       // week 9: after 08 although " 9" < "08" as bytes
        rhs(h, "0000002", "082021", "01012021", blank, "G"),
        rhs(h, "0000003", "012021", "31122020", blank, "H"),       // 2020 before 2021 although "31" > "01"
        rhs(h, "0000003", "012021", "01012021", blank, "I"),       // blank exit date first
        rhs(h, "0000003", "012021", "01012021", "03012021", "J"),
        rhs(h, "0000003", "012021", "01012021", "02012021", "K"),
        rhs(h, "0000002", "012021", "01012021", blank, "L"),       // same keys as A: stays after it
    };
    JobLines job{dir.file("rhs.txt"), dir.file("$$$in.srt"), "", true, job1_keys(h), ""};
    write_file(job.input, lines(input));
    JobRun r = run_job(dir, job);
    ASSERT_FALSE(r.outcome.error) << r.outcome.error->message;
    std::string order;
    for (const auto& rec : split(r.output)) order += tag_of(rec, h);
    EXPECT_EQ(order, "DBCALGEHIKJ") << "h=" << h;
    EXPECT_EQ(r.outcome.figures.records_read, 11);
    EXPECT_EQ(r.outcome.figures.records_removed, 0);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"$$$in.srt", "fich1.ssp", "rhs.txt"})) << "no temporary left";
  }
}

// ANO-HOSP: integrity key (4), ano code (4), anonymous number (17), HOSP number (20).
std::string ano_hosp(const std::string& anonymous, const std::string& hosp) {
  return "C0DE0001" + anonymous + std::string(17 - anonymous.size(), ' ') + hosp + std::string(20 - hosp.size(), ' ');
}
// HOSP-PMSI: SSR stay number (7), HOSP number (20).
std::string hosp_pmsi(const std::string& stay, const std::string& hosp) {
  return stay + hosp + std::string(20 - hosp.size(), ' ');
}
// ANO-PMSI: ano code (4), link status (1), anonymous number (17), SSR stay number (7).
std::string ano_pmsi(const std::string& anonymous, const std::string& stay) {
  return "00010" + anonymous + std::string(17 - anonymous.size(), ' ') + stay;
}

TEST(SortJobs, PurgeJobsDropDuplicatesAndCountThem) {
  const std::string x1 = ano_hosp("ANONX", "H1"), y1 = ano_hosp("ANONY", "H1"), z2 = ano_hosp("ANONZ", "H2");
  const std::string srha_a = "0000007020120210512345678", srha_b = "0000007020120210599999999";
  struct Case {
    const char* what;
    std::string key, filter;
    std::vector<std::string> input, expected;
    std::int64_t removed;
  };
  const Case cases[] = {
      {"job 2: three identical ANO-HOSP records, one stays", "KEY(String,ASC,0,25,20)", "FILTER(DUPLICATES,RECORD)",
       {z2, z2, z2}, {z2}, 2},
      {"job 2: same HOSP number, different records, both stay; an equal record further on goes",
       "KEY(String,ASC,0,25,20)", "FILTER(DUPLICATES,RECORD)", {z2, x1, y1, x1}, {x1, y1, z2}, 1},
      {"job 3: same HOSP number, the first record stays", "KEY(String,ASC,0,25,20)", "FILTER(DUPLICATES,KEYS)",
       {z2, y1, x1}, {y1, z2}, 1},
      {"job 4: no duplicate, nothing removed", "KEY(String,ASC,0,7,20)", "FILTER(DUPLICATES,RECORD)",
       {hosp_pmsi("0000002", "H9"), hosp_pmsi("0000001", "H10")},
       {hosp_pmsi("0000001", "H10"), hosp_pmsi("0000002", "H9")}, 0},
      {"job 5: exact ANO-PMSI duplicates", "KEY(String,ASC,0,22,7)", "FILTER(DUPLICATES,RECORD)",
       {ano_pmsi("B", "0000002"), ano_pmsi("A", "0000001"), ano_pmsi("B", "0000002")},
       {ano_pmsi("A", "0000001"), ano_pmsi("B", "0000002")}, 1},
      {"job 6: same SSR number", "KEY(String,ASC,0,22,7)", "FILTER(DUPLICATES,KEYS)",
       {ano_pmsi("B", "0000001"), ano_pmsi("A", "0000001")}, {ano_pmsi("B", "0000001")}, 1},
      {"job 7: SRHA exact duplicates", "KEY(String,ASC,0,0,7)", "FILTER(DUPLICATES,RECORD)",
       {srha_b, srha_a, srha_b}, {srha_b, srha_a}, 1},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    JobLines job{dir.file("in.$$$"), dir.file("out.srt"), dir.file("etape1.err"), false, {c.key}, c.filter};
    write_file(job.input, lines(c.input));
    JobRun r = run_job(dir, job);
    ASSERT_FALSE(r.outcome.error) << c.what << ": " << r.outcome.error->message;
    EXPECT_EQ(split(r.output), c.expected) << c.what;
    EXPECT_EQ(r.outcome.figures.records_read, static_cast<std::int64_t>(c.input.size())) << c.what;
    EXPECT_EQ(r.outcome.figures.records_removed, c.removed) << c.what;
    EXPECT_EQ(r.outcome.figures.records_written, static_cast<std::int64_t>(c.expected.size())) << c.what;
  }
}

TEST(SortJobs, RecordsAreBytesUpToTheLineEnd) {
  struct Case {
    const char* what;
    std::string input, expected;
  };
  const Case cases[] = {
      {"the last record may lack its line end", "b\r\na", "a\r\nb\r\n"},
      {"a line feed alone ends a record", "b\na\n", "a\r\nb\r\n"},
      {"a lone carriage return is content", "b\r\na\rz\r\n", "a\rz\r\nb\r\n"},
      {"empty records sort first and stay", "b\r\n\r\na\r\n", "\r\na\r\nb\r\n"},
      {"an empty file gives an empty output", "", ""},
      {"NUL bytes are content", std::string("b\0\r\na\0\r\n", 8), std::string("a\0\r\nb\0\r\n", 8)},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    JobLines job{dir.file("in"), dir.file("out"), "", false, {"KEY(String,ASC,0,0,1)"}, ""};
    write_file(job.input, c.input);
    JobRun r = run_job(dir, job);
    ASSERT_FALSE(r.outcome.error) << c.what;
    EXPECT_EQ(r.output, c.expected) << c.what;
  }
}

TEST(SortJobs, LogReportIsAppendedToWhatTheLogHolds) {
  ScratchDir dir;
  JobLines job{dir.file("anohosp"), dir.file("anohosp1b.srt"), dir.file("etape1.err"), false,
              {"KEY(String,ASC,0,25,20)"}, "FILTER(DUPLICATES,RECORD)"};
  const std::string z2 = ano_hosp("ANONZ", "H2");
  write_file(job.input, lines({z2, z2, z2}));
  write_file(job.log, "A10 - ligne existante\r\n");
  JobRun r = run_job(dir, job);
  ASSERT_FALSE(r.outcome.error);
  const std::string log = read_file(job.log);
  const std::string cp = *pmsi::utf8_to_cp1252(
      "   Enregistrements lus       : 3\r\n"
      "   Enregistrements supprimés : 2\r\n"
      "   Enregistrements écrits    : 1\r\n");
  EXPECT_EQ(log.rfind("A10 - ligne existante\r\n\r\nTri sortsol de " + job.input + " vers " + job.output + "\r\n", 0), 0u)
      << log;
  EXPECT_NE(log.find(cp), std::string::npos) << log;
}

}  // namespace
