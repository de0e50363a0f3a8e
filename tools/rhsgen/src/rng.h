#pragma once
// The generator's own random numbers (xoshiro256**, seeded by splitmix64):
// the same sequence on every platform and library, unlike the standard
// distributions.
#include <cstdint>

namespace rhsgen::detail {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) {
    for (auto& word : s_) {
      seed += 0x9E3779B97F4A7C15ull;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      word = z ^ (z >> 31);
    }
  }
  std::uint64_t next() {
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
  }
  // 0 <= value < n (0 < n < 2^31), by multiply-shift of the high 32 bits.
  int below(int n) {
    return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
  }
  int range(int lo, int hi) { return lo + below(hi - lo + 1); }  // lo..hi inclusive
  bool chance(double p) { return p > 0 && static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
  template <class V>
  const typename V::value_type& pick(const V& v) {
    return v[static_cast<std::size_t>(below(static_cast<int>(v.size())))];
  }

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t s_[4];
};

}  // namespace rhsgen::detail
