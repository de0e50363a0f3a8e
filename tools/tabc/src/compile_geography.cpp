// Geography: one commune per line.
//   POSTAL_CODE GEOGRAPHIC_NUMBER
// The first three characters of the postal code give the department number
// (as the grouper derives it), the last two the commune suffix.
#include <algorithm>
#include <cstdio>
#include <set>

#include "grouper/tables.h"
#include "source.h"

namespace pmsi::tabc::detail {
namespace {

namespace L = table_layout;
constexpr std::uint32_t kMaxGeographicNumber = 10 * 23958 - 1;  // five characters

}  // namespace

std::optional<int> department_of(std::string_view p) {
  if (p.size() != 3 || !std::isdigit(static_cast<unsigned char>(p[2]))) return std::nullopt;
  int third = p[2] - '0';
  if (p[0] == '2' && p[1] == 'A') return 300 + third;
  if (p[0] == '2' && p[1] == 'B') return 310 + third;
  if (!std::isdigit(static_cast<unsigned char>(p[0])) || !std::isdigit(static_cast<unsigned char>(p[1])))
    return std::nullopt;
  int d = (p[0] - '0') * 100 + (p[1] - '0') * 10 + third;
  return p.substr(0, 2) >= "30" ? d + 20 : d;
}

std::string department_text(int d) {
  char buf[16];
  if (d >= 300 && d < 310) std::snprintf(buf, sizeof buf, "2A%d", d - 300);
  else if (d >= 310 && d < 320) std::snprintf(buf, sizeof buf, "2B%d", d - 310);
  else std::snprintf(buf, sizeof buf, "%03d", d >= 320 ? d - 20 : d);
  return buf;
}

std::optional<Bytes> compile_geography(const std::vector<Line>& lines, const Directives&, Errors& errors) {
  struct Commune {
    int department;
    std::uint32_t suffix, number;
  };
  std::vector<Commune> communes;
  std::set<std::string> seen;
  for (const Line& line : lines) {
    const auto& t = line.tokens;
    if (!line.label.empty()) errors.at(line.number, "labels are only for tree nodes");
    if (t.size() != 2) {
      errors.at(line.number, "expected: POSTAL_CODE GEOGRAPHIC_NUMBER");
      continue;
    }
    auto department = t[0].size() == 5 ? department_of(t[0].substr(0, 3)) : std::nullopt;
    auto suffix = t[0].size() == 5 ? parse_number(t[0].substr(3), 99) : std::nullopt;
    if (!department || !suffix || t[0].substr(3).size() != 2) {
      errors.at(line.number, "a postal code is five digits, or 2A / 2B and three digits");
      continue;
    }
    auto number = parse_number(t[1], kMaxGeographicNumber);
    if (!number) errors.at(line.number, "geographic number must be 0 to 239579");
    if (!seen.insert(t[0]).second) errors.at(line.number, "postal code " + t[0] + " given twice");
    communes.push_back({*department, *suffix, number.value_or(0)});
  }
  if (communes.size() > 65535) errors.at(1, "more than 65535 communes");
  if (errors.any()) return std::nullopt;
  std::stable_sort(communes.begin(), communes.end(),
                   [](const Commune& a, const Commune& b) { return a.department < b.department; });

  ByteBuilder out;
  out.text("CODEGEOG", L::kGeographyIndexOffset);
  std::size_t e = 0;
  for (int d = 0; d < L::kDepartmentCount; ++d) {
    while (e < communes.size() && communes[e].department < d) ++e;
    out.be16(static_cast<std::uint32_t>(e));
  }
  for (const Commune& c : communes) {
    out.u8(c.suffix);
    out.be24(c.number);
  }
  return std::move(out.bytes);
}

}  // namespace pmsi::tabc::detail
