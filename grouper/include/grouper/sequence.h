#pragma once
// Stay sequence checks: facts that must not change from one week of a stay
// to the next, and weeks that must follow each other.
#include <span>
#include <string>
#include <string_view>

namespace pmsi {
class TextWriter;
}

namespace grouper {

inline constexpr int kSequenceMaxRhs = 50;      // RHS checked per stay
inline constexpr int kSequenceTooManyRhs = 99;  // result for a longer stay
inline constexpr int kStayCodeListMax = 50;     // codes shown on the code line

// Inconsistency codes, in the order each RHS is checked.
enum SequenceCode : int {
  kSexChanged = 1,
  kPostalCodeChanged = 2,
  kBirthDateChanged = 3,
  kHospTypeChanged = 4,
  kWeekYearChanged = 5,
  kWeekSkipped = 6,
  kSameDayTwice = 7,
};

struct SequenceFiles {
  pmsi::TextWriter* codes = nullptr;     // N.ctrls
  pmsi::TextWriter* messages = nullptr;  // N.suite.err
};

// Checks the RHS of one stay (`stay`: the first min(rhs_count, 50) RHS in
// file order, each as detected; only offsets below 99 are read). Writes one
// message line per inconsistency and, when there is any, one code line
// (FINESS;semester;year;ordinal;count;codes...;) that shows the first 50
// codes and the count of all. Returns 99 with nothing written when
// rhs_count is above 50, otherwise the number of inconsistencies.
int check_stay_sequence(const SequenceFiles& files, std::span<const std::string> stay,
                        int rhs_count, long stay_ordinal, std::string_view semester_word,
                        std::string_view year_word);

}  // namespace grouper
