#include "grouper/sequence.h"

#include <array>

#include "common/fields.h"
#include "common/textfile.h"
#include "grouper/rhs.h"
#include "rha_text.h"

namespace grouper {
namespace {

using detail::sub;

constexpr std::string_view kMessages[] = {
    "",
    "Sexe inconstant",
    "Code postal inconstant",
    "Date de naissance inconstante",
    "Type d'hospit. inconstante",
    "Année du RHS inconstante",
    "Séquencement des N° de semaine incorrect",
    "Affectation du même jour de présence dans 2 RHS de la même semaine",
};

// Week number of a `week` field: its first 2 characters, a leading blank
// read as "0", as atoi reads them (which a leading blank does not change).
long week_number(std::string_view rhs) {
  return pmsi::read_atoi(detail::at(rhs, v1::week.offset, 2));
}

template <std::size_t N>
std::array<char, N + 1> c_text(std::string_view f) {
  std::array<char, N + 1> s{};
  for (std::size_t i = 0; i < N && i < f.size(); ++i) s[i] = f[i];
  return s;
}

class Findings {
 public:
  explicit Findings(const SequenceFiles& files) : files_(files) {}

  void add(std::string_view rhs, int index, int code) {
    if (files_.messages) {
      auto stay_number = c_text<7>(sub(rhs, v1::stay_number));
      files_.messages->printf("N° de séjour : %7.7s - RHS n° %d - Erreur : ", stay_number.data(),
                              index);
      files_.messages->text(kMessages[code]);
      files_.messages->write("\n");
    }
    if (listed_ < kStayCodeListMax) codes_[static_cast<std::size_t>(listed_++)] = code;
    ++count_;
  }

  int count() const { return count_; }

  void write_code_line(std::string_view first, long stay_ordinal, std::string_view semester_word,
                       std::string_view year_word) const {
    pmsi::TextWriter* out = files_.codes;
    if (!out || count_ == 0) return;
    auto finess = c_text<9>(sub(first, v1::finess));
    out->printf("%9.9s;%.*s;%.*s;%010ld;", finess.data(), static_cast<int>(semester_word.size()),
                semester_word.data(), static_cast<int>(year_word.size()), year_word.data(),
                stay_ordinal);
    out->printf("%d;", count_);
    for (int i = 0; i < listed_; ++i) out->printf("%d;", codes_[static_cast<std::size_t>(i)]);
    out->write("\n");
  }

 private:
  const SequenceFiles& files_;
  std::array<int, kStayCodeListMax> codes_{};
  int listed_ = 0;
  int count_ = 0;
};

}  // namespace

int check_stay_sequence(const SequenceFiles& files, std::span<const std::string> stay,
                        int rhs_count, long stay_ordinal, std::string_view semester_word,
                        std::string_view year_word) {
  if (rhs_count > kSequenceMaxRhs) return kSequenceTooManyRhs;
  std::size_t n = rhs_count < 0 ? 0 : static_cast<std::size_t>(rhs_count);
  if (n > stay.size()) n = stay.size();
  if (n == 0) return 0;

  Findings findings(files);
  std::string_view r0 = stay[0];
  bool full_time = sub(r0, v1::hosp_type) == "1";
  long previous_week = week_number(r0);
  for (std::size_t i = 1; i < n; ++i) {
    std::string_view ri = stay[i];
    int index = static_cast<int>(i);
    if (sub(ri, v1::sex) != sub(r0, v1::sex)) findings.add(ri, index, kSexChanged);
    if (full_time && sub(ri, v1::postal_code) != sub(r0, v1::postal_code))
      findings.add(ri, index, kPostalCodeChanged);
    if (sub(ri, v1::birth_date) != sub(r0, v1::birth_date))
      findings.add(ri, index, kBirthDateChanged);
    if (sub(ri, v1::hosp_type) != sub(r0, v1::hosp_type)) findings.add(ri, index, kHospTypeChanged);
    if (detail::at(ri, v1::week.offset + 2, 4) != detail::at(r0, v1::week.offset + 2, 4))
      findings.add(ri, index, kWeekYearChanged);
    long week = week_number(ri);
    if (full_time && week > previous_week + 1) findings.add(ri, index, kWeekSkipped);
    if (week == previous_week) {
      std::string_view days = sub(ri, v1::presence_days);
      std::string_view previous_days = sub(stay[i - 1], v1::presence_days);
      for (std::size_t d = 0; d < days.size() && d < previous_days.size(); ++d)
        if (days[d] == '1' && previous_days[d] == '1') findings.add(ri, index, kSameDayTwice);
    }
    previous_week = week;
  }
  findings.write_code_line(r0, stay_ordinal, semester_word, year_word);
  return findings.count();
}

}  // namespace grouper
