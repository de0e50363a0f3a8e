// The grouper run: start-up (files in a fixed order, tables, period), the
// search for the first accepted line, then the record loop with one line of
// look-ahead, stays closed at their last RHS, and the execution report.
#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/fields.h"
#include "common/textfile.h"
#include "driver_console.h"
#include "driver_group.h"
#include "grouper/driver.h"
#include "grouper/report.h"
#include "grouper/rha.h"
#include "grouper/rhs.h"
#include "grouper/sequence.h"
#include "grouper/srha.h"
#include "grouper/tables.h"

namespace grouper {

namespace {

// Reader sizes (terminator included): the first lines are read with room
// for 2000 characters so that an over-long line before any accepted one is
// recognised; the loop reads at most 1999 characters at a time.
constexpr std::size_t kFirstReadSize = 2001;
constexpr std::size_t kLoopReadSize = 2000;
constexpr std::size_t kOverlongFirstLine = kFirstReadSize - 1;

// A text field as a NUL-terminated string for "%7.7s"-style arguments.
std::string text_of(std::string_view record, std::size_t offset, std::size_t width) {
  return std::string(pmsi::field(record, offset, width));
}

std::optional<int> chaining_mode_of(std::string_view word) {
  if (word == "0") return kNoChaining;
  if (word == "1") return kChainingOwnLink;
  if (word == "2") return kChainingUserLink;
  return std::nullopt;
}

// One line as the loop sees it: read, line end dropped, detected.
struct Line {
  std::string text;
  Detection detection;
  long number = 0;
};

class RecordLoop {
 public:
  RecordLoop(Run& run, pmsi::TextReader& input, pmsi::Tables& tables)
      : run_(run), input_(input), group_(tables, run.paths.tables_dir, *run.files.log) {
    held_.text.reserve(kFirstReadSize);
    next_.text.reserve(kFirstReadSize);
    rha_.rha = &*run.files.rha;
    rha_.differences = &*run.files.dif;
    rha_.tables = &tables;
    rha_.classif_version = {run.classif_version[0], run.classif_version[1]};
    srha_.mode = run.chaining_mode;
    srha_.srha = &*run.files.srha;
    srha_.link = run.files.hospmsi ? &*run.files.hospmsi : nullptr;
    sequence_.codes = &*run.files.ctrls;
    sequence_.messages = &*run.files.suite_err;
  }

  int run() {
    const int found = find_first_accepted();
    if (found != kExitOk) return found;
    bool new_stay = true;
    for (;;) {
      const bool end_of_input = !read_accepted(next_, kLoopReadSize);
      const bool first = new_stay;
      new_stay = false;
      if (first) start_stay();
      // Every accepted line, whatever its format version, opens a new stay
      // when its stay number changes: two stay numbers never share a stay.
      const bool last = end_of_input || field(next_.text, v1::stay_number) !=
                                            field(held_.text, v1::stay_number);
      if (last) new_stay = true;
      handle_held(first, last);
      if (end_of_input) break;
      std::swap(held_, next_);
    }
    finish();
    return kExitOk;
  }

 private:
  // Reads lines until one is accepted (true) or the input ends (false);
  // rejected lines are reported and counted.
  bool read_accepted(Line& line, std::size_t size) {
    for (;;) {
      const std::size_t n = input_.read_line(buf_.data(), size);
      if (n == 0) return false;
      if (size == kFirstReadSize && n == kOverlongFirstLine) {
        overlong_first_line_ = true;
        return false;
      }
      // Only a line end is dropped: a last line without one, or a piece of
      // an over-long line, keeps every character.
      const std::size_t len = buf_[n - 1] == '\n' ? n - 1 : n;
      line.text.assign(buf_.data(), len);
      line.number = ++line_count_;
      ++run_.counters.lines_read;
      line.detection = detect_format(line.text);
      if (line.detection.result == kAccepted) return true;
      report_rejected(line);
    }
  }

  void report_rejected(const Line& line) {
    ++run_.counters.rejected_count;
    pmsi::TextWriter& err = *run_.files.fmt_err;
    const std::string stay = text_of(line.text, v1::stay_number.offset, v1::stay_number.width);
    if (line.detection.result == kSizeIncompatible) {
      err.printf("Enreg n°: %ld - N° de SSR : %7.7s  ->  Format incorrect : Taille incompatible : %d \n",
                 line.number, stay.c_str(), static_cast<int>(line.text.size()));
    } else {
      const std::string code = text_of(line.text, kFormatCodeOffset, kFormatCodeWidth);
      err.printf("Enreg n°: %ld - N° de SSR : %7.7s  ->  Format inconnu :  %3.3s \n", line.number,
                 stay.c_str(), code.c_str());
    }
  }

  int find_first_accepted() {
    if (!read_accepted(held_, kFirstReadSize)) {
      if (overlong_first_line_) {
        run_.files.log->printf("\nFichier au format incorrect\n");
        run_.files.log->printf("Enregistrement sans CR+LF pour un fichier DOS\n");
        return kExitNoRecord;
      }
      finish();
      return kExitNoRecord;
    }
    run_.finess = text_of(held_.text, v1::finess.offset, v1::finess.width);
    run_.finess.resize(v1::finess.width, ' ');
    return kExitOk;
  }

  void start_stay() {
    run_.stay.start(held_.text);
    for (std::string& slot : run_.stay_buffer) slot.clear();
  }

  void count_format(int version) {
    DriverCounters& c = run_.counters;
    if (version == 1 || version == 2) ++c.v1_count;
    if (version == 3 || version == 4) ++c.v2_count;
    if (version == 5 || version == 6) ++c.v3_count;
    if (version % 2 == 0) ++c.read_grouping_count;
  }

  void handle_held(bool first, bool last) {
    const std::string_view record = held_.text;
    run_.held_line_number = held_.number;
    run_.read_grouping = held_.detection.read_grouping;
    count_format(held_.detection.version);

    const std::string_view week = field(record, v1::week);
    const bool out_of_period = !run_.period.contains(week_field_code(week));

    const detail::GroupOutcome& g = group_.group(record, held_.detection);
    int cm = g.cm, ghj = g.ghj, return_code = g.return_code;
    if (out_of_period) {
      cm = 90;
      ghj = 904;
      return_code = 96;
      ++run_.counters.out_of_period_count;
    }

    StayContext& stay = run_.stay;
    RhaInput in;
    in.record = record;
    in.grouped_record = g.grouped_record;
    in.read_grouping = run_.read_grouping_view();
    in.week_monday = g.week_monday;
    in.cm = cm;
    in.ghj = ghj;
    in.return_code = return_code;
    in.age_years = g.age_years;
    in.delay_days = g.delay_days;
    in.stay_ordinal = run_.stay_ordinal;
    in.index_in_stay = stay.rhs_index;
    in.first_of_stay = first;
    in.last_of_stay = last;
    write_rha(rha_, in, stay);
    ++stay.rhs_index;

    add_presence_days(stay, g.presence_day_count, cm, ghj);
    if (cm >= 90) {
      const std::string stay_number = std::string(field(record, v1::stay_number));
      const std::string week_text(week);
      if (out_of_period) {
        run_.files.log->printf("Enreg n°: %ld - N° de SSR : %7.7s / %6.6s : RHS hors période : \n",
                               held_.number, stay_number.c_str(), week_text.c_str());
      } else {
        run_.files.log->printf(
            "Enreg n°: %ld - N° de SSR : %7.7s / %6.6s : Erreur de groupage : %d - %d \n",
            held_.number, stay_number.c_str(), week_text.c_str(), ghj, return_code);
      }
    }

    const int count = stay.rhs_index;
    if (count <= static_cast<int>(kStayBufferSlots)) {
      run_.stay_buffer[static_cast<std::size_t>(count - 1)].assign(
          record.substr(0, std::min(record.size(), kStayBufferSlotWidth)));
    }

    if (last) {
      close_stay(record, count);
    } else if (field(next_.text, v1::um) != field(record, v1::um)) {
      ++stay.um_changes;
    }
  }

  void close_stay(std::string_view record, int count) {
    SrhaInput in;
    in.record = record;
    in.rhs_count = count;
    in.um_changes = run_.stay.um_changes;
    in.stay_ordinal = run_.stay_ordinal;
    write_srha(srha_, in, run_.stay);
    const std::size_t kept = std::min(static_cast<std::size_t>(count), kStayBufferSlots);
    const int result = check_stay_sequence(
        sequence_, std::span<const std::string>(run_.stay_buffer.data(), kept), count,
        run_.stay_ordinal, run_.semester_word, run_.year_word);
    if (result == kSequenceTooManyRhs) {
      const std::string stay_number = std::string(field(record, v1::stay_number));
      const std::string week(field(record, v1::week));
      run_.files.log->printf(
          "Enreg n°: %ld - N° de SSR : %7.7s / %6.6s : Nombre de RHS trop important pour un "
          "séjour (50 maximum) : %d \n",
          held_.number, stay_number.c_str(), week.c_str(), count);
    }
    ++run_.stay_ordinal;
    if (result != 0) ++run_.counters.sequence_error_stays;
  }

  void finish() {
    write_report(*run_.files.log, run_, rha_.counters, srha_.srha_written_count);
    run_.files.rha->close();
    run_.files.srha->close();
  }

  Run& run_;
  pmsi::TextReader& input_;
  detail::GroupStep group_;
  RhaWriter rha_;
  SrhaWriter srha_;
  SequenceFiles sequence_;
  std::array<char, kFirstReadSize> buf_{};
  Line held_, next_;
  long line_count_ = 0;
  bool overlong_first_line_ = false;
};

std::optional<pmsi::TextWriter> open_writer(const std::string& path) {
  auto w = pmsi::TextWriter::open(path);
  if (!w) return std::nullopt;
  return std::move(w.value());
}

}  // namespace

int verdan(std::span<const char* const> words) {
  if (words.size() < 6) {
    detail::console_print(stderr,
                          "Usage : verdan FICHIER_RHS NOM_SORTIE SEMESTRE ANNEE MODE_CHAINAGE\n");
    return kExitFailure;
  }
  Run run;
  run.rhs_word = words[1];
  run.semester_word = words[3];
  run.year_word = words[4];
  const std::string_view mode_word = words[5];
  const std::optional<int> mode = chaining_mode_of(mode_word);
  run.chaining_mode = mode.value_or(kNoChaining);
  run.paths = run_paths(words[0], words[2], run.chaining_mode);
  RunPaths& p = run.paths;
  RunFiles& f = run.files;

  // Start-up, in this order; each failure ends the run and later files are
  // not created.
  f.log = open_writer(p.log);
  if (!f.log) return kExitFailure;
  pmsi::TextWriter& log = *f.log;
  f.fmt_err = open_writer(p.fmt_err);
  if (!f.fmt_err) return kExitFailure;

  transcode_ccam(p.sorted_input, p.transcoded_input, log, p.transcod_err);
  auto input = pmsi::TextReader::open(p.transcoded_input);
  if (!input) {
    log.printf("Erreur ouverture fichier en entree %s\n", p.sorted_input.c_str());
    return kExitFailure;
  }

  if (!mode) {
    const std::string word(mode_word);
    log.printf("Mode de chaînage incorrect %s\n", word.c_str());
    return kExitFailure;
  }
  f.rha = open_writer(p.rha);
  if (!f.rha) {
    log.printf("Erreur ouverture fichier en sortie %s\n", p.rha.c_str());
    return kExitFailure;
  }
  if (run.chaining_mode == kChainingOwnLink) {
    f.hospmsi = open_writer(p.hospmsi);
    if (!f.hospmsi) {
      log.printf("Erreur ouverture fichier en sortie %s\n", p.hospmsi.c_str());
      return kExitFailure;
    }
  }
  f.srha = open_writer(p.srha);
  if (!f.srha) {
    log.printf("Erreur ouverture fichier en sortie %s\n", p.srha.c_str());
    return kExitFailure;
  }
  f.dif = open_writer(p.dif);
  if (!f.dif) {
    log.printf("Pb d'ouverture du fichier des différences de groupage\n");
    return kExitFailure;
  }
  f.ctrls = open_writer(p.ctrls);
  if (!f.ctrls) {
    log.printf("Pb d'ouverture du fichier de controle des suites 1\n");
    return kExitFailure;
  }
  f.suite_err = open_writer(p.suite_err);
  if (!f.suite_err) {
    log.printf("Pb d'ouverture du fichier de controle des suites 2\n");
    return kExitFailure;
  }

  auto version = pmsi::Tables::check_tables(p.tables_dir, log);
  if (!version) return kExitFailure;
  run.classif_version = version.value();
  run.classif_version.resize(2, ' ');
  pmsi::Tables tables;
  tables.open_geography(p.tables_dir);

  const int semester = run.semester_word.empty() ? 0
                       : run.semester_word[0] == '1' ? 1
                       : run.semester_word[0] == '2' ? 2
                                                      : 0;
  if (!period_window(semester, pmsi::read_atoi(run.year_word), run.period)) {
    log.printf("Période incorrecte %s - %s", run.semester_word.c_str(), run.year_word.c_str());
    return kExitFailure;
  }

  RecordLoop loop(run, *input, tables);
  return loop.run();
}

}  // namespace grouper
