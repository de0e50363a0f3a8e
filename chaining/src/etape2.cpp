#include "chaining/etape2.h"

#include <cstdint>
#include <optional>
#include <string>

#include "chaining/crclavix_interface.h"
#include "chaining/files.h"
#include "chaining/pseudo_date.h"
#include "chaining/records.h"
#include "chaining/seal.h"
#include "common/fields.h"
#include "common/format.h"
#include "common/paths.h"
#include "common/textfile.h"

namespace chaining {
namespace {

struct Counts {
  std::int32_t ano_pmsi_lines = 0;
  std::int32_t srha_lines = 0;
  std::int32_t written = 0;
  std::int32_t sound = 0;
  std::int32_t srha_only = 0;
  std::int32_t ano_pmsi_only = 0;
  std::int32_t repeated_ano_pmsi = 0;
  std::int32_t repeated_srha = 0;
};

// One sorted input: its current line, line number and the stay number of the
// previous line, for the repeat check.
struct Side {
  Side(LineReader& reader, Field stay_field) : in(reader), stay(stay_field) {}
  LineReader& in;
  Field stay;
  std::string record;
  std::int32_t line = 0;
  bool done = false;
  std::string previous_stay;
  bool has_previous = false;
};

class Merge {
 public:
  Merge(LineReader& ano_pmsi, LineReader& srha, pmsi::TextWriter& err, pmsi::TextWriter& sha,
        pmsi::TextWriter& ano)
      : ano_pmsi_{ano_pmsi, ano_pmsi::stay_number},
        srha_{srha, srha::stay_number},
        err_(err),
        sha_(sha),
        ano_(ano) {}

  void run();
  const Counts& counts() const { return n_; }

 private:
  // Reads on to the next line whose stay number differs from the previous
  // line's; returns false at the end of the file and the repeated line on a
  // repeat (the caller reports it and reads on).
  enum class Read { line, repeat, end };
  Read read(Side& side, std::int32_t& lines);
  void next_ano_pmsi();
  void next_srha();
  void write_srha(const std::string* partner);

  Side ano_pmsi_;
  Side srha_;
  pmsi::TextWriter& err_;
  pmsi::TextWriter& sha_;
  pmsi::TextWriter& ano_;
  Counts n_;
  char status_ = '0';  // chaining status of the next line written
};

Merge::Read Merge::read(Side& side, std::int32_t& lines) {
  do {
    if (!side.in.next(side.record)) {
      side.done = true;
      return Read::end;
    }
  } while (side.record.empty());
  side.line = ++lines;
  std::string_view stay = field(side.record, side.stay);
  if (side.has_previous && compare_key(stay, side.previous_stay, side.stay.width) == 0)
    return Read::repeat;  // the first line of a stay number is the one used
  side.previous_stay.assign(stay);
  side.has_previous = true;
  return Read::line;
}

void Merge::next_ano_pmsi() {
  while (read(ano_pmsi_, n_.ano_pmsi_lines) == Read::repeat) {
    err_.printf(
        "B10 - Fichier HOSP-PMSI : N° de SSR correspondant à plusieurs N° Anonyme -> Problème de "
        "'recyclage' des n° de SSR : \n\t[ligne %d] [%s] \n",
        ano_pmsi_.line, ano_pmsi_.record.c_str());
    ++n_.repeated_ano_pmsi;
  }
}

void Merge::next_srha() {
  while (read(srha_, n_.srha_lines) == Read::repeat) {
    err_.printf(
        "B11 - N° de SSR correspondant à plusieurs SRHA mod -> Problème de tri du fichier de SSR : "
        "\n\t[ligne %d] [%40.40s ...] \n",
        srha_.line, srha_.record.c_str());
    ++n_.repeated_srha;
  }
}

void Merge::write_srha(const std::string* partner) {
  const std::string& s = srha_.record;
  ++n_.written;
  // The final SRHA line: the line without its chaining prefix.
  sha_.write(pmsi::field(s, srha::chaining_prefix_length, std::string_view::npos));
  sha_.write("\n");

  std::string_view finess = field(s, srha::finess), month_year = field(s, srha::month_year),
                   ordinal = field(s, srha::stay_ordinal);
  if (partner) {
    std::string_view anonymous = field(*partner, ano_pmsi::anonymous_number);
    std::string block = key_block(field(*partner, ano_pmsi::key_block_head), status_, anonymous);
    int stay_year = static_cast<int>(pmsi::read_atoi(field(s, srha::year)));
    std::string days = day_count(field(s, srha::first_monday), stay_year, anonymous);
    ano_.write(chaining_line(finess, month_year, block, days, ordinal));
  } else {
    ano_.write(chaining_line_alone(finess, month_year, status_, ordinal));
  }
  if (status_ == '0') ++n_.sound;
  status_ = '0';
}

void Merge::run() {
  next_ano_pmsi();
  next_srha();
  while (!(ano_pmsi_.done && srha_.done)) {
    if (ano_pmsi_.done) {
      err_.printf(
          "A10B  - N° de SSR dans fichier RHA modifié mais pas dans le fichier ANO-PMSI "
          "(fini):\n\t[ligne %d] [%40.40s ...]  \n",
          srha_.line, srha_.record.c_str());
      ++n_.srha_only;
      status_ = '1';
      write_srha(nullptr);
      next_srha();
      continue;
    }
    if (srha_.done) {
      err_.printf(
          "A20B - N° de SSR dans fichier ANO-PMSI mais pas dans le fichier de SRHA modifié (fini) "
          ":\n\t[ligne %d] [%s] \n",
          ano_pmsi_.line, ano_pmsi_.record.c_str());
      ++n_.ano_pmsi_only;
      next_ano_pmsi();
      continue;
    }
    int c = compare_key(field(ano_pmsi_.record, ano_pmsi::stay_number),
                        field(srha_.record, srha::stay_number), srha::stay_number.width);
    if (c < 0) {
      err_.printf(
          "A20 - N° de SSR dans fichier ANO-PMSI mais pas dans le fichier de SRHA modifié:\n\t[ligne "
          "%d] [%s] \n",
          ano_pmsi_.line, ano_pmsi_.record.c_str());
      ++n_.ano_pmsi_only;
      next_ano_pmsi();
    } else if (c > 0) {
      err_.printf(
          "A10  - N° de SSR dans fichier RHA modifié mais pas dans le fichier ANO-PMSI :\n\t[ligne "
          "%d] [%40.40s ...]  \n",
          srha_.line, srha_.record.c_str());
      ++n_.srha_only;
      status_ = '1';
      write_srha(nullptr);
      next_srha();
    } else {
      write_srha(&ano_pmsi_.record);
      next_ano_pmsi();
      next_srha();
    }
  }
}

// Seals N.rha with the key of N.ano. Without the library the key buffer
// keeps its "0000"; a missing N.rha is reported and nothing is created.
void seal(std::string_view program_dir, const std::string& ano_path, const std::string& rha_path,
          pmsi::TextWriter& err) {
  Key key{kKeyBufferFill[0], kKeyBufferFill[1], kKeyBufferFill[2], kKeyBufferFill[3]};
  std::optional<FileKeys> keys;
  if (auto k = FileKeys::load(program_dir))
    keys.emplace(std::move(k.value()));
  else
    err.printf("Problème de chargement de la DLL crclavix \n");
  if (keys) {
    FileKeys::Outcome o = keys->key(pmsi::resolve(ano_path));
    if (o.status != 0)
      err.printf("Problème lors de la réalisation de la CRC de contrôle sur %s", ano_path.c_str());
    key = o.key;
  }
  if (!seal_rha(rha_path, key))
    err.printf("Problème lors du scellement du fichier %s\n", rha_path.c_str());
  if (keys) keys->release();
}

void write_counts(pmsi::TextWriter& log, const Counts& n) {
  log.printf("Nombre d'enregistrements SRHA mod: %d\n", n.srha_lines);
  log.printf("Nombre d'enregistrements ANO-PMSI: %d\n\n", n.ano_pmsi_lines);
  log.printf("Nombre d'enregistrements écrits dans le fichier SRHA final : %d\n", n.written);
  log.printf("     dont nombre d'enregistrements sans erreur: %d\n\n\n", n.sound);
  log.printf("Nombre d'enregistrements écrits dans le fichier de chainage : %d\n", n.written);
  log.printf(" Nombre d'enreg. dont N° SSR présent dans SRHA modifié mais pas dans ANO-PMSI : %d\n",
             n.srha_only);
  log.printf(" Nombre d'enreg. dont N° SSR présent dans ANO-PMSI mais pas dans SRHA mod : %d\n",
             n.ano_pmsi_only);
  if (n.repeated_ano_pmsi)
    log.printf(
        " Nombre d'enreg avec N° de SSR correspondant à plusieurs N° Anonyme -> Problème de "
        "'recyclage' des n° de SSR: %d \n",
        n.repeated_ano_pmsi);
  if (n.repeated_srha)
    log.printf(
        " Nombre d'enreg avec N° de SSR correspondant à plusieurs SRHA mod-> Problème de tri du "
        "fichier de SSR : %d \n",
        n.repeated_srha);
}

}  // namespace

std::string key_block(std::string_view head, char status, std::string_view anonymous_number) {
  // "%5.5s%c%17.17s"
  std::string block;
  append_padded(block, head, 5);
  block += status;
  append_padded(block, anonymous_number, 17);
  return block;
}

std::string chaining_line(std::string_view finess, std::string_view month_year,
                          std::string_view key_block, std::string_view day_count,
                          std::string_view stay_ordinal) {
  // "%9.9s%6.6s%23.23s%4.4s%7.7s\n"
  std::string line;
  line.reserve(50);
  append_padded(line, finess, 9);
  append_padded(line, month_year, 6);
  append_padded(line, key_block, 23);
  append_padded(line, day_count, 4);
  append_padded(line, stay_ordinal, 7);
  line += '\n';
  return line;
}

std::string chaining_line_alone(std::string_view finess, std::string_view month_year, char status,
                                std::string_view stay_ordinal) {
  // "%9.9s%6.6s99999%cXXXXXXXXXXXXXXXXXXXXX%7.7s\n"
  std::string line;
  line.reserve(50);
  append_padded(line, finess, 9);
  append_padded(line, month_year, 6);
  line += "99999";
  line += status;
  line.append(21, 'X');
  append_padded(line, stay_ordinal, 7);
  line += '\n';
  return line;
}

int etape2(std::string_view program_dir, std::string_view base_name) {
  const std::string w = work_dir(program_dir);
  auto err = pmsi::TextWriter::open(w + "etape1.err", pmsi::WriteMode::append);
  if (!err) return 1;
  auto log = pmsi::TextWriter::open(w + "etape1.log", pmsi::WriteMode::append);
  if (!log) return 1;

  const std::string ano_pmsi_path = w + "ANO-PMSI.$$$.srt";
  auto ano_pmsi = LineReader::open(ano_pmsi_path);
  if (!ano_pmsi) {
    err->printf("Pb d'ouverture fichier ANO-PMSI : %s\n", ano_pmsi_path.c_str());
    return 1;
  }
  const std::string srha_path = w + "SRHAb.$$$.srt";
  auto srha = LineReader::open(srha_path);
  if (!srha) {
    err->printf("Pb d'ouverture fichier de SRHA modifié: %s\n", srha_path.c_str());
    return 1;
  }
  const std::string base = w + std::string(base_name);
  const std::string sha_path = base + ".sha", ano_path = base + ".ano", rha_path = base + ".rha";
  auto sha = pmsi::TextWriter::open(sha_path);
  if (!sha) {
    err->printf("Pb d'ouverture fichier de SRHA modifié: %s\n", sha_path.c_str());
    return 1;
  }
  auto ano = pmsi::TextWriter::open(ano_path);
  if (!ano) {
    err->printf("Pb d'ouverture fichier de SRHA modifié: %s\n", ano_path.c_str());
    return 1;
  }

  Merge merge(ano_pmsi.value(), srha.value(), err.value(), sha.value(), ano.value());
  merge.run();

  ano->close();
  seal(program_dir, ano_path, rha_path, err.value());
  sha->close();
  write_counts(log.value(), merge.counts());
  log->close();
  err->close();
  return 0;
}

}  // namespace chaining
