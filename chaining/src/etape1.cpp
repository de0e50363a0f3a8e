#include "chaining/etape1.h"

#include <cstdint>
#include <optional>
#include <string>

#include "chaining/crclavix_interface.h"
#include "chaining/files.h"
#include "chaining/records.h"
#include "common/paths.h"
#include "common/textfile.h"

namespace chaining {
namespace {

struct Counts {
  std::int32_t ano_hosp_lines = 0;
  std::int32_t hosp_pmsi_lines = 0;
  std::int32_t written = 0;
  std::int32_t sound = 0;
  std::int32_t ano_hosp_only = 0;
  std::int32_t hosp_pmsi_only = 0;
  std::int32_t special = 0;
  std::int32_t repeated_admin = 0;
  std::int32_t wrong_keys = 0;
};

// The ANO-HOSP record a HOSP-PMSI record was linked to, kept for the
// following HOSP-PMSI records with the same administrative number.
struct Link {
  FieldText ano_code;
  FieldText anonymous_number;
  char status;
};

class Merge {
 public:
  Merge(LineReader& ano_hosp, LineReader& hosp_pmsi, pmsi::TextWriter& err,
        pmsi::TextWriter& ano_pmsi, const RecordKeys* keys)
      : ano_in_(ano_hosp), hosp_in_(hosp_pmsi), err_(err), out_(ano_pmsi), keys_(keys) {}

  void run();
  const Counts& counts() const { return n_; }

 private:
  // The key check of the current ANO-HOSP record, made once per record.
  bool ano_key_sound() {
    if (ano_sound_ < 0) ano_sound_ = key_sound(ano_) ? 1 : 0;
    return ano_sound_ == 1;
  }
  bool key_sound(std::string_view record) const {
    // Without the library no key can be verified, and an unverified key is
    // not reported as sound.
    return keys_ && keys_->sound(record, ano_hosp::keyed_from);
  }
  void next_ano_hosp();
  void next_hosp_pmsi();
  void write_linked(const Link& link, std::string_view hosp_record);
  void write_unlinked(std::string_view hosp_record);
  void count_written(char status) {
    ++n_.written;
    if (status == kLinkSound) ++n_.sound;
  }

  LineReader& ano_in_;
  LineReader& hosp_in_;
  pmsi::TextWriter& err_;
  pmsi::TextWriter& out_;
  const RecordKeys* keys_;
  Counts n_;

  // ANO-HOSP side.
  std::string ano_;        // current record
  std::int32_t ano_line_ = 0;
  bool ano_held_ = false;  // a record read that still has its key to check
  int ano_sound_ = -1;     // its key check: -1 not made yet, 0 wrong, 1 sound
  bool ano_done_ = false;
  std::string ano_previous_admin_;
  bool ano_has_previous_ = false;

  // HOSP-PMSI side.
  std::string raw_;
  std::string hosp_;  // current record, 27 characters
  std::int32_t hosp_line_ = 0;
  bool hosp_done_ = false;
  std::string hosp_previous_admin_;
  bool hosp_has_previous_ = false;
  std::optional<Link> hosp_link_;  // the link of the current record, if any
};

void Merge::next_ano_hosp() {
  for (;;) {
    if (ano_held_) {
      ano_held_ = false;
      if (!ano_key_sound()) {
        err_.printf("C10 - Problème de calcul de clé d'intégrité sur ANO-HOSP :\n\t[ligne %d] [%s]\n",
                    ano_line_, ano_.c_str());
        ++n_.wrong_keys;
      }
    }
    ano_sound_ = -1;
    if (!ano_in_.next(ano_)) {
      ano_done_ = true;
      return;
    }
    if (ano_.size() >= ano_hosp::length &&
        std::string_view(ano_).substr(0, ano_hosp::length) == ano_hosp::special_record) {
      ++n_.ano_hosp_lines;
      err_.printf(
          "A14 - N° ANO-HOSP spécial (Problème lié à une anomalie de l'enregistrement VID-HOSP "
          "associé) :\n\t[ligne %d] [%s]\n",
          n_.ano_hosp_lines, ano_.c_str());
      ++n_.special;
      continue;
    }
    if (ano_.empty()) continue;
    ano_line_ = ++n_.ano_hosp_lines;
    ano_held_ = true;
    std::string_view admin = field(ano_, ano_hosp::admin_number);
    if (ano_has_previous_ &&
        compare_key(admin, ano_previous_admin_, ano_hosp::admin_number.width) == 0) {
      // The first record of a number is the one used.
      err_.printf(
          "B10 - N° Admisnistratif ayant plusieurs n° Anonyme dans fichier ANO-HOSP : \n\t[ligne %d] "
          "[%s] \n",
          ano_line_, ano_.c_str());
      ++n_.repeated_admin;
      continue;
    }
    ano_previous_admin_.assign(admin);
    ano_has_previous_ = true;
    return;
  }
}

void Merge::next_hosp_pmsi() {
  for (;;) {
    if (!hosp_in_.next(raw_)) {
      hosp_done_ = true;
      return;
    }
    // Every line is brought to 27 characters: completed with blanks or cut.
    hosp_.assign(raw_, 0, hosp_pmsi::length);
    hosp_.resize(hosp_pmsi::length, ' ');
    hosp_line_ = ++n_.hosp_pmsi_lines;
    std::string_view admin = field(hosp_, hosp_pmsi::admin_number);
    if (!hosp_has_previous_ ||
        compare_key(admin, hosp_previous_admin_, hosp_pmsi::admin_number.width) != 0) {
      hosp_previous_admin_.assign(admin);
      hosp_has_previous_ = true;
      hosp_link_.reset();
      return;
    }
    // Another stay of the same administrative number: it shares the fate of
    // the previous record.
    if (hosp_link_) {
      write_linked(*hosp_link_, hosp_);
      continue;
    }
    if (ano_done_)
      err_.printf("A20B - Fichier ANO-HOSP fini avant fichier HOSP-PMSI :\n\t[ligne %d] [%s] \n",
                  hosp_line_, hosp_.c_str());
    else
      err_.printf(
          "A20 - N° Administratif dans fichier HOSP-PMSI mais pas dans le fichier de ANO-HOSP : "
          "\n\t[ligne %d] [%s] \n",
          hosp_line_, hosp_.c_str());
    write_unlinked(hosp_);
    ++n_.hosp_pmsi_only;
  }
}

void Merge::write_linked(const Link& link, std::string_view hosp_record) {
  out_.write(linked_line(link.ano_code.c_str(), link.status, link.anonymous_number.c_str(),
                         field(hosp_record, hosp_pmsi::stay_number)));
  count_written(link.status);
}

void Merge::write_unlinked(std::string_view hosp_record) {
  out_.write(unlinked_line(kLinkNoAnoHosp, field(hosp_record, hosp_pmsi::stay_number)));
  count_written(kLinkNoAnoHosp);
}

void Merge::run() {
  next_ano_hosp();
  next_hosp_pmsi();
  while (!(ano_done_ && hosp_done_)) {
    if (ano_done_) {
      err_.printf(
          "A20B - N° Administratif dans fichier HOSP-PMSI mais pas dans le fichier de ANO-HOSP "
          "(fini): \n\t [ligne %d] [%s] \n",
          hosp_line_, hosp_.c_str());
      write_unlinked(hosp_);
      ++n_.hosp_pmsi_only;
      next_hosp_pmsi();
      continue;
    }
    if (hosp_done_) {
      err_.printf(
          "A10B - N° Administratif dans fichier ANO-HOSP  mais pas dans le fichier HOSP-PMSI "
          "(fini): \n\t[ligne %d] [%s] \n",
          ano_line_, ano_.c_str());
      ++n_.ano_hosp_only;
      next_ano_hosp();
      continue;
    }
    int c = compare_key(field(ano_, ano_hosp::admin_number), field(hosp_, hosp_pmsi::admin_number),
                        ano_hosp::admin_number.width);
    if (c < 0) {
      err_.printf(
          "A10 - N° Administratif dans fichier ANO-HOSP  mais pas dans le fichier HOSP-PMSI : "
          "\n\t[ligne %d] [%s] \n",
          ano_line_, ano_.c_str());
      ++n_.ano_hosp_only;
      next_ano_hosp();
    } else if (c > 0) {
      err_.printf(
          "A20 - N° Administratif dans fichier HOSP-PMSI mais pas dans le fichier de ANO-HOSP : "
          "\n\t [ligne %d] [%s] \n",
          hosp_line_, hosp_.c_str());
      write_unlinked(hosp_);
      ++n_.hosp_pmsi_only;
      next_hosp_pmsi();
    } else {
      Link link{field_text(ano_, ano_hosp::ano_code), field_text(ano_, ano_hosp::anonymous_number),
                ano_key_sound() ? kLinkSound : kLinkWrongKey};
      write_linked(link, hosp_);
      hosp_link_ = link;
      next_ano_hosp();
      next_hosp_pmsi();
    }
  }
}

void write_counts(pmsi::TextWriter& log, const Counts& n) {
  log.printf("\nNombre d'enregistrements fichier ANO-HOSP: %d\n", n.ano_hosp_lines);
  log.printf("Nombre d'enregistrements fichier HOSP-PMSI: %d\n\n", n.hosp_pmsi_lines);
  log.printf("Nombre d'enregistrements écrits dans le fichier ANO-PMSI: %d\n", n.written);
  log.printf("     dont nombre d'enregistrements sans erreur: %d\n\n\n", n.sound);
  log.printf(" Nombre d'enreg. dont N° Adm présent dans ANO-HOSP mais pas dans HOSP-PMSI : %d\n",
             n.ano_hosp_only);
  log.printf(" Nombre d'enreg. dont N° Adm présent dans HOSP-PMSI mais pas dans ANO-HOSP : %d\n",
             n.hosp_pmsi_only);
  if (n.special) log.printf(" Nombre d'enreg. avec ANO-HOSP spécial : %d\n", n.special);
  if (n.repeated_admin)
    log.printf(
        " Nombre d'enreg de correpondant à des N° Adm ayant plusieurs n° Anonyme (ANO-HOSP): %d \n",
        n.repeated_admin);
  log.printf(" Nombre d'enreg. d'ANO-HOSP avec CRC incorrecte : %d\n", n.wrong_keys);
}

}  // namespace

std::string linked_line(std::string_view ano_code, char status, std::string_view anonymous_number,
                        std::string_view stay_number) {
  // "%4.4s%c%17.17s%7.7s\n"
  std::string line;
  line.reserve(ano_pmsi::length + 1);
  append_padded(line, ano_code, 4);
  line += status;
  append_padded(line, anonymous_number, 17);
  append_padded(line, stay_number, 7);
  line += '\n';
  return line;
}

std::string unlinked_line(char status, std::string_view stay_number) {
  // "9999%cXXXXXXXXXXXXXXXXX%7.7s\n"
  std::string line = "9999";
  line += status;
  line.append(17, 'X');
  append_padded(line, stay_number, 7);
  line += '\n';
  return line;
}

int etape1(std::string_view program_dir, std::string_view ano_hosp_path,
           std::string_view hosp_pmsi_path) {
  const std::string w = work_dir(program_dir);
  auto err = pmsi::TextWriter::open(w + "etape1.err", pmsi::WriteMode::append);
  if (!err) return 1;
  auto log = pmsi::TextWriter::open(w + "etape1.log", pmsi::WriteMode::append);
  if (!log) return 1;

  const std::string ano_hosp_name(ano_hosp_path), hosp_pmsi_name(hosp_pmsi_path);
  auto ano_hosp = LineReader::open(ano_hosp_name);
  if (!ano_hosp) {
    err->printf("Pb d'ouverture fichier ANO-HOSP : %s\n", ano_hosp_name.c_str());
    return 1;
  }
  auto hosp_pmsi = LineReader::open(hosp_pmsi_name);
  if (!hosp_pmsi) {
    err->printf("Pb d'ouverture fichier HOSP-PMSI : %s\n", hosp_pmsi_name.c_str());
    return 1;
  }
  const std::string ano_pmsi_path = w + "ANO-PMSI.$$$";
  auto ano_pmsi = pmsi::TextWriter::open(ano_pmsi_path);
  if (!ano_pmsi) {
    err->printf("Pb d'ouverture fichier ANO-PMSI : %s\n", ano_pmsi_path.c_str());
    return 1;
  }
  std::optional<RecordKeys> keys;
  if (auto k = RecordKeys::load(program_dir))
    keys.emplace(std::move(k.value()));
  else
    err->printf("Problème de chargement de DLL crclavix \n");

  Merge merge(ano_hosp.value(), hosp_pmsi.value(), err.value(), ano_pmsi.value(),
              keys ? &*keys : nullptr);
  merge.run();
  write_counts(log.value(), merge.counts());

  if (keys) keys->release();
  ano_pmsi->close();
  log->close();
  err->close();
  return 0;
}

}  // namespace chaining
