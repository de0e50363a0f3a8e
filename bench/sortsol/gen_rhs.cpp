// Writes N M01-like RHS lines (CR LF) to stdout, in a scrambled order as a
// hospital export gives them: stays of 1 to 8 weeks, 7-digit stay numbers,
// ISO weeks, entry dates in 2023-2024, exit dates on the last week of most
// stays, 0 to 10 acts. Deterministic for a given N.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::uint64_t mix(std::uint64_t x) {  // splitmix64
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Days since 1970-01-01 <-> civil date (H. Hinnant's algorithms).
long days_from_civil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}
void civil_from_days(long z, long& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}
// ISO week and its year of a day.
void iso_week(long z, unsigned& week, long& year) {
  const long weekday = ((z + 3) % 7 + 7) % 7;  // 0 Monday
  const long thursday = z - weekday + 3;
  unsigned m, d;
  civil_from_days(thursday, year, m, d);
  week = static_cast<unsigned>((thursday - days_from_civil(year, 1, 1)) / 7 + 1);
}
std::string date(long z) {
  long y;
  unsigned m, d;
  civil_from_days(z, y, m, d);
  char b[48];
  std::snprintf(b, sizeof b, "%02u%02u%04ld", d, m, y);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sortsol_bench_rhs N > file\n");
    return 2;
  }
  const std::uint64_t n = std::strtoull(argv[1], nullptr, 10);
  constexpr std::uint64_t kSlots = 8;  // weeks reserved per stay
  const std::uint64_t slots = ((n + 3) / 4 * 5 / 4 + 16) * kSlots;  // stays average 4 weeks
  // Scrambled order: a walk over the slots by a stride prime to their count,
  // keeping the slots that hold an RHS, until n lines are out.
  std::uint64_t stride = 1000003;
  while (slots % stride == 0) stride += 2;
  static char buf[1 << 20];
  std::setvbuf(stdout, buf, _IOFBF, sizeof buf);
  const long first_day = days_from_civil(2023, 1, 2);
  std::uint64_t written = 0;
  for (std::uint64_t i = 0; i < slots && written < n; ++i) {
    const std::uint64_t q = (i * stride + 12345) % slots;
    const std::uint64_t stay = q / kSlots, week = q % kSlots;
    const std::uint64_t h = mix(stay);
    const std::uint64_t weeks = 1 + h % 7;
    if (week >= weeks) continue;
    const long entry = first_day + static_cast<long>((h >> 8) % 700);
    const long monday = entry - ((entry + 3) % 7 + 7) % 7 + 7 * static_cast<long>(week);
    unsigned wk;
    long wy;
    iso_week(monday, wk, wy);
    const bool ended = (h >> 20) % 10 < 7 && week + 1 == weeks;
    const std::uint64_t r = mix(stay * 64 + week);
    const unsigned acts = static_cast<unsigned>(r % 11);
    std::string rec;
    rec.reserve(250);
    char f[64];
    rec += "750000001M01";
    std::snprintf(f, sizeof f, "%07llu", static_cast<unsigned long long>((stay * 7919 + 104729) % 10000000));
    rec += f;
    rec += (h >> 40) % 4 == 0 ? '2' : '1';
    std::snprintf(f, sizeof f, "IPP%-17llu", static_cast<unsigned long long>(h % 100000000));
    rec += f;
    rec += date(entry - 20000 - static_cast<long>((h >> 12) % 20000));
    rec += (h >> 33) % 2 ? '1' : '2';
    rec += "75012";
    rec += date(entry);
    rec += "86";
    rec += ended ? date(entry + static_cast<long>(7 * weeks) - 3) : std::string(8, ' ');
    rec += ended ? "8 " : "  ";
    std::snprintf(f, sizeof f, "%02u%04ld", wk, wy);
    rec += f;
    rec += "1111100";
    rec += "1001";
    rec += std::string(8, ' ');
    rec += "Z500  S7200 I10   ";
    rec += std::string(30, ' ');
    rec += "2231411";
    for (int k = 0; k < 12; ++k) {
      std::snprintf(f, sizeof f, "%4u", static_cast<unsigned>((r >> (k * 4)) % 600));
      rec += f;
    }
    std::snprintf(f, sizeof f, "%2u", acts);
    rec += f;
    for (unsigned k = 0; k < acts; ++k) {
      std::snprintf(f, sizeof f, "A%03u", static_cast<unsigned>((r >> (k * 5)) % 1000));
      rec += f;
    }
    rec += "\r\n";
    std::fwrite(rec.data(), 1, rec.size(), stdout);
    ++written;
  }
  return written == n ? 0 : 1;
}
