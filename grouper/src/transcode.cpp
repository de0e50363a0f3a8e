// The CCAM transcoding pass: a copy of the input in which CCAM V0 act codes
// of M03 and M13 lines become V0bis codes, with its account in the run log.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "common/fields.h"
#include "common/textfile.h"
#include "driver_console.h"
#include "grouper/rhs.h"

namespace grouper {

namespace {

// Lines are read in pieces of at most 1999 characters, as the loop does.
constexpr std::size_t kTranscodeBuffer = 2000;

}  // namespace

TranscodeCounts transcode_ccam(const std::string& input_path, const std::string& output_path,
                               pmsi::TextWriter& log, const std::string& aux_err_path) {
  TranscodeCounts counts;
  auto input = pmsi::TextReader::open(input_path);
  if (!input) {
    log.printf("Pb d'ouverture fichier d'entrée : %s\n", input_path.c_str());
    return counts;
  }
  auto output = pmsi::TextWriter::open(output_path);
  if (!output) {
    log.printf("Pb d'ouverture fichier de sortie : %s\n", output_path.c_str());
    return counts;
  }
  // transcod.err stays empty; the pass does not depend on it.
  {
    auto aux = pmsi::TextWriter::open(aux_err_path);
    if (!aux) detail::console_print(stdout, "Pb d'ouverture fichier d'entrée : transcod.err\n");
  }

  log.printf("-----------------------------------------------------------\n");
  log.printf("\n\n Résultat du transcodage CCAM V0 - CCAM V0bis\n");

  std::array<char, kTranscodeBuffer> buf{};
  long line_number = 0;
  for (;;) {
    const std::size_t n = input->read_line(buf.data(), buf.size());
    if (n == 0) break;
    ++line_number;
    std::string_view line(buf.data(), n);
    const std::string_view code = pmsi::field(line, kFormatCodeOffset, kFormatCodeWidth);
    if (code == "M03" || code == "M13") {
      ++counts.concerned;
      const std::size_t h = code == "M13" ? kLeadingGroupingWidth : 0;
      // Content without the line end: only acts wholly inside it count.
      const std::size_t content = (line.back() == '\n') ? n - 1 : n;
      const long announced = pmsi::read_atoi(pmsi::field(line, v23::act_count.offset + h, 2));
      for (long k = 0; k < announced; ++k) {
        const std::size_t at = v23::kActsOffset + h + static_cast<std::size_t>(k) * kCcamActWidth;
        if (at + kCcamActWidth > content) break;
        ++counts.treated;
        std::array<char, 10> replacement{};
        char act[kCcamActWidth + 1] = {};
        line.substr(at, kCcamActWidth).copy(act, kCcamActWidth);
        const int found = lookup_ccam_v0(std::string_view(act, kCcamActWidth), replacement);
        if (found == -1) {
          ++counts.deleted;
          const std::string stay(pmsi::field(line, v1::stay_number.offset + h, 7));
          const std::string ipp(pmsi::field(line, v1::ipp.offset + h, 20));
          const std::string um(pmsi::field(line, v1::um.offset + h, 4));
          const std::string week(pmsi::field(line, v1::week.offset + h, 6));
          log.printf(
              "N° de ligne %d - N° de RHS : %7.7s - IPP : %20.20s - N° UM : %4.4s - N° Semaine : "
              "%6.6s : Code CCAM supprimé : %s \n",
              static_cast<int>(line_number), stay.c_str(), ipp.c_str(), um.c_str(), week.c_str(),
              act);
        } else if (found == 1) {
          ++counts.transcoded;
          std::copy_n(replacement.begin(), 7, buf.begin() + static_cast<std::ptrdiff_t>(at));
        }
      }
    }
    output->write(line);
  }

  log.printf("\n\nLe transcodage est réalisé sur tous les fichiers. \nIl n'est effectif que sur "
             "les fichiers de RHS utilisant des actes CCAM V0\n");
  log.printf("Nombre d'enregistrements concernés (RHS format M03 ou M13): %d\n",
             static_cast<int>(counts.concerned));
  if (counts.concerned > 0) {
    log.printf("Nb d'actes traités :%d\n", static_cast<int>(counts.treated));
    log.printf("Nb d'actes transcodés :%d\n", static_cast<int>(counts.transcoded));
    log.printf("Nb d'actes supprimés :%d\n", static_cast<int>(counts.deleted));
  }
  output->close();
  return counts;
}

}  // namespace grouper
