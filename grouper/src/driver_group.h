#pragma once
// The grouping of one held record as the driver hands it to the writers.
// Wraps group_rhs so that the record loop does not depend on how the
// grouping keeps its per-record values.
#include <string>
#include <string_view>

#include "grouper/rhs.h"

namespace pmsi {
class Tables;
class TextWriter;
}  // namespace pmsi

namespace grouper::detail {

struct GroupOutcome {
  int cm = 0, ghj = 0, return_code = 0;
  long presence_day_count = 0;
  int age_years = 0;
  long delay_days = 0;
  std::string_view grouped_record;  // version-1 shape, valid until the next call
  std::string_view week_monday;     // DDMMYYYY of the record's week, idem
};

class GroupStep {
 public:
  GroupStep(pmsi::Tables& tables, std::string tables_dir, pmsi::TextWriter& log);
  ~GroupStep();
  GroupStep(const GroupStep&) = delete;
  GroupStep& operator=(const GroupStep&) = delete;

  // Groups the held record (as detected). Nothing of an earlier record
  // reaches this outcome.
  const GroupOutcome& group(std::string_view record, const Detection& detection);

 private:
  struct State;
  State* state_;
};

}  // namespace grouper::detail
