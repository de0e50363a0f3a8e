// The driver's view of group_rhs: one GroupResult reused for every record
// (group_rhs fills it afresh, so nothing of an earlier record reaches a later
// one).
#include "driver_group.h"

#include "grouper/group.h"

namespace grouper::detail {

struct GroupStep::State {
  pmsi::Tables& tables;
  std::string tables_dir;
  pmsi::TextWriter& log;
  GroupResult result;
  GroupOutcome outcome;
};

GroupStep::GroupStep(pmsi::Tables& tables, std::string tables_dir, pmsi::TextWriter& log)
    : state_(new State{tables, std::move(tables_dir), log, {}, {}}) {}

GroupStep::~GroupStep() { delete state_; }

const GroupOutcome& GroupStep::group(std::string_view record, const Detection& detection) {
  State& s = *state_;
  group_rhs(record, detection.act_width, s.tables, s.tables_dir, s.log, s.result);
  GroupOutcome& o = s.outcome;
  o.cm = s.result.cm;
  o.ghj = s.result.ghj;
  o.return_code = s.result.return_code;
  o.presence_day_count = s.result.presence_day_count;
  o.age_years = s.result.age_years;
  o.delay_days = s.result.delay_days;
  o.grouped_record = s.result.grouped_record_view();
  o.week_monday = s.result.week_monday_view();
  return o;
}

}  // namespace grouper::detail
