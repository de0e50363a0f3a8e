#include "rhsgen/catalogue.h"

#include <algorithm>
#include <cstdio>

#include "catalogue_sources.h"
#include "common/paths.h"

namespace rhsgen {

namespace {

std::string pad6(std::string_view code) {
  std::string s(code);
  s.resize(6, ' ');
  return s;
}

std::vector<std::string> padded(std::initializer_list<std::string_view> codes) {
  std::vector<std::string> out;
  for (auto c : codes) out.push_back(pad6(c));
  return out;
}

// Formatted with snprintf: GCC 12 warns falsely (-Wrestrict) on string
// concatenation in release builds.
std::string numbered(const char* pattern, int n) {
  char text[16];
  std::snprintf(text, sizeof text, pattern, n);
  return text;
}

}  // namespace

Catalogue Catalogue::built_in() {
  Catalogue c;
  // Rehabilitation motives (Z codes) lead the stay.
  c.main_diagnoses = padded({"Z501", "Z502", "Z503", "Z504", "Z505", "Z506", "Z507", "Z508",
                             "Z509", "Z470", "Z478", "Z480", "Z488", "Z540", "Z548", "Z751"});
  // Morbid conditions behind the rehabilitation.
  c.second_diagnoses = padded({"S7200", "S7210", "S720", "S8200", "S320", "S0600", "I634",
                               "I639", "I619", "G819", "G20", "G35", "M170", "M161", "M4806",
                               "J449", "I500", "I219", "C509", "C189", "E119", "F100", "T932",
                               "N185", "M800"});
  c.third_diagnoses = padded({"I10", "E119", "E660", "N189", "F329", "J449", "I48", "E780",
                              "G309", "M150", "I259", "K219", "D649"});
  c.assoc_diagnoses = padded({"I10", "E119", "E660", "N189", "F329", "J449", "I48", "E780",
                              "R268", "R32", "Z993", "F03", "L89", "E43", "M810", "H540"});
  c.cdam_acts = {"A101", "A102", "A110", "A205", "B120", "B135", "C210", "C215",
                 "D300", "D310", "E401", "E420", "F510", "G620", "K180", "K182"};
  c.ccam_acts = {"ZZQK0020", "NEKA0200", "LHEA0010", "NFKA0070", "HFFC0180", "DEQP0030",
                 "ZBQK0010", "YYYY0020", "ZZLP0250", "AHQP0010", "NAQM0010", "ZCQM0010"};
  // Examples of the grouper's transcoding lists.
  c.ccam_v0_codes = {"AAMP0010", "ABQB0020", "ABQL0010", "ACFA0300"};
  c.ccam_deleted_codes = {"ABLF0010", "ACLB0010", "AGQP0010", "DAQJ0040", "GGJB0030", "QZKA0020"};
  c.groupings = {{1, 11}, {1, 12}, {1, 13}, {2, 21}, {2, 22}, {3, 31}, {4, 41}, {5, 51},
                 {5, 52}, {6, 61}, {7, 71}, {8, 81}, {8, 82}, {9, 91}, {10, 101}};
  c.postal_codes = {"75013", "75018", "69003", "13005", "31400", "33000", "59000", "67000",
                    "44000", "35000", "06000", "34000", "20000", "97400", "21000", "63000"};
  return c;
}

pmsi::Result<Catalogue> Catalogue::from_sources(const std::string& dir) {
  if (!pmsi::is_directory(dir))
    return pmsi::Error{"'" + dir + "': not a directory of classification sources"};
  Catalogue c = built_in();
  auto status = detail::read_sources(dir, c);
  if (!status) return pmsi::Error{status.error()};
  c.origin = dir;
  return c;
}

pmsi::Status Catalogue::read_ccam_v0_list(const std::string& path) {
  return detail::read_ccam_v0_list(path, *this);
}

std::string Catalogue::unknown_diagnosis() const {
  // "Q" codes of the 990s are absent from every nomenclature we ship; walk
  // until one is absent from this catalogue too.
  for (int n = 999; n > 900; --n) {
    std::string code = pad6(numbered("Q%d", n));
    auto known = [&](const std::vector<std::string>& v) {
      return std::find(v.begin(), v.end(), code) != v.end();
    };
    if (!known(main_diagnoses) && !known(second_diagnoses) && !known(third_diagnoses) &&
        !known(assoc_diagnoses) && !known(table_diagnoses))
      return code;
  }
  return "Q999  ";
}

std::string Catalogue::unknown_cdam_act() const {
  for (int n = 999; n > 900; --n) {
    std::string code = numbered("Z%d", n);
    if (std::find(cdam_acts.begin(), cdam_acts.end(), code) == cdam_acts.end()) return code;
  }
  return "Z999";
}

std::string Catalogue::unknown_ccam_act() const {
  for (int n = 999; n > 900; --n) {
    std::string code = numbered("ZZZZ%d0", n);
    if (std::find(ccam_acts.begin(), ccam_acts.end(), code) == ccam_acts.end()) return code;
  }
  return "ZZZZ9990";
}

}  // namespace rhsgen
