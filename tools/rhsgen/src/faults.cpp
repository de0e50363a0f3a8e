#include "faults.h"

#include <algorithm>
#include <cstring>

#include "calendar.h"

namespace rhsgen::detail {

namespace v1 = grouper::v1;

namespace {

long read_date(std::string_view f) {
  auto n = [&](std::size_t at, std::size_t w) {
    int v = 0;
    for (std::size_t i = 0; i < w; ++i) v = v * 10 + (f[at + i] - '0');
    return v;
  };
  return serial_day(n(4, 4), n(2, 2), n(0, 2));
}

bool has_date(std::string_view f) { return f.find_first_not_of(' ') != std::string_view::npos; }

}  // namespace

bool inject_blocking_fault(Rng& rng, const Catalogue& c, RhsRecord& r) {
  // Kinds that always apply come first; the others need an act or dates.
  const int kinds = 12;
  for (int tries = 0; tries < 4; ++tries) {
    switch (rng.below(kinds)) {
      case 0:  // no day of presence (47)
        r.set(v1::presence_days, "0000000");
        return true;
      case 1:  // blank main diagnosis (50)
        r.set_diagnosis(0, "");
        return true;
      case 2:  // main diagnosis outside the Z chapter (51)
        r.set_diagnosis(0, c.third_diagnoses.front());
        return true;
      case 3:  // blank second diagnosis (54)
        r.set_diagnosis(1, "");
        return true;
      case 4:  // second diagnosis equal to the first (57)
        if (r.diagnosis_code(0) == "ZAIGU ") break;
        std::memmove(r.diagnosis(1), r.diagnosis(0), v1::kDiagWidth);
        return true;
      case 5:  // a score outside 1-4 (77)
        r.at(v1::scores)[rng.below(6)] = rng.below(2) ? '5' : '0';
        return true;
      case 6:  // flag outside 1-2 (78)
        r.set_char(v1::flag_153, '3');
        return true;
      case 7:  // a duration with a letter (80)
        std::memcpy(r.at(v1::durations) + 4 * rng.below(12), "12A4", 4);
        return true;
      case 8:  // a blank duration (79)
        std::memcpy(r.at(v1::durations) + 4 * rng.below(12), "    ", 4);
        return true;
      case 9: {  // an impossible delay date (48): 30 February
        char* p = r.at(v1::delay_date);
        std::memcpy(p, "3002", 4);
        std::memcpy(p + 4, r.get(v1::week).data() + 2, 4);
        return true;
      }
      case 10:  // an act of bad form (81)
        if (r.act_count == 0) break;
        std::memcpy(r.acts[static_cast<std::size_t>(rng.below(r.act_count))].data(), "1A2B3C4D", 8);
        return true;
      case 11: {  // exit before entry (32)
        if (!has_date(r.get(v1::exit_date)) || !has_date(r.get(v1::entry_date))) break;
        put_date(r.at(v1::exit_date), read_date(r.get(v1::entry_date)) - rng.range(1, 20));
        return true;
      }
    }
  }
  r.set(v1::presence_days, "0000000");
  return true;
}

bool inject_non_blocking_fault(Rng& rng, const Catalogue& c, RhsRecord& r) {
  for (int tries = 0; tries < 4; ++tries) {
    switch (rng.below(8)) {
      case 0:  // FINESS with a letter other than A or B in second place (1)
        r.at(v1::finess)[1] = 'C';
        return true;
      case 1:  // blank care unit (17)
        r.set(v1::um, "");
        return true;
      case 2:  // unknown entry mode (24)
        if (!has_date(r.get(v1::entry_date))) break;
        r.set_char(v1::entry_mode, '5');
        return true;
      case 3:  // exit date without exit mode (34, and 39 for its destination)
        if (!has_date(r.get(v1::exit_date))) break;
        r.set_char(v1::exit_mode, ' ');
        return true;
      case 4: {  // third diagnosis equal to the second (64), when the second
                 // may stand third (equal to the first it would begin with
                 // "Z", which is blocking for a third diagnosis)
        const std::string_view second = r.diagnosis_code(1);
        if (std::find(c.third_diagnoses.begin(), c.third_diagnoses.end(), second) == c.third_diagnoses.end())
          break;
        std::memmove(r.diagnosis(2), r.diagnosis(1), v1::kDiagWidth);
        return true;
      }
      case 5:  // associated diagnosis unknown to the classification (70)
        r.set_diagnosis(3 + rng.below(5), c.unknown_diagnosis());
        return true;
      case 6:  // act unknown to the classification (82)
        if (r.act_count == 0) break;
        {
          auto& act = r.acts[static_cast<std::size_t>(rng.below(r.act_count))];
          const std::string code =
              r.act_width == grouper::kCcamActWidth ? c.unknown_ccam_act() : c.unknown_cdam_act();
          std::memcpy(act.data(), code.data(), r.act_width);
        }
        return true;
      case 7:  // entry origin missing for an entry mode that needs one (25);
               // not the postal code, which the sequence checks compare
        if (!has_date(r.get(v1::entry_date)) || r.get(v1::entry_mode) == "8") break;
        r.set_char(v1::entry_origin, ' ');
        return true;
    }
  }
  r.set(v1::um, "");
  return true;
}

int inject_sequence_fault(Rng& rng, bool full_hospitalisation, bool has_entry,
                           std::vector<RhsRecord>& records,
                           const std::array<std::string_view, 8>& units) {
  const int n = static_cast<int>(records.size());
  for (int tries = 0; tries < 6; ++tries) {
    const int from = rng.range(1, n - 1);
    switch (rng.below(6)) {
      case 0:  // sex changes (1)
        for (int i = from; i < n; ++i) {
          char& s = records[static_cast<std::size_t>(i)].at(v1::sex)[0];
          s = s == '1' ? '2' : '1';
        }
        return from;
      case 1:  // postal code changes (2): compared only for full hospitalisation
        if (!full_hospitalisation) break;
        for (int i = from; i < n; ++i) {
          char& d = records[static_cast<std::size_t>(i)].at(v1::postal_code)[4];
          d = d == '9' ? '0' : static_cast<char>(d + 1);
        }
        return from;
      case 2: {  // birth date changes (3): one day later, still a valid date
        const long birth = read_date(records[0].get(v1::birth_date)) + 1;
        for (int i = from; i < n; ++i) put_date(records[static_cast<std::size_t>(i)].at(v1::birth_date), birth);
        return from;
      }
      case 3:  // type of hospitalisation changes (4); type 1 needs an entry date
        if (!has_entry) break;
        for (int i = from; i < n; ++i)
          records[static_cast<std::size_t>(i)].set_char(v1::hosp_type, full_hospitalisation ? '2' : '1');
        return from;
      case 4: {  // a missing week (6): full hospitalisation, a week between two others
        if (!full_hospitalisation || n < 3) break;
        for (int i = 1; i + 1 < n; ++i) {
          auto week = [&](int k) { return records[static_cast<std::size_t>(k)].get(v1::week); };
          if (week(i) != week(i - 1) && week(i) != week(i + 1) && week(i - 1).substr(2) == week(i + 1).substr(2)) {
            records.erase(records.begin() + i);
            return i;
          }
        }
        break;
      }
      case 5: {  // a presence day given in two RHS of the same week (7)
        RhsRecord copy = records[static_cast<std::size_t>(from)];
        char* days = copy.at(v1::presence_days);
        int present = -1;
        for (int d = 0; d < 7; ++d)
          if (days[d] == '1') present = present < 0 || rng.below(2) ? d : present;
        if (present < 0) break;
        for (int d = 0; d < 7; ++d) days[d] = d == present ? '1' : '0';
        // Another care unit, same week: it sorts right after its twin. It
        // carries no exit, so the keys stay equal or ascending.
        copy.set(v1::um, units[static_cast<std::size_t>(rng.below(static_cast<int>(units.size())))]);
        if (has_date(copy.get(v1::exit_date))) break;
        records.insert(records.begin() + from + 1, copy);
        return from + 1;
      }
    }
  }
  return -1;
}

void spoil_format(Rng& rng, int format, std::string& line) {
  const grouper::FormatSpec& spec = grouper::kFormats[static_cast<std::size_t>(format)];
  const std::size_t lead = spec.leading_grouping ? grouper::kLeadingGroupingWidth : 0;
  switch (rng.below(4)) {
    case 0:
      line.pop_back();
      break;
    case 1:
      line.push_back(' ');
      break;
    case 2: {  // the act count announces one act more than the line holds
      const grouper::FieldSpec& count = spec.rhs_version == 1 ? v1::act_count : grouper::v23::act_count;
      char* p = line.data() + lead + count.offset;
      const int n = (p[0] == ' ' ? 0 : p[0] - '0') * 10 + (p[1] - '0');
      p[0] = n + 1 >= 10 ? static_cast<char>('0' + (n + 1) / 10) : ' ';
      p[1] = static_cast<char>('0' + (n + 1) % 10);
      break;
    }
    case 3:
      // The record's own code: for a leading-grouping line the outer code
      // stays, or the line would be read as an unknown outer code with a
      // good inner one and accepted.
      std::memcpy(line.data() + lead + grouper::kFormatCodeOffset, "M05", 3);
      break;
  }
}

}  // namespace rhsgen::detail
