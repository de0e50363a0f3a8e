// Temporary grouping until group_rhs lands: every record in CM 01, GHJ 001.
#include <string>

#include "driver_group.h"
#include "grouper/rhs.h"

namespace grouper::detail {

struct GroupStep::State {
  std::string grouped;
  GroupOutcome outcome;
};

GroupStep::GroupStep(pmsi::Tables&, std::string, pmsi::TextWriter&) : state_(new State) {}
GroupStep::~GroupStep() { delete state_; }

const GroupOutcome& GroupStep::group(std::string_view record, const Run&) {
  to_version1_shape(record, state_->grouped);
  state_->outcome = GroupOutcome{};
  state_->outcome.cm = 1;
  state_->outcome.ghj = 1;
  long days = 0;
  for (char c : field(state_->grouped, v1::presence_days)) days += c == '1';
  state_->outcome.presence_day_count = days;
  state_->outcome.grouped_record = state_->grouped;
  return state_->outcome;
}

}  // namespace grouper::detail
