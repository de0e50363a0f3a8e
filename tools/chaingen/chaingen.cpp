#include "chaingen.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "chaining/files.h"
#include "chaining/records.h"
#include "common/format.h"
#include "common/paths.h"
#include "crclavix/record_keys.h"

namespace chaingen {
namespace {

// Deterministic on every platform (std distributions are not).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t below(std::size_t n) { return n ? static_cast<std::size_t>(next() % n) : 0; }

 private:
  std::uint64_t s_;
};

// RHS fields read here (the grouper's record layout): format code, stay
// number and ipp, after the 12-character leading grouping of the M1x formats.
constexpr chaining::Field kRhsFormatCode{9, 3};
constexpr chaining::Field kRhsStayNumber{12, 7};
constexpr chaining::Field kRhsIpp{20, 20};
constexpr std::size_t kLeadingGrouping = 12;

std::string pad(std::string_view s, std::size_t n) {
  std::string out(s.substr(0, n));
  out.resize(n, ' ');
  return out;
}

std::string made_admin_number(Rng& rng) {
  return pad(pmsi::format("%012llu", static_cast<unsigned long long>(rng.next() % 1000000000000ull)), 20);
}

std::string anonymous_number(std::uint64_t seed, const std::string& admin, bool high) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uint64_t h = seed ^ 0xCBF29CE484222325ull;
  for (unsigned char c : admin) h = (h ^ c) * 0x100000001B3ull;
  Rng rng(h);
  std::string out(17, ' ');
  for (char& c : out) c = kChars[rng.below(36)];
  if (high) out[rng.below(17)] = '\xC9';
  return out;
}

std::string hosp_record(const Stay& s) { return pad(s.stay_number, 7) + pad(s.admin_number, 20); }

std::string ano_record(const std::string& anonymous, const std::string& admin) {
  return crclavix::keyed_record("0000" + anonymous + pad(admin, 20));
}

void insert_empty_lines(std::vector<std::string>& lines, int n, Rng& rng) {
  for (int i = 0; i < n; ++i)
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(rng.below(lines.size() + 1)), "");
}

void shuffle(std::vector<std::string>& lines, Rng& rng) {
  for (std::size_t i = lines.size(); i > 1; --i) std::swap(lines[i - 1], lines[rng.below(i)]);
}

}  // namespace

pmsi::Result<std::vector<Stay>> read_stays(Source source, const std::string& path, std::uint64_t seed) {
  auto in = chaining::LineReader::open(path);
  if (!in) return pmsi::Error{in.error()};
  std::vector<Stay> stays;
  std::unordered_map<std::string, std::size_t> index;
  Rng rng(seed ^ 0x5EED5EEDull);
  std::string line;
  while (in->next(line)) {
    if (line.empty()) continue;
    std::string_view rec = line;
    Stay s;
    if (source == Source::rhs) {
      std::string_view code = chaining::field(rec, kRhsFormatCode);
      if (!(code == "M01" || code == "M02" || code == "M03"))
        rec = rec.size() > kLeadingGrouping ? rec.substr(kLeadingGrouping) : std::string_view{};
      s = {pad(chaining::field(rec, kRhsStayNumber), 7), pad(chaining::field(rec, kRhsIpp), 20)};
    } else if (source == Source::link) {
      s = {pad(chaining::field(rec, chaining::hosp_pmsi::stay_number), 7),
           pad(chaining::field(rec, chaining::hosp_pmsi::admin_number), 20)};
    } else {
      s = {pad(chaining::field(rec, chaining::srha::stay_number), 7), ""};
    }
    auto [it, added] = index.try_emplace(s.stay_number, stays.size());
    if (added)
      stays.push_back(s);
    else if (source == Source::rhs)
      stays[it->second].admin_number = s.admin_number;  // the last RHS of the stay gives the ipp
  }
  if (source == Source::srha)
    for (Stay& s : stays) s.admin_number = made_admin_number(rng);
  return stays;
}

Files generate(const std::vector<Stay>& stays, const Faults& faults, std::uint64_t seed) {
  Rng rng(seed);
  Files f;
  for (const Stay& s : stays) f.hosp_pmsi.push_back(hosp_record(s));

  std::set<std::string> numbers;
  for (const Stay& s : stays) numbers.insert(pad(s.admin_number, 20));
  std::vector<std::string> admins(numbers.begin(), numbers.end());
  for (int i = 0; i < faults.missing_ano && !admins.empty(); ++i)
    admins.erase(admins.begin() + static_cast<std::ptrdiff_t>(rng.below(admins.size())));
  std::vector<std::string> kept = admins;
  for (int i = 0; i < faults.missing_hosp; ++i) {
    std::string a = made_admin_number(rng);
    if (!numbers.count(a)) admins.push_back(a);
  }

  // Which records carry which fault, by position in the list of numbers.
  std::set<std::size_t> high, wrong;
  for (int i = 0; i < faults.high_chars && !admins.empty(); ++i) high.insert(rng.below(admins.size()));
  for (int i = 0; i < faults.wrong_keys && !admins.empty(); ++i) wrong.insert(rng.below(admins.size()));
  for (std::size_t i = 0; i < admins.size(); ++i) {
    std::string rec = ano_record(anonymous_number(seed, admins[i], high.count(i) > 0), admins[i]);
    if (wrong.count(i)) rec[0] = rec[0] == 'Z' ? 'Y' : 'Z';  // keys are hexadecimal: never Z
    f.ano_hosp.push_back(rec);
  }
  for (int i = 0; i < faults.repeat_admin && !kept.empty(); ++i) {
    const std::string& a = kept[rng.below(kept.size())];
    f.ano_hosp.push_back(ano_record(anonymous_number(seed + 1 + static_cast<unsigned>(i), a, false), a));
  }
  for (int i = 0; i < faults.special; ++i) f.ano_hosp.emplace_back(chaining::ano_hosp::special_record);

  auto by_number = [](chaining::Field key) {
    return [key](const std::string& a, const std::string& b) {
      return chaining::compare_key(chaining::field(a, key), chaining::field(b, key), key.width) < 0;
    };
  };
  if (faults.unsorted) {
    shuffle(f.ano_hosp, rng);
    shuffle(f.hosp_pmsi, rng);
  } else {
    std::stable_sort(f.ano_hosp.begin(), f.ano_hosp.end(), by_number(chaining::ano_hosp::admin_number));
    std::stable_sort(f.hosp_pmsi.begin(), f.hosp_pmsi.end(), by_number(chaining::hosp_pmsi::admin_number));
  }
  insert_empty_lines(f.ano_hosp, faults.empty_lines, rng);
  insert_empty_lines(f.hosp_pmsi, faults.empty_lines, rng);
  return f;
}

pmsi::Status write_lines(const std::string& path, const std::vector<std::string>& lines) {
  auto f = pmsi::open_file(path, "wb");
  if (!f) return pmsi::Error{f.error()};
  std::string buf;
  for (const auto& l : lines) {
    buf += l;
    buf += "\r\n";
    if (buf.size() > (1 << 16)) {
      if (std::fwrite(buf.data(), 1, buf.size(), f->get()) != buf.size()) return pmsi::Error{"write error on '" + path + "'"};
      buf.clear();
    }
  }
  if (std::fwrite(buf.data(), 1, buf.size(), f->get()) != buf.size() || std::fclose(f->release()) != 0)
    return pmsi::Error{"write error on '" + path + "'"};
  return {};
}

}  // namespace chaingen
